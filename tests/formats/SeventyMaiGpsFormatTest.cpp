// 70mai's top-level "GPS " box: the real clip and the fixtures against ExifTool, and the
// records that lie.
#include "ByteSource.h"
#include "ExifToolOracle.h"
#include "FormatRegistry.h"
#include "SeventyMaiFixture.h"
#include "TelemetryStore.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace velto::testing;

const std::string kRealClip = std::string(VELTO_REALCAMS_DIR) + "/70mai-gps-box.MP4";

TelemetryReading ReadUntagged(TelemetryStore& store, const std::string& path) {
    return ReadTelemetry(store, path, ChipsetKind::UserDataIndexFallback, false);
}

TelemetryReading ReadUntagged(TelemetryStore& store, const Bytes& file) {
    MemoryByteSource src(file);
    return ReadTelemetry(store, src, "", ChipsetKind::UserDataIndexFallback, false);
}

tagAssistInfo Sample(const TelemetryStore& store, int i) {
    tagAssistInfo s;
    EXPECT_EQ(store.GetSample(i, s), 0) << i;
    return s;
}

TEST(SeventyMaiGps, RealClipAgreesWithExifTool) {
    TelemetryStore store;
    const TelemetryReading r = ReadUntagged(store, kRealClip);
    ASSERT_EQ(r.format, TelemetryFormatId::SeventyMaiGps) << kRealClip;
    EXPECT_EQ(r.count, 61);
    EXPECT_EQ(PositionedSeconds(store).size(), 61u);
    EXPECT_TRUE(AgreesWithExifTool(store, RunExifTool(kRealClip), 1e-6));
}

// Every one of the 61 fixes of the CSV that ExifTool wrote from the clip, in order, one a
// second; speed from the record (105.33 km/h at second 0); no UTC time.
TEST(SeventyMaiGps, RealClipMatchesTheExifToolCsvFixByFix) {
    std::ifstream csv(std::string(VELTO_REALCAMS_DIR) + "/70mai-gps-box.exiftool.csv");
    ASSERT_TRUE(csv.good());
    TelemetryStore store;
    ReadUntagged(store, kRealClip);
    std::string line;
    std::getline(csv, line);  // header
    int i = 0;
    while (std::getline(csv, line)) {
        const size_t a = line.find(','), b = line.find(',', a + 1);
        const tagAssistInfo s = Sample(store, i);
        EXPECT_NEAR(std::stod(s.latitude), std::stod(line.substr(a + 1, b - a - 1)), 1e-6) << i;
        EXPECT_NEAR(std::stod(s.longitude), std::stod(line.substr(b + 1)), 1e-6) << i;
        EXPECT_FALSE(HasUtcTime(s)) << i;
        ++i;
    }
    EXPECT_EQ(i, 61);
    EXPECT_EQ(Sample(store, 0).speed, 105);
}

TEST(SeventyMaiGps, FixturesAgreeWithExifTool) {
    std::vector<SeventyMaiRecord> southWest = SeventyMaiDrive(12, -33.8688, -151.2093 + 0.5);
    southWest.erase(southWest.begin() + 5);  // a second without a record
    const struct {
        const char* name;
        Bytes file;
        int positions;
    } cases[] = {
        {"north-east",
         SeventyMaiRecording(SeventyMaiGpsBox(SeventyMaiRecords(SeventyMaiDrive(20, 52.19, 20.78))),
                             20, 1700000000),
         20},
        {"south-west with a gap",
         SeventyMaiRecording(SeventyMaiGpsBox(SeventyMaiRecords(southWest), 40), 12, 1700000000),
         11},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.Write("clip.MP4", c.file);
        TelemetryStore store;
        const TelemetryReading r = ReadUntagged(store, path);
        EXPECT_EQ(r.format, TelemetryFormatId::SeventyMaiGps) << c.name;
        EXPECT_EQ(int(PositionedSeconds(store).size()), c.positions) << c.name;
        EXPECT_TRUE(AgreesWithExifTool(store, RunExifTool(path), 1e-6)) << c.name;
    }
}

