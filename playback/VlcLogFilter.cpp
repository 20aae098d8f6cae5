#include "VlcLogFilter.h"

bool CVlcLogFilter::ShouldPrint(int level, const std::string& text) {
    if (level < kErrorLevel) {
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_printed.count(text) != 0) {
        return false;
    }
    if (m_printed.size() >= kMaxRemembered) {
        m_printed.clear();
    }
    m_printed.insert(text);
    return true;
}
