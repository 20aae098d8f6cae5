#include "TextTrackLines.h"

#include "RecordDecoder.h"
#include "TelemetryStore.h"

void TextTrackLines::AddChunk(uint32_t length, const uint8_t* text) {
    bool tab = false;
    for (int i = 1; i <= 5; ++i)
        tab = tab || text[i] == '\t';
    std::string line(reinterpret_cast<const char*>(text + 1));

    if (tab || m_formatKnown) {
        m_formatKnown = true;
        m_store.ParseTabLine(line, m_shift);
    } else if (length == kKeyRecordLength) {
        m_formatKnown = true;
        m_shift = DigitSumKey(text + 1);
        for (uint64_t j = 0; j < m_chunkIndex; ++j) {
            std::string held = j < m_held.size() ? m_held[size_t(j)] : std::string();
            m_store.ParseTabLine(held, m_shift);
        }
        m_held.clear();
    } else if (m_chunkIndex < kHeldLines) {
        m_held.push_back(line);
    }
    ++m_chunkIndex;
}
