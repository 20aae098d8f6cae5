#pragma once

#include "AssistInfo.h"

#include <cstdint>
#include <string>
#include <vector>

class ByteSource;

// The samples of the recording being played: sample i stands for second i.
// Each extraction empties the store first and returns -1 when the path is
// shorter than 4 characters or cannot be opened as a regular file, else the
// number of samples in the store afterwards.
class TelemetryStore {
public:
    void Clear();
    int GetCount() const;
    void AddSample(const tagAssistInfo& sample);
    // 0 and a copy of sample `index`, or -1 with "0" texts, zero
    // accelerations and speed, no UTC time, and `out.course` left as it was.
    int GetSample(int index, tagAssistInfo& out) const;

    int ExtractTextTrack(const std::string& path);      // kinds 1, 2
    int ExtractHeaderBlocks(const std::string& path);   // kind 3
    int ExtractInterleaved(const std::string& path);    // kind 4
    int ExtractUserDataIndex(const std::string& path);  // kind 5 and any other

    // The same extractions over any byte source (memory, for tests and
    // fuzzing); they never fail to open, so they return the count.
    int ExtractTextTrack(ByteSource& src);
    int ExtractHeaderBlocks(ByteSource& src);
    int ExtractInterleaved(ByteSource& src);
    int ExtractUserDataIndex(ByteSource& src);

    // Decodes one text-track line (modified in place: shifted back by `shift` unless one
    // of characters 1 to 5 is a TAB) into one sample, appends it and returns the count.
    int ParseTabLine(std::string& line, int shift);

    // Video samples per whole second of the track the interleaved layout
    // chose; written and read only by that extraction, never reset.
    int32_t videoSamplesPerSecond = 0;

private:
    std::vector<tagAssistInfo> m_samples;
};
