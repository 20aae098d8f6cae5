// Novatek "freeGPS " blocks: every variant read from a fixture, checked against ExifTool, and
// the edges of the index and of the mdat scan.
#include "ByteSource.h"
#include "ExifToolOracle.h"
#include "FormatRegistry.h"
#include "NovatekWriter.h"
#include "TelemetryStore.h"
#include "UtcTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

using namespace velto::testing;

// Three seconds due north at 50 km/h, the course field 10 degrees (a variant without one gets
// the bearing, 0); accelerations in the variant's units.
std::vector<NovatekFix> Drive(int scaleOfOneG) {
    std::vector<NovatekFix> fixes(3);
    for (int i = 0; i < 3; ++i) {
        fixes[i].latitude = 47.628422 + 0.0002 * i;
        fixes[i].longitude = -122.321;
        fixes[i].second = i;
        fixes[i].course = 10.0;
        fixes[i].ax = scaleOfOneG / 4 * i;
        fixes[i].ay = -scaleOfOneG / 2;
        fixes[i].az = scaleOfOneG;
    }
    return fixes;
}

using BlockWriter = std::function<Bytes(const NovatekFix&)>;

std::vector<Bytes> Blocks(const BlockWriter& write, const std::vector<NovatekFix>& fixes) {
    std::vector<Bytes> blocks;
    for (const NovatekFix& f : fixes)
        blocks.push_back(write(f));
    return blocks;
}

TelemetryReading ReadUntagged(TelemetryStore& store, const std::string& path) {
    return ReadTelemetry(store, path, ChipsetKind::UserDataIndex, false);
}

tagAssistInfo Sample(const TelemetryStore& store, int i) {
    tagAssistInfo s;
    EXPECT_EQ(store.GetSample(i, s), 0) << i;
    return s;
}

struct VariantCase {
    const char* name;
    BlockWriter write;
    int oneG;            // the variant's raw value of 1 g; 0: no accelerations
    bool course = true;  // the variant stores a course
};

const std::vector<VariantCase>& IndexedVariants() {
    static const std::vector<VariantCase> cases = {
        {"classic", [](const NovatekFix& f) { return ClassicBlock(f); }, 0},
        {"classic with doubles", [](const NovatekFix& f) { return ClassicBlock(f, true); }, 0},
        {"compact with G-sensor", [](const NovatekFix& f) { return CompactBlock(f); }, 256},
        {"XOR Azdome", [](const NovatekFix& f) { return XorBlock(f, false); }, 100, false},
        {"XOR EEEkit", [](const NovatekFix& f) { return XorBlock(f, true); }, 100, false},
        {"NMEA text", [](const NovatekFix& f) { return NmeaTextBlock(f); }, 256},
        {"Akaso", [](const NovatekFix& f) { return AkasoBlock(f); }, 0},
        {"shifted NMEA", [](const NovatekFix& f) { return ShiftedNmeaBlock(f); }, 0},
        {"Vantrue S1", [](const NovatekFix& f) { return VantrueS1Block(f); }, 1000},
    };
    return cases;
}

void ExpectDrive(const TelemetryStore& store, const VariantCase& c, int firstSecond = 0) {
    const std::vector<NovatekFix> drive = Drive(c.oneG);
    for (int i = 0; i < 3; ++i) {
        const tagAssistInfo s = Sample(store, firstSecond + i);
        ASSERT_TRUE(HasUsablePosition(s)) << c.name << " " << i;
        EXPECT_NEAR(std::stod(s.latitude), drive[i].latitude, 1e-5) << c.name;
        EXPECT_NEAR(std::stod(s.longitude), drive[i].longitude, 1e-5) << c.name;
        EXPECT_NEAR(s.speed, 50, 1) << c.name;
        EXPECT_NEAR(s.course, c.course ? 10.0 : 0.0, 1e-3) << c.name;
        EXPECT_EQ(IsoUtcText(s.utcMillis), "2024-07-15T08:15:0" + std::to_string(i) + "Z")
            << c.name;
        if (c.oneG != 0) {
            EXPECT_NEAR(s.accelX, 0.25 * i, 0.01) << c.name;
            EXPECT_NEAR(s.accelY, -0.5, 0.01) << c.name;
            EXPECT_NEAR(s.accelZ, 1.0, 0.01) << c.name;
        }
    }
}

