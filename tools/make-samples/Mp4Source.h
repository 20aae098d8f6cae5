#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One track of the plain MP4 that ffmpeg rendered: the boxes that are copied
// verbatim into the new recordings, and the sample tables expanded to one
// entry per sample.
struct tagSourceTrack {
    std::vector<uint8_t> tkhd, edts, hdlr, mediaHeader, dinf, stsd, stss, ctts;  // whole boxes
    char handler[5] = {0, 0, 0, 0, 0};
    uint32_t timescale = 0;
    uint16_t language = 0;
    std::vector<uint32_t> durations;  // per sample, in `timescale` units
    std::vector<uint32_t> sizes;
    std::vector<uint64_t> offsets;  // in the source file

    bool IsVideo() const { return std::string(handler) == "vide"; }
    bool IsSound() const { return std::string(handler) == "soun"; }
    uint64_t Duration() const;
    // Decoding time of sample `i` in seconds.
    double SampleTime(size_t i) const;
};

// Reads the sample tables of an MP4 file (32- or 64-bit box sizes, stco or
// co64) and hands out the bytes of each sample.
class CMp4Source {
public:
    bool Load(const std::string& path, std::string& error);

    uint32_t movieTimescale = 0;
    uint64_t movieDuration = 0;
    std::vector<tagSourceTrack> tracks;

    const tagSourceTrack* FindTrack(const char* handler) const;
    const uint8_t* SampleData(const tagSourceTrack& track, size_t i) const;

private:
    bool ParseMoov(size_t begin, size_t end, std::string& error);
    bool ParseTrak(size_t begin, size_t end, tagSourceTrack& track);
    bool ParseStbl(size_t begin, size_t end, tagSourceTrack& track);

    std::vector<uint8_t> m_file;
};
