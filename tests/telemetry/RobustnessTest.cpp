// Bad input: a clear result, never a crash, a hang or a runaway allocation.
#include "AllocationProbe.h"
#include "BoxWalker.h"
#include "BoxWriter.h"
#include "ByteSource.h"
#include "TelemetryStore.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using namespace velto::testing;
using Extraction = int (TelemetryStore::*)(ByteSource&);

struct Layout {
    const char* name;
    Extraction extract;
};
const Layout kLayouts[] = {
    {"text track", &TelemetryStore::ExtractTextTrack},
    {"header blocks", &TelemetryStore::ExtractHeaderBlocks},
    {"interleaved", &TelemetryStore::ExtractInterleaved},
    {"user-data index", &TelemetryStore::ExtractUserDataIndex},
};

int Extract(Extraction extract, const Bytes& file) {
    TelemetryStore store;
    MemoryByteSource src(file);
    return (store.*extract)(src);
}

const TelemetryRecord kRecord = {1, 2, 3, "$GPRMC,1,A,2232.1234,N,11403.12345,W,1,2,3"};

// moov > trak(s) > mdia > (mdhd) minf > stbl > `table`, with `trakCount` tracks; padded so
// the file is about 2 KiB.
Bytes RecordingWithTable(const Bytes& table, int trakCount, uint32_t timescale = 1,
                         uint32_t duration = 2) {
    BoxWriter w;
    w.Raw(FtypBox()).Open("moov").Raw(MvhdBox());
    for (int t = 1; t < trakCount; ++t)
        w.Raw(TrakBox(StcoBox({0})));
    w.Open("trak").Open("mdia").Raw(MdhdBox(timescale, duration)).Open("minf").Open("stbl");
    w.Raw(table).Zeros(1500);
    w.Close().Close().Close().Close().Close();
    return w.Data();
}

TEST(Robustness, HugeTableCountsAllocateKilobytes) {
    const uint32_t billion = 1u << 30;
    struct Case {
        const char* name;
        Extraction extract;
        Bytes file;
    } cases[] = {
        {"stsz of 2^30 samples, single track", &TelemetryStore::ExtractInterleaved,
         RecordingWithTable(Concat({RawHeader(0xFFFFFFF0u, "stsz"), U32BE({0, 0, billion})}), 1)},
        {"stsz of 2^30 samples, one per second", &TelemetryStore::ExtractInterleaved,
         RecordingWithTable(Concat({RawHeader(0xFFFFFFF0u, "stsz"), U32BE({0, 0, 2})}), 1)},
        {"stco of 2^30 chunks, second track", &TelemetryStore::ExtractInterleaved,
         RecordingWithTable(Concat({RawHeader(0xFFFFFFF0u, "stco"), U32BE({0, billion})}), 2)},
        {"stco of 2^30 chunks, text track", &TelemetryStore::ExtractTextTrack,
         RecordingWithTable(Concat({RawHeader(0xFFFFFFF0u, "stco"), U32BE({0, billion})}), 3)},
    };
    for (Case& c : cases) {
        ASSERT_LT(c.file.size(), 2300u);
        ArmAllocationProbe();
        int count = Extract(c.extract, c.file);
        size_t largest = LargestAllocationSinceArmed();
        EXPECT_LE(count, 600) << c.name;
        EXPECT_LT(largest, 64u * 1024) << c.name;
    }
}

TEST(Robustness, DirectoriesAndFifosAreFilesThatCannotBeOpened) {
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const std::string fifo = dir.File("pipe.MOV");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    TelemetryStore store;
    for (const std::string& path : {dir.Path(), fifo}) {
        EXPECT_EQ(store.ExtractTextTrack(path), -1) << path;
        EXPECT_EQ(store.ExtractHeaderBlocks(path), -1) << path;
        EXPECT_EQ(store.ExtractInterleaved(path), -1) << path;
        EXPECT_EQ(store.ExtractUserDataIndex(path), -1) << path;
    }
}