TEST(NovatekIndex, EveryVariantAgreesWithExifTool) {
    TempDir dir;
    for (const VariantCase& c : IndexedVariants()) {
        const std::string path =
            dir.Write("FILE.MOV", NovatekIndexedRecording(Blocks(c.write, Drive(c.oneG))));
        TelemetryStore store;
        const TelemetryReading r = ReadUntagged(store, path);
        EXPECT_EQ(r.format, TelemetryFormatId::NovatekIndex) << c.name;
        ASSERT_EQ(r.count, 3) << c.name;
        ExpectDrive(store, c);
        EXPECT_TRUE(AgreesWithExifTool(store, RunExifTool(path))) << c.name;
    }
}

// Void blocks, zero positions, a block past the end of the file and a block without the
// header keep their second but give it no position; the compact layout's placeholder
// accelerations are no reading.
TEST(NovatekIndex, VoidAndMissingBlocksKeepTheirSecond) {
    NovatekFix voidFix, zero, placeholder;
    voidFix.status = 'V';
    zero.latitude = zero.longitude = 0.0;
    Bytes junk = ClassicBlock(NovatekFix());
    PutText(junk, 4, "freeGPX ");
    Bytes sixes = CompactBlock(placeholder);
    const uint8_t kPlaceholder[12] = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0};
    std::memcpy(&sixes[0x3C], kPlaceholder, 12);
    const Bytes file = NovatekIndexedRecording(
        {ClassicBlock(NovatekFix()), ClassicBlock(voidFix), ClassicBlock(zero), junk, sixes},
        {{0x7FFFFFF0u, 0x400}, {uint32_t(kMovieDataStart), 0x400}});
    TempDir dir;
    const std::string path = dir.Write("FILE.MOV", file);
    TelemetryStore store;
    ASSERT_EQ(ReadUntagged(store, path).count, 7);
    const bool positioned[7] = {true, false, false, false, true, false, true};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(HasUsablePosition(Sample(store, i)), positioned[i]) << i;
    EXPECT_EQ(Sample(store, 1).latitude, "");
    EXPECT_FLOAT_EQ(Sample(store, 4).accelX, 0.0f);
    EXPECT_TRUE(AgreesWithExifTool(store, RunExifTool(path)));
}

// 2^20 entries, all pointing at one block: read no further than the movie's duration allows
// (2 s + 60 spare), without reading the list the header claims.
TEST(NovatekIndex, HugeIndexIsBoundedByTheDuration) {
    Bytes file = NovatekIndexedRecording({ClassicBlock(NovatekFix()), ClassicBlock(NovatekFix())},
                                         std::vector<std::pair<uint32_t, uint32_t>>(
                                             (1u << 20) - 2, {uint32_t(kMovieDataStart), 0x400}));
    MemoryByteSource src(file);
    TelemetryStore store;
    const TelemetryReading r = ReadTelemetry(store, src, "", ChipsetKind::UserDataIndex, false);
    EXPECT_EQ(r.format, TelemetryFormatId::NovatekIndex);
    EXPECT_EQ(r.count, 2 * 2 + 60);
}

// A tag of our own camera family chose a layout that holds no position: the Novatek blocks
// the recording carries are read instead.
TEST(NovatekIndex, TaggedRecordingWithoutPositionsFallsBackToIt) {
    const Bytes file = NovatekIndexedRecording(Blocks(IndexedVariants()[0].write, Drive(0)));
    MemoryByteSource src(file);
    TelemetryStore store;
    const TelemetryReading r = ReadTelemetry(store, src, "", ChipsetKind::TextTrack, true);
    EXPECT_EQ(r.format, TelemetryFormatId::NovatekIndex);
    EXPECT_EQ(r.count, 3);
}

const std::vector<VariantCase>& ScannedVariants() {
    static const std::vector<VariantCase> cases = {
        {"classic", [](const NovatekFix& f) { return ClassicBlock(f, false, 0x8000); }, 0},
        {"classic IQS", [](const NovatekFix& f) { return ClassicIqsBlock(f); }, 0, false},
        {"type 2", [](const NovatekFix& f) { return TypeTwoBlock(f); }, 1000},
        {"Vantrue N4", [](const NovatekFix& f) { return VantrueN4Block(f); }, 1000},
    };
    return cases;
}

