// Tracks and sample tables of the movie, as the track formats read them.
#include "BoxWriter.h"
#include "ByteSource.h"
#include "Mp4Fixture.h"
#include "TrackSamples.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace velto::testing;

TEST(TrackSamples, HandlersFormatsOffsetsAndTimes) {
    FixtureMovie m;
    m.mediaData = Text("video");
    m.tracks.push_back({"vide", "avc1", Zeros(70), {Text("frame0"), Text("frame1")}, 500});
    m.tracks.push_back({"text", "tx3g", Zeros(30), {Text("a"), Text("bb"), Text("ccc")}});
    const Bytes file = WriteMovie(m);
    MemoryByteSource src(file);

    const std::vector<::MovieTrack> tracks = ListMovieTracks(src);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_TRUE(tracks[1].HandlerIs("text"));
    EXPECT_TRUE(tracks[1].FormatIs("tx3g"));
    EXPECT_EQ(tracks[1].timescale, 1000u);

    const std::vector<TrackSample> video = ReadTrackSamples(src, tracks[0]);
    ASSERT_EQ(video.size(), 2u);
    EXPECT_EQ(video[0].offset, kMovieDataStart + 5);
    EXPECT_DOUBLE_EQ(video[1].seconds, 0.5);

    const std::vector<TrackSample> text = ReadTrackSamples(src, tracks[1]);
    ASSERT_EQ(text.size(), 3u);
    const uint64_t first = kMovieDataStart + 5 + 12;
    EXPECT_EQ(text[0].offset, first);
    EXPECT_EQ(text[2].offset, first + 3);
    EXPECT_EQ(text[2].size, 3u);
    EXPECT_DOUBLE_EQ(text[2].seconds, 2.0);
}

// stsc runs over several chunks, co64 offsets, and a box of 64-bit size.
TEST(TrackSamples, ChunkRunsAndWideOffsets) {
    const Bytes stsz = FullBox("stsz", U32BE({0, 5, 1, 2, 3, 4, 5}));
    const Bytes stsc = FullBox("stsc", U32BE({2, 1, 2, 1, 3, 3, 1}));  // chunk 1-2: 2 each, 3-: 3
    const Bytes co64 = FullBox("co64", U32BE({2, 0, 100, 0, 200}));
    const Bytes stts = FullBox("stts", U32BE({2, 1, 10, 4, 20}));
    Bytes stbl = Concat({RawHeader(1, "stbl"), U32BE({0, 0})});
    const Bytes tables = Concat({stsz, stsc, co64, stts});
    PutU32BE(stbl, 12, uint32_t(16 + tables.size()));
    AppendBytes(stbl, tables);
    const Bytes minf = Box("minf", stbl);
    const Bytes mdia =
        Box("mdia", Concat({FullBox("mdhd", U32BE({0, 0, 10, 90})),
                            FullBox("hdlr", Concat({U32BE({0}), Text("meta")})), minf}));
    Bytes file = Concat({Box("moov", Box("trak", mdia))});
    file.resize(300, 0);
    MemoryByteSource src(file);
    const std::vector<::MovieTrack> tracks = ListMovieTracks(src);
    ASSERT_EQ(tracks.size(), 1u);
    const std::vector<TrackSample> s = ReadTrackSamples(src, tracks[0]);
    ASSERT_EQ(s.size(), 4u);  // chunk 2 holds samples 3 and 4; the 5th would need chunk 3
    EXPECT_EQ(s[0].offset, 100u);
    EXPECT_EQ(s[1].offset, 101u);
    EXPECT_EQ(s[2].offset, 200u);
    EXPECT_EQ(s[3].offset, 203u);
    EXPECT_DOUBLE_EQ(s[0].seconds, 0.0);
    EXPECT_DOUBLE_EQ(s[1].seconds, 1.0);
    EXPECT_DOUBLE_EQ(s[3].seconds, 5.0);
}

// Counts far beyond what the file holds are bounded before anything is allocated.
TEST(TrackSamples, ClaimedCountsAreBounded) {
    FixtureMovie m;
    m.tracks.push_back({"meta", "gpmd", {}, {Text("x")}});
    Bytes file = WriteMovie(m);
    // A uniform sample size with 2^32-1 samples in one chunk, and a table count of 2^32-1.
    for (const char* box : {"stsz", "stsc", "stco", "stts"}) {
        Bytes bad = file;
        const size_t at = std::search(bad.begin(), bad.end(), box, box + 4) - bad.begin();
        ASSERT_LT(at, bad.size());
        if (std::string(box) == "stsz")
            PutU32BE(bad, at + 8, 1);  // uniform size 1
        PutU32BE(bad, at + (std::string(box) == "stsz" ? 12 : 8), 0xFFFFFFFF);
        if (std::string(box) == "stsc")
            PutU32BE(bad, at + 16, 0xFFFFFFFF);
        MemoryByteSource src(bad);
        const std::vector<TrackSample> s = ReadTrackSamples(src, ListMovieTracks(src).at(0));
        EXPECT_LE(s.size(), kMaxTrackSamples) << box;
    }
}

}  // namespace

namespace {

// Reads within the window come from memory, others refill it; the end of the data shortens a
// read; capacity 0 reads exactly what is asked.
TEST(WindowedReader, ServesNeighbouringReadsAndStopsAtTheEnd) {
    Bytes data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7);
    for (size_t capacity : {size_t(0), size_t(64), size_t(4096)}) {
        MemoryByteSource src(data);
        WindowedReader reader(src, capacity);
        for (const auto& [at, count] : std::vector<std::pair<uint64_t, size_t>>{
                 {0, 10}, {5, 10}, {60, 10}, {3, 100}, {990, 20}, {999, 1}, {1000, 4}, {5000, 4}}) {
            size_t got = 99;
            const uint8_t* p = reader.Read(at, count, got);
            EXPECT_EQ(got, at >= 1000 ? 0 : std::min<size_t>(count, 1000 - at)) << at;
            for (size_t i = 0; i < got; ++i)
                ASSERT_EQ(p[i], uint8_t((at + i) * 7)) << capacity << " " << at << " " << i;
        }
    }
}

}  // namespace
