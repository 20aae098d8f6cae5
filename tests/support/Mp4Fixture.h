#pragma once

// Test support, header-only: the MP4/MOV skeleton that the real cameras' formats live in, as
// ExifTool reads it (ftyp, mdat, moov with mvhd and timed-metadata tracks), for the fixture
// writers of each format. Sizes are big-endian.
//
//   FixtureMovie m;
//   m.tracks.push_back({"text", "text", Zeros(43), samples});  // one sample a second
//   Bytes file = WriteMovie(m);

#include "BoxWriter.h"

#include <string>
#include <vector>

namespace velto::testing {

// ftyp is 24 bytes, so the media data starts at 32.
constexpr uint32_t kMovieDataStart = 32;

// Seconds from 1904-01-01 (the movie header's epoch) to 1970-01-01.
constexpr uint32_t kMacEpochToUnix = 2082844800u;

struct FixtureTrack {
    std::string handler;         // "hdlr" handler type, e.g. "text", "meta"
    std::string format;          // "stsd" entry format, e.g. "text", "tx3g", "gpmd", "camm"
    Bytes formatBytes;           // bytes of the sample entry after its data-reference index
    std::vector<Bytes> samples;  // placed in mdat in order, one chunk for all
    uint32_t deltaMs = 1000;     // "stts": every sample lasts this long (timescale 1000)
    // When set: each sample is its own chunk at this absolute offset, already placed by the
    // caller (in FixtureMovie::mediaData), and `samples` only give the sizes.
    std::vector<uint32_t> placedAt = {};
};

struct FixtureMovie {
    Bytes mediaData;          // raw bytes at the start of mdat (at kMovieDataStart); samples follow
    size_t mediaTail = 0;     // zero bytes after the samples, at the end of mdat
    uint32_t createUnix = 0;  // mvhd creation time, Unix seconds (0: none)
    uint32_t durationMs = 0;  // mvhd duration; 0: the longest track's
    std::vector<FixtureTrack> tracks;
    std::vector<Bytes> moovExtra;  // boxes appended inside moov
    std::vector<Bytes> afterMoov;  // top-level boxes after moov
    std::string brand = "mp42";
};

inline Bytes FullBox(const char* type, const Bytes& payload, uint32_t versionFlags = 0) {
    return Box(type, Concat({U32BE({versionFlags}), payload}));
}

inline Bytes MovieHeader(uint32_t createMac, uint32_t durationMs) {
    Bytes p = U32BE({createMac, createMac, 1000, durationMs, 0x00010000});
    AppendU16BE(p, 0x0100);
    AppendZeros(p, 10);
    for (uint32_t m : {0x10000u, 0u, 0u, 0u, 0x10000u, 0u, 0u, 0u, 0x40000000u})
        AppendU32BE(p, m);
    AppendZeros(p, 24);
    AppendU32BE(p, 2);
    return FullBox("mvhd", p);
}

inline Bytes FixtureTrackBox(const FixtureTrack& t, uint32_t trackId, uint32_t firstOffset) {
    const uint32_t n = uint32_t(t.samples.size());
    const uint32_t duration = n * t.deltaMs;
    Bytes tkhd = U32BE({0, 0, trackId, 0, duration, 0, 0, 0, 0});
    for (uint32_t m : {0x10000u, 0u, 0u, 0u, 0x10000u, 0u, 0u, 0u, 0x40000000u})
        AppendU32BE(tkhd, m);
    AppendZeros(tkhd, 8);
    Bytes hdlr = Concat({Text("mhlr"), Text(t.handler), Zeros(12), Text("Handler"), Zeros(1)});
    Bytes entry = Concat({Text(t.format), Zeros(6), Bytes{0, 1}, t.formatBytes});
    Bytes stsd = FullBox("stsd", Concat({U32BE({1, uint32_t(entry.size() + 4)}), entry}));
    Bytes sizes = U32BE({0, n});
    for (const Bytes& s : t.samples)
        AppendU32BE(sizes, uint32_t(s.size()));
    Bytes stsc = FullBox("stsc", U32BE({1, 1, n, 1}));
    Bytes stco = FullBox("stco", U32BE({1, firstOffset}));
    if (!t.placedAt.empty()) {
        stsc = FullBox("stsc", U32BE({1, 1, 1, 1}));
        Bytes offsets = U32BE({uint32_t(t.placedAt.size())});
        for (uint32_t o : t.placedAt)
            AppendU32BE(offsets, o);
        stco = FullBox("stco", offsets);
    }
    Bytes stbl = Box("stbl", Concat({stsd, FullBox("stts", U32BE({1, n, t.deltaMs})), stsc,
                                     FullBox("stsz", sizes), stco}));
    Bytes dinf = Box("dinf", FullBox("dref", Concat({U32BE({1}), FullBox("url ", {}, 1)})));
    Bytes minf = Box("minf", Concat({FullBox("nmhd", {}), dinf, stbl}));
    Bytes mdhd = FullBox("mdhd", Concat({U32BE({0, 0, 1000, duration}), Bytes{0x55, 0xC4, 0, 0}}));
    Bytes mdia = Box("mdia", Concat({mdhd, FullBox("hdlr", hdlr), minf}));
    return Box("trak", Concat({FullBox("tkhd", tkhd, 7), mdia}));
}

inline Bytes WriteMovie(const FixtureMovie& m) {
    Bytes ftyp = Box("ftyp", Concat({Text(m.brand), U32BE({0}), Text(m.brand), Text("isom")}));
    Bytes data = m.mediaData;
    std::vector<uint32_t> firstOffsets;
    uint32_t longestMs = 0;
    for (const FixtureTrack& t : m.tracks) {
        firstOffsets.push_back(kMovieDataStart + uint32_t(data.size()));
        if (t.placedAt.empty())
            for (const Bytes& s : t.samples)
                AppendBytes(data, s);
        longestMs = std::max<uint32_t>(longestMs, uint32_t(t.samples.size()) * t.deltaMs);
    }
    AppendZeros(data, m.mediaTail);
    const uint32_t create = m.createUnix ? m.createUnix + kMacEpochToUnix : 0;
    Bytes moov = MovieHeader(create, m.durationMs ? m.durationMs : longestMs);
    for (size_t i = 0; i < m.tracks.size(); ++i)
        AppendBytes(moov, FixtureTrackBox(m.tracks[i], uint32_t(i + 1), firstOffsets[i]));
    for (const Bytes& b : m.moovExtra)
        AppendBytes(moov, b);
    Bytes file = Concat({ftyp, Box("mdat", data), Box("moov", moov)});
    for (const Bytes& b : m.afterMoov)
        AppendBytes(file, b);
    return file;
}

}  // namespace velto::testing