TEST(Robustness, TruncationAtEveryByte) {
    const uint8_t key[8] = {'1', '2', '3', '4', '5', '6', '7', '8'};
    const std::string k = "87654321";
    const struct {
        Extraction extract;
        Bytes file;
    } fixtures[] = {
        {&TelemetryStore::ExtractTextTrack,
         TextTrackRecording({TextChunk(TabLine(kRecord), 9), TextChunk(TabLine(kRecord), 9),
                             KeyChunk("00000900"), TextChunk(TabLine(kRecord), 9)})},
        {&TelemetryStore::ExtractHeaderBlocks,
         HeaderBlockRecording(key, {kRecord, kRecord, kRecord}, true)},
        {&TelemetryStore::ExtractInterleaved,
         InterleavedSecondTrackRecording({FixedRecord(kRecord, k), FixedRecord(kRecord, k)})
             .Flatten()},
        {&TelemetryStore::ExtractInterleaved,
         SingleTrackRecording(ThirtyFpsLayout({FixedRecord(kRecord, k)}, 100)).Flatten()},
        {&TelemetryStore::ExtractUserDataIndex,
         UserDataIndexRecording({FixedRecord(kRecord), FixedRecord(kRecord)})},
    };
    for (const auto& f : fixtures) {
        const int full = Extract(f.extract, f.file);
        ASSERT_GT(full, 0);
        for (size_t len = 0; len < f.file.size(); ++len) {
            Bytes prefix(f.file.begin(), f.file.begin() + ptrdiff_t(len));
            int count = Extract(f.extract, prefix);
            ASSERT_GE(count, 0) << len;
            ASSERT_LE(count, full) << len;
        }
    }
}

TEST(Robustness, BoxSizesBelowEightEndTheWalk) {
    for (uint32_t size : {0u, 1u, 4u, 7u}) {
        // At the top level, before moov.
        Bytes top = Concat(
            {FtypBox(), RawHeader(size, "free"), Zeros(64),
             Box("moov", Concat({MvhdBox(), TrakBox({}), TrakBox({}), TrakBox(StcoBox({0}))}))});
        // Inside moov, before the tracks, and inside stbl before the table.
        Bytes inMoov = RecordingWithTable(Concat({RawHeader(size, "stts"), StcoBox({0})}), 3);
        Bytes inFirst = RecordingWithTable(Concat({RawHeader(size, "stsz"), Zeros(16)}), 1);
        for (const Layout& l : kLayouts) {
            EXPECT_EQ(Extract(l.extract, top), 0) << l.name << " " << size;
            EXPECT_LE(Extract(l.extract, inMoov), 1) << l.name << " " << size;
            EXPECT_EQ(Extract(l.extract, inFirst), 0) << l.name << " " << size;
        }
    }
}

TEST(Robustness, AllZeroAndAllOnesFiles) {
    for (uint8_t fill : {uint8_t(0), uint8_t(0xFF)}) {
        const Bytes file(4096, fill);
        for (const Layout& l : kLayouts)
            EXPECT_EQ(Extract(l.extract, file), 0) << l.name;
    }
}

// A recording whose moov and index lie beyond 4 GiB behind a hole: the walk seeks there
// with 64-bit positions; the track walks end cleanly at the 32-bit bound.
TEST(Robustness, SparseFileBeyondFourGiB) {
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    const Bytes index = UserDataIndexRecording({FixedRecord(kRecord), FixedRecord(kRecord)});
    // Take ftyp + mdat (the records) from the small recording, then put a hole of 4 GiB.
    const uint32_t mdatSize =
        uint32_t(index[24]) << 24 | index[25] << 16 | index[26] << 8 | index[27];
    const size_t head = 24 + mdatSize;
    SparseImage img;
    img.Put(0, Bytes(index.begin(), index.begin() + ptrdiff_t(head)));
    img.Put(head, RawHeader(0xFFFFFF00u, "skip"));
    const uint64_t far = head + 0xFFFFFF00ull;
    img.Put(far, RawHeader(0x10000000u, "free"));
    const uint64_t moovAt = far + 0x10000000ull;
    img.Put(moovAt, Bytes(index.begin() + ptrdiff_t(head), index.end()));
    const std::string path = dir.File("big.MOV");
    ASSERT_TRUE(img.WriteTo(path)) << "this file system holds no sparse file over 4 GiB";
    ASSERT_GT(img.Size(), 4ull << 30);

    TelemetryStore store;
    EXPECT_EQ(store.ExtractUserDataIndex(path), 2);
    tagAssistInfo s;
    store.GetSample(1, s);
    EXPECT_EQ(s.latitude, "22.535390");
    EXPECT_EQ(store.ExtractTextTrack(path), 0);
    EXPECT_EQ(store.ExtractInterleaved(path), 0);
    EXPECT_EQ(store.ExtractHeaderBlocks(path), 0);
}