// Records that lie, a second index that runs backwards, fixes that are none, and boxes in the
// wrong place or reaching past the file.
TEST(SeventyMaiGps, RecordsThatLieAreSkipped) {
    std::vector<Bytes> records = SeventyMaiRecords(SeventyMaiDrive(6, 10.5, 20.5));
    records[1][16] = 'X';               // no hemisphere letter
    PutU32LE(records[2], 17, 1059999);  // 10 degrees 59.999 minutes: the largest valid value
    PutU32LE(records[3], 22, 2060000);  // 60 minutes: malformed
    PutU32LE(records[4], 8, 0);         // runs back to second 0: the first fix of second 0 stays
    Bytes noFix = SeventyMaiRecordBytes({7, 0.0, 0.0, 0.0});  // 0,0 is no fix
    Bytes farAhead = SeventyMaiRecordBytes({4000000000u, 1.0, 1.0, 1.0});
    records.push_back(noFix);
    records.push_back(farAhead);
    TelemetryStore store;
    ASSERT_EQ(ReadUntagged(store, SeventyMaiRecording(SeventyMaiGpsBox(records), 10)).format,
              TelemetryFormatId::SeventyMaiGps);
    ASSERT_EQ(store.GetCount(), 6);
    EXPECT_EQ(PositionedSeconds(store), (std::vector<int>{0, 2, 5}));
    EXPECT_EQ(Sample(store, 0).latitude, "10.5000000");
    EXPECT_EQ(Sample(store, 2).latitude, "10.9999833");
    EXPECT_EQ(Sample(store, 5).speed, 55);
}

TEST(SeventyMaiGps, AnAllZeroRecordEndsTheList) {
    std::vector<Bytes> records = SeventyMaiRecords(SeventyMaiDrive(6, 10.5, 20.5));
    records.insert(records.begin() + 3, Zeros(36));
    TelemetryStore store;
    ReadUntagged(store, SeventyMaiRecording(SeventyMaiGpsBox(records), 10));
    EXPECT_EQ(PositionedSeconds(store), (std::vector<int>{0, 1, 2}));
}

TEST(SeventyMaiGps, OnlyAWholeTopLevelBoxIsClaimed) {
    const Bytes box = SeventyMaiGpsBox(SeventyMaiRecords(SeventyMaiDrive(3, 10.5, 20.5)));
    FixtureMovie inMoov;
    inMoov.durationMs = 3000;
    inMoov.moovExtra.push_back(box);
    Bytes pastTheEnd = SeventyMaiRecording(box, 3);
    PutU32BE(pastTheEnd, pastTheEnd.size() - box.size(), uint32_t(box.size() + 1));
    const Bytes tooSmall = SeventyMaiRecording(Box("GPS ", Zeros(35)), 3);
    for (const Bytes& file : {WriteMovie(inMoov), pastTheEnd, tooSmall}) {
        MemoryByteSource src(file);
        const std::string noPath;
        EXPECT_FALSE(FormatById(TelemetryFormatId::SeventyMaiGps)->Claims({src, noPath}));
        TelemetryStore store;
        EXPECT_EQ(ReadUntagged(store, file).format, TelemetryFormatId::None);
    }
}

// A recording that a tag (or sidecar) gave a layout of ours, whose layout yields no position,
// is read in the box it carries.
TEST(SeventyMaiGps, ReadsATaggedRecordingWhoseLayoutGivesNoPosition) {
    const Bytes file =
        SeventyMaiRecording(SeventyMaiGpsBox(SeventyMaiRecords(SeventyMaiDrive(5, 10.5, 20.5))), 5);
    MemoryByteSource src(file);
    TelemetryStore store;
    const TelemetryReading r = ReadTelemetry(store, src, "", ChipsetKind::UserDataIndex, true);
    EXPECT_EQ(r.format, TelemetryFormatId::SeventyMaiGps);
    EXPECT_EQ(PositionedSeconds(store).size(), 5u);
}

// A box of a million records in a recording of 10 seconds: no more records are read than the
// recording can hold (RecordLimit, 80 here), nor samples written.
TEST(SeventyMaiGps, RecordsAreBoundedByTheRecordingsDuration) {
    std::vector<Bytes> records;
    for (uint32_t i = 0; i < 2000; ++i)
        records.push_back(SeventyMaiRecordBytes({i, 10.0 + i * 1e-4, 20.0, 30.0}));
    Bytes file = SeventyMaiRecording(SeventyMaiGpsBox(records, 0), 10);
    TelemetryStore store;
    ReadUntagged(store, file);
    EXPECT_EQ(store.GetCount(), 80);
}

}  // namespace
