// Each record layout end to end over recordings built in memory.
#include "BoxWriter.h"
#include "ByteSource.h"
#include "TelemetryStore.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace velto::testing;
using Extraction = int (TelemetryStore::*)(ByteSource&);

int Extract(TelemetryStore& store, Extraction extract, const Bytes& file) {
    MemoryByteSource src(file);
    return (store.*extract)(src);
}

// Record i carries accelX = i thousandths, so each sample tells where it came from, and a
// sentence whose speed field is i knots.
TelemetryRecord Second(int i) {
    return {i, 2 * i, -i,
            "$GPRMC,1,A,2232.1234,N,11403.12345,W," + std::to_string(i) + ",45.5,230394"};
}

int Origin(const tagAssistInfo& s) {
    return int(std::lround(s.accelX * 1000.0f));
}

std::vector<int> Origins(const TelemetryStore& store) {
    std::vector<int> out;
    tagAssistInfo s;
    for (int i = 0; i < store.GetCount(); ++i) {
        store.GetSample(i, s);
        out.push_back(Origin(s));
    }
    return out;
}

void ExpectPositionOf(const TelemetryStore& store, int index, int second) {
    tagAssistInfo s;
    ASSERT_EQ(store.GetSample(index, s), 0);
    EXPECT_EQ(Origin(s), second);
    EXPECT_FLOAT_EQ(s.accelY, 0.002f * second);
    EXPECT_EQ(s.latitude, "22.535390");
    EXPECT_EQ(s.longitude, "-114.0520575");
    EXPECT_EQ(s.speed, int(second * 1.85));
    EXPECT_DOUBLE_EQ(s.course, 45.5);
}

std::vector<Bytes> FixedRecords(int count, const std::string& key = "",
                                RecordShift mode = RecordShift::Single) {
    std::vector<Bytes> out;
    for (int i = 0; i < count; ++i)
        out.push_back(FixedRecord(Second(i), key, mode));
    return out;
}

// --- text track -------------------------------------------------------------------------------

TEST(TextTrack, PlainLinesIncludingAnElevenByteOne) {
    std::vector<Bytes> chunks;
    for (int i = 0; i < 3; ++i)
        chunks.push_back(TextChunk(TabLine(Second(i))));
    chunks.push_back(TextChunk("9\t0\t0\tabcd"));  // n = 11, parsed as a line
    chunks.push_back(TextChunk(TabLine(Second(4))));
    TelemetryStore store;
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractTextTrack, TextTrackRecording(chunks)), 5);
    EXPECT_EQ(Origins(store), (std::vector<int>{0, 1, 2, 9, 4}));
    ExpectPositionOf(store, 4, 4);
}

TEST(TextTrack, LateKeyReleasesHeldShiftedLines) {
    const std::string key = "12345678";
    const uint8_t shift = uint8_t(DigitSumKey(key));
    std::vector<Bytes> chunks;
    for (int i = 0; i < 3; ++i)
        chunks.push_back(TextChunk(TabLine(Second(i)), shift));
    chunks.push_back(KeyChunk(key));
    chunks.push_back(TextChunk(TabLine(Second(4)), shift));
    TelemetryStore store;
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractTextTrack, TextTrackRecording(chunks)), 4);
    EXPECT_EQ(Origins(store), (std::vector<int>{0, 1, 2, 4}));
    for (int i = 0; i < 3; ++i)
        ExpectPositionOf(store, i, i);
    ExpectPositionOf(store, 3, 4);
}

TEST(TextTrack, OnlyTwentyLinesAreHeldBeforeTheKey) {
    const std::string key = "00002000";  // shift 4
    std::vector<Bytes> chunks;
    for (int i = 0; i < 25; ++i)
        chunks.push_back(TextChunk(TabLine(Second(i + 1)), 4));
    chunks.push_back(KeyChunk(key));
    chunks.push_back(TextChunk(TabLine(Second(100)), 4));
    chunks.push_back(TextChunk(TabLine(Second(101)), 4));
    TelemetryStore store;
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractTextTrack, TextTrackRecording(chunks)), 27);
    std::vector<int> expected;
    for (int i = 0; i < 20; ++i)
        expected.push_back(i + 1);
    expected.insert(expected.end(), {0, 0, 0, 0, 0, 100, 101});
    EXPECT_EQ(Origins(store), expected);
    tagAssistInfo empty;
    store.GetSample(22, empty);
    EXPECT_EQ(empty.latitude, "");
}

TEST(TextTrack, NoFormatNoSamplesAndTooFewTracks) {
    TelemetryStore store;
    const std::vector<Bytes> unknown = {TextChunk("no tabs here"), TextChunk("still nothing")};
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractTextTrack, TextTrackRecording(unknown)), 0);

    const std::vector<Bytes> lines = {TextChunk(TabLine(Second(1)))};
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractTextTrack, TextTrackRecording(lines, 2)), 0);
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractTextTrack, TextTrackRecording(lines, 4)), 1);
}

