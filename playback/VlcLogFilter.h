#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_set>

// Decides which of libvlc's log messages reach the terminal: errors only, and
// each distinct message once (libvlc repeats the same failure many times a
// second, for instance while it retries an audio output that is not there).
// libvlc logs from its own threads: ShouldPrint may be called from any.
class CVlcLogFilter {
public:
    static constexpr int kErrorLevel = 4;  // LIBVLC_ERROR
    // Distinct messages remembered; past that the memory starts afresh.
    static constexpr size_t kMaxRemembered = 512;

    bool ShouldPrint(int level, const std::string& text);

private:
    std::mutex m_mutex;
    std::unordered_set<std::string> m_printed;
};