// A table of entries that all point at one record claims far more records than the
// recording's duration allows (a 4 MB file of 2^20 chunk offsets once made 2^20 samples).
TEST(Robustness, RepeatedRecordsAreBoundedByTheDuration) {
    const uint32_t many = 1u << 20;
    const uint8_t key[8] = {};
    const std::vector<TelemetryRecord> blocks(3000, kRecord);
    // Tables of 5000 entries in a track whose mdhd says 60 s (1 s units), the movie header
    // none: the third track's chunk offsets at one text record, and a single track whose
    // sample count says one sample a second but whose size table holds 5000 words.
    const Bytes head = Concat({FtypBox(), Box("mdat", TextChunk(TabLine(kRecord)))});
    const std::vector<uint32_t> offsets(5000, uint32_t(kMediaDataStart));
    const Bytes trackOnly =
        Concat({head, Box("moov", Concat({MvhdBox(), TrakBox(StcoBox({0})), TrakBox(StcoBox({0})),
                                          TrakBox(StcoBox(offsets), 1, 60)}))});
    const Bytes sizes = Box("stsz", Concat({U32BE({0, 0, 60}), Zeros(4 * 5000)}));
    const Bytes singleTrack = Concat(
        {head, Box("moov", Concat({MvhdBox(), TrakBox(Concat({sizes, StcoBox(offsets)}), 1, 60),
                                   TaggedUserData("NT96650A")}))});
    const struct {
        const char* name;
        Extraction extract;
        Bytes file;
        uint64_t most;
    } cases[] = {
        {"text track, no duration", &TelemetryStore::ExtractTextTrack,
         OneRecordRepeated(RepeatedLayout::TextTrack, many), kMaxRecords},
        {"second track, no duration", &TelemetryStore::ExtractInterleaved,
         OneRecordRepeated(RepeatedLayout::SecondTrack, many), kMaxRecords},
        {"text track, mvhd of 60 s", &TelemetryStore::ExtractTextTrack,
         OneRecordRepeated(RepeatedLayout::TextTrack, many, MvhdBox(1000, 60000)), 180},
        {"second track, mvhd version 1 of 29.5 s", &TelemetryStore::ExtractInterleaved,
         OneRecordRepeated(RepeatedLayout::SecondTrack, many, MvhdBoxV1(90000, 2655000)), 120},
        {"text track, mdhd of 60 s", &TelemetryStore::ExtractTextTrack, trackOnly, 180},
        {"single track, mdhd of 60 s", &TelemetryStore::ExtractInterleaved, singleTrack, 180},
        {"header blocks, mvhd of 60 s", &TelemetryStore::ExtractHeaderBlocks,
         HeaderBlockRecording(key, blocks, false, MvhdBox(600, 36000)), 180},
    };
    for (const auto& c : cases) {
        const int count = Extract(c.extract, c.file);
        EXPECT_LE(uint64_t(count), c.most) << c.name;
        EXPECT_GE(uint64_t(count), c.most - 1) << c.name;  // the single track leaves slot 0
    }
}

TEST(Robustness, RecordingsWithinTheirDurationKeepEveryRecord) {
    const uint8_t key[8] = {};
    std::vector<Bytes> chunks, fixed;
    for (int i = 0; i < 100; ++i) {
        chunks.push_back(TextChunk(TabLine(kRecord)));
        fixed.push_back(FixedRecord(kRecord));
    }
    // Without a duration, and with 80 blocks in 10 s: twice the duration plus a minute.
    const Bytes blocks =
        HeaderBlockRecording(key, std::vector<TelemetryRecord>(80, kRecord), false, MvhdBox(1, 10));
    EXPECT_EQ(Extract(&TelemetryStore::ExtractTextTrack, TextTrackRecording(chunks)), 100);
    EXPECT_EQ(Extract(&TelemetryStore::ExtractHeaderBlocks, blocks), 80);
    EXPECT_EQ(Extract(&TelemetryStore::ExtractInterleaved,
                      SingleTrackRecording(ThirtyFpsLayout(fixed, 100)).Flatten()),
              100);
}

}  // namespace