TEST(NovatekScan, EveryVariantAgreesWithExifTool) {
    TempDir dir;
    for (const VariantCase& c : ScannedVariants()) {
        for (size_t lead : {size_t(0x8000 - 32), size_t(1000)}) {  // on 32 KiB boundaries or not
            const std::string path =
                dir.Write("FILE.MP4", NovatekScanRecording(Blocks(c.write, Drive(c.oneG)), lead));
            TelemetryStore store;
            const TelemetryReading r = ReadUntagged(store, path);
            EXPECT_EQ(r.format, TelemetryFormatId::NovatekScan) << c.name << " " << lead;
            ASSERT_EQ(r.count, 3) << c.name << " " << lead;
            ExpectDrive(store, c);
            EXPECT_TRUE(AgreesWithExifTool(store, RunExifTool(path))) << c.name;
        }
    }
}

// Blocks of different sizes with video data between them, not on 32 KiB boundaries.
TEST(NovatekScan, BlocksBetweenOtherData) {
    const VariantCase& c = ScannedVariants()[2];
    std::vector<Bytes> blocks = Blocks(c.write, Drive(c.oneG));
    blocks[1].resize(0x400);
    PutU32BE(blocks[1], 0, 0x400);
    TempDir dir;
    const std::string file = dir.Write("FILE.MP4", NovatekScanRecording(blocks, 77, 5000));
    TelemetryStore store;
    ASSERT_EQ(ReadUntagged(store, file).count, 3);
    ExpectDrive(store, c);
    EXPECT_TRUE(AgreesWithExifTool(store, RunExifTool(file)));
}

// Between the frames of a video track: only what the frames leave uncovered is scanned. A
// header inside a frame's bytes is not a block.
TEST(NovatekScan, BlocksBetweenVideoFrames) {
    const VariantCase& c = ScannedVariants()[3];
    std::vector<Bytes> blocks = Blocks(c.write, Drive(c.oneG));
    for (Bytes& b : blocks) {
        b.resize(0x300);
        PutU32BE(b, 0, 0x300);
    }
    Bytes file = NovatekBetweenFramesRecording(blocks);
    // A copy of a block inside the first frame.
    std::copy(blocks[2].begin(), blocks[2].begin() + 0x100, file.begin() + kMovieDataStart + 8);
    TempDir dir;
    const std::string path = dir.Write("FILE.MP4", file);
    TelemetryStore store;
    const TelemetryReading r = ReadUntagged(store, path);
    EXPECT_EQ(r.format, TelemetryFormatId::NovatekScan);
    ASSERT_EQ(r.count, 3);
    ExpectDrive(store, c);
}

// A recording cut short: mdat claims more than the file holds, and the blocks in it are read.
TEST(NovatekScan, RecordingCutShort) {
    Bytes file = NovatekScanRecording(Blocks(ScannedVariants()[0].write, Drive(0)), 1000, 0, 100);
    const size_t moov =
        std::search(file.begin(), file.end(), "moov", "moov" + 4) - file.begin() - 4;
    file.resize(moov);
    MemoryByteSource src(file);
    TelemetryStore store;
    EXPECT_EQ(ReadTelemetry(store, src, "", ChipsetKind::UserDataIndexFallback, false).count, 3);
}

// No block within the first 20 MB of mdat: the scan gives up, as ExifTool does, and the
// recording has no samples.
TEST(NovatekScan, NothingInTheFirstTwentyMegabytes) {
    const Bytes late =
        NovatekScanRecording(Blocks(ScannedVariants()[0].write, Drive(0)), 20000000 + 0x8000 - 32);
    const Bytes early =
        NovatekScanRecording(Blocks(ScannedVariants()[0].write, Drive(0)), 19000000);
    TelemetryStore store;
    MemoryByteSource lateSrc(late), earlySrc(early);
    EXPECT_EQ(ReadTelemetry(store, lateSrc, "", ChipsetKind::UserDataIndex, false).format,
              TelemetryFormatId::None);
    EXPECT_EQ(store.GetCount(), 0);
    EXPECT_EQ(ReadTelemetry(store, earlySrc, "", ChipsetKind::UserDataIndex, false).format,
              TelemetryFormatId::NovatekScan);
    EXPECT_EQ(store.GetCount(), 3);
}

}  // namespace
