#pragma once

#include "BoxWalker.h"

#include <cstdint>
#include <vector>

class ByteSource;

// The tracks of a movie and where their samples lie, for the formats that keep their
// telemetry in a track of its own (text subtitles, "gpmd", "camm", ...). It reads box headers,
// the small boxes that describe a track and, for ReadTrackSamples, the sample tables: never
// the media data.

constexpr int kMaxTracks = 64;
// Samples read from one track, whatever its tables claim: more than an hour of a
// telemetry track at 200 samples a second.
constexpr uint64_t kMaxTrackSamples = uint64_t(1) << 20;

struct MovieTrack {
    char handler[4] = {0, 0, 0, 0};  // "hdlr" handler type: "text", "sbtl", "meta", "vide" ...
    char format[4] = {0, 0, 0, 0};   // format of the first "stsd" entry: "text", "gpmd", ...
    uint32_t timescale = 0;          // of "mdhd"; 0 when it has none
    BoxExtent stbl;                  // the sample tables; payload == end when there are none

    bool HandlerIs(const char* type) const;
    bool FormatIs(const char* type) const;
};

// The tracks of the first top-level "moov" (at most kMaxTracks), in file order.
std::vector<MovieTrack> ListMovieTracks(ByteSource& src);

struct TrackSample {
    uint64_t offset = 0;    // absolute file position
    uint32_t size = 0;      // bytes
    double seconds = 0.0;   // start on the movie's time line ("stts" over the "mdhd" timescale)
    double duration = 1.0;  // its "stts" delta in seconds (1 without "stts")
};

// The samples of `track` in order, from "stsz", "stsc", "stco"/"co64" and "stts", at most
// kMaxTrackSamples and never more than the tables hold in the file. A sample that starts
// beyond the end of the data ends the list. Without "stts" (or a timescale) sample i starts at
// second i.
std::vector<TrackSample> ReadTrackSamples(ByteSource& src, const MovieTrack& track);
