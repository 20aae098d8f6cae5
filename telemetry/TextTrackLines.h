#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TelemetryStore;

// The chunk loop of the text-track layout. Until the format is known (a line with a TAB in
// text bytes 1 to 5, or the 11-byte key record) lines are held, at most 20; the key record
// gives the shift and releases the held lines (chunks from the 21st on as empty lines).
// Once the format is known every chunk is a line, 11-byte ones included.
class TextTrackLines {
public:
    explicit TextTrackLines(TelemetryStore& store) : m_store(store) {}

    // One chunk: `length` the stored 2-byte text length (0 when it could not be read) and
    // `text` the text bytes read into a zeroed buffer of kTextRecordBuffer bytes, so that
    // the line (text bytes 1 on) ends at the first zero.
    void AddChunk(uint32_t length, const uint8_t* text);

private:
    static constexpr size_t kHeldLines = 20;
    static constexpr uint32_t kKeyRecordLength = 11;

    TelemetryStore& m_store;
    bool m_formatKnown = false;
    int m_shift = 0;
    uint64_t m_chunkIndex = 0;
    std::vector<std::string> m_held;
};