TEST(TextTrack, LongRecordsAreCutAndUnreadableLengthsAreEmptyLines) {
    std::string longLine = TabLine(Second(7)) + " " + std::string(900, 'x');
    std::vector<Bytes> chunks = {TextChunk(TabLine(Second(1))), TextChunk(longLine)};
    Bytes file = TextTrackRecording(chunks);
    TelemetryStore store;
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractTextTrack, file), 2);
    ExpectPositionOf(store, 1, 7);

    // A chunk offset past the end of the file: its line is empty, the sample is still there.
    Bytes beyond = TextTrackRecording({TextChunk(TabLine(Second(1))), TextChunk("x")});
    const size_t last = beyond.size() - 4;  // last stco entry
    PutU32BE(beyond, last, 0xFFFFFFF0u);
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractTextTrack, beyond), 2);
    tagAssistInfo s;
    store.GetSample(1, s);
    EXPECT_EQ(s.accelX, 0.0f);
    EXPECT_EQ(s.latitude, "");
}

// --- header blocks ----------------------------------------------------------------------------

TEST(HeaderBlocks, FreeFourthBoxMovesTheHeaderToTheFifth) {
    const uint8_t key[8] = {'3', '1', '4', '1', '5', '9', '2', '6'};
    std::vector<TelemetryRecord> records = {Second(1), Second(2), Second(3)};
    TelemetryStore store;
    for (bool fourthIsFree : {true, false}) {
        Bytes file = HeaderBlockRecording(key, records, fourthIsFree);
        EXPECT_EQ(Extract(store, &TelemetryStore::ExtractHeaderBlocks, file), 3) << fourthIsFree;
        EXPECT_EQ(Origins(store), (std::vector<int>{1, 2, 3}));
        ExpectPositionOf(store, 2, 3);
    }
}

TEST(HeaderBlocks, ZeroKeyPartialBlockAndBadSignature) {
    const uint8_t zero[8] = {};
    Bytes file = HeaderBlockRecording(zero, {Second(1), Second(2)});
    AppendZeros(file, 131);  // a partial block
    TelemetryStore store;
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractHeaderBlocks, file), 2);
    ExpectPositionOf(store, 1, 2);

    Bytes bad = HeaderBlockRecording(zero, {Second(1)});
    const size_t sig = bad.size() - 132 - 16;
    ASSERT_EQ(bad[sig], 'p');
    bad[sig] = 'P';
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractHeaderBlocks, bad), 0);

    Bytes zeroSize = HeaderBlockRecording(zero, {Second(1)});
    PutU32BE(zeroSize, 0, 0);  // s1 = 0
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractHeaderBlocks, zeroSize), 0);
}

// --- interleaved ------------------------------------------------------------------------------

TEST(Interleaved, SecondTrackChunkOffsetsPlus65536) {
    for (RecordShift mode : {RecordShift::Single, RecordShift::Double}) {
        Bytes file = InterleavedSecondTrackRecording(FixedRecords(5, "24681357", mode)).Flatten();
        TelemetryStore store;
        EXPECT_EQ(Extract(store, &TelemetryStore::ExtractInterleaved, file), 5);
        EXPECT_EQ(Origins(store), (std::vector<int>{0, 1, 2, 3, 4}));
        ExpectPositionOf(store, 3, 3);
        EXPECT_EQ(store.videoSamplesPerSecond, 1);  // the chosen (gps) track: 5 samples in 5 s
    }
}

TEST(Interleaved, SecondTrackDoesNotNeedSamplesPerSecond) {
    Bytes file = InterleavedSecondTrackRecording(FixedRecords(3), 0).Flatten();
    TelemetryStore store;
    store.videoSamplesPerSecond = 77;
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractInterleaved, file), 3);
    EXPECT_EQ(store.videoSamplesPerSecond, 0);
}

TEST(Interleaved, SingleTrackThirtyFpsOneRecordPerSecond) {
    // 1800 samples at 30 fps: K = 1803, 61 slots, slots 0..59 filled, slot 60 left out.
    Bytes file = SingleTrackRecording(ThirtyFpsLayout(FixedRecords(60, "11112222"))).Flatten();
    TelemetryStore store;
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractInterleaved, file), 60);
    EXPECT_EQ(store.videoSamplesPerSecond, 30);
    std::vector<int> expected(60);
    for (int i = 0; i < 60; ++i)
        expected[size_t(i)] = i;
    EXPECT_EQ(Origins(store), expected);
    ExpectPositionOf(store, 59, 59);
}

TEST(Interleaved, TrackChoiceByTheBoxAfterTheFirstTrak) {
    const SingleTrackLayout layout = ThirtyFpsLayout(FixedRecords(3));
    TelemetryStore store;
    // mvhd, trak, udta, trak: the first track.
    Bytes file = SingleTrackRecording(layout, MoovTail::UdtaThenTrak).Flatten();
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractInterleaved, file), 3);
    // mvhd, trak and the end of the file: no choice, no records.
    Bytes alone = SingleTrackRecording(layout, MoovTail::None).Flatten();
    EXPECT_EQ(Extract(store, &TelemetryStore::ExtractInterleaved, alone), 0);
}

TEST(Interleaved, TwentyFiveFpsFollowsTheTableArithmetic) {
    // 4 s at 25 fps: 100 samples of 2000 bytes, one per chunk. K = 103, sps = 25, 5 slots.
    // Sizes go to slots 0..3 (samples 25, 50, 75, 100); offsets of chunks 30, 60, 90 are
    // added to slots 0..2 and rounded up to 32 KiB; slot 3 keeps the bare size 2000; slot 4
    // is never filled and left out.
    SingleTrackLayout l;
    l.duration = 4 * l.timescale;
    for (uint32_t i = 0; i < 100; ++i) {
        l.sampleSizes.push_back(2000);
        l.chunkOffsets.push_back(uint32_t(kMediaDataStart + 2000 * i));
    }
    const uint64_t bases[4] = {RoundUp32K(2000 + l.chunkOffsets[29]),
                               RoundUp32K(2000 + l.chunkOffsets[59]),
                               RoundUp32K(2000 + l.chunkOffsets[89]), 2000};
    for (int k = 0; k < 4; ++k)
        l.placed.emplace_back(bases[k] + 48, FixedRecord(Second(k + 1)));
    TelemetryStore store;
    EXPECT_EQ(
        Extract(store, &TelemetryStore::ExtractInterleaved, SingleTrackRecording(l).Flatten()), 4);
    EXPECT_EQ(store.videoSamplesPerSecond, 25);
    EXPECT_EQ(Origins(store), (std::vector<int>{1, 2, 3, 4}));
}

TEST(Interleaved, UnformableSamplesPerSecondGivesNoRecords) {
    struct Case {
        const char* name;
        uint32_t timescale, duration;
    } cases[] = {{"timescale 0", 0, 90000},
                 {"under one second", 30000, 29999},
                 {"fewer samples than seconds", 1, 1000}};
    for (const Case& c : cases) {
        SingleTrackLayout l = ThirtyFpsLayout(FixedRecords(2));
        l.timescale = c.timescale;
        l.duration = c.duration;
        TelemetryStore store;
        EXPECT_EQ(
            Extract(store, &TelemetryStore::ExtractInterleaved, SingleTrackRecording(l).Flatten()),
            0)
            << c.name;
        EXPECT_EQ(store.videoSamplesPerSecond, 0) << c.name;
    }
}

// --- user-data index --------------------------------------------------------------------------

TEST(UserDataIndex, RecordsInIndexOrderGgaAndRmc) {
    std::vector<Bytes> records = FixedRecords(3);
    records.push_back(FixedRecord({3, 0, 0, "$GPGGA,1,2232.1234,N,11403.12345,W,1,08"}));
    TelemetryStore store;
    EXPECT_EQ(
        Extract(store, &TelemetryStore::ExtractUserDataIndex, UserDataIndexRecording(records)), 4);
    ExpectPositionOf(store, 2, 2);
    tagAssistInfo gga;
    store.GetSample(3, gga);
    EXPECT_EQ(gga.latitude, "22.535390");
    EXPECT_EQ(gga.speed, 0);
}

TEST(UserDataIndex, CountRules) {
    struct Case {
        int records;
        int32_t count;
        int expected;
    } cases[] = {{501, 501, 200}, {500, 500, 500}, {3, 10, 3},
                 {3, 0, 0},       {3, -5, 0},      {3, int32_t(0x80000000u), 0}};
    for (const Case& c : cases) {
        TelemetryStore store;
        Bytes file = UserDataIndexRecording(FixedRecords(c.records), c.count);
        EXPECT_EQ(Extract(store, &TelemetryStore::ExtractUserDataIndex, file), c.expected)
            << c.count;
    }
}

TEST(AllLayouts, NoMoovMeansNoSamples) {
    Bytes file = Concat({FtypBox(), Box("mdat", Zeros(4000)), Box("free", Zeros(8))});
    TelemetryStore store;
    for (Extraction e : std::initializer_list<Extraction>{&TelemetryStore::ExtractTextTrack,
                                                          &TelemetryStore::ExtractInterleaved,
                                                          &TelemetryStore::ExtractUserDataIndex})
        EXPECT_EQ(Extract(store, e, file), 0);
}

}  // namespace
