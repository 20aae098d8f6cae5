// BlackVue's "free" box: the NMEA log in "gps " timed by "sttm", accelerations in "3gf ",
// against ExifTool, and the log's edge cases (formats/BlackVueLogs.h).
#include "BlackVueFixture.h"
#include "ByteSource.h"
#include "ExifToolOracle.h"
#include "FormatRegistry.h"
#include "PerSecondResampler.h"
#include "TelemetryStore.h"
#include "UtcTime.h"
#include "formats/BlackVueLogs.h"

#include <gtest/gtest.h>

namespace {

using namespace velto::testing;

// 2018-09-30 00:24:06 UTC; the camera's clock runs 10 hours ahead (local time).
constexpr int64_t kUtcStart = 1538267046000;
constexpr int64_t kCameraStart = kUtcStart + 10 * 3600 * 1000;

TelemetryReading ReadUntagged(TelemetryStore& store, const Bytes& file) {
    MemoryByteSource src(file);
    return ReadTelemetry(store, src, "", ChipsetKind::UserDataIndexFallback, false);
}

tagAssistInfo Sample(const TelemetryStore& store, int i) {
    tagAssistInfo s;
    EXPECT_EQ(store.GetSample(i, s), 0) << i;
    return s;
}

// The samples of an NMEA log alone (no start time).
TelemetryStore ReadLog(const std::string& log, int64_t startMs = kNoLogStart) {
    MemoryByteSource src(reinterpret_cast<const uint8_t*>(log.data()), log.size());
    PerSecondResampler r(1000);
    ReadNmeaLog(src, 0, log.size(), startMs, r);
    TelemetryStore store;
    r.WriteTo(store);
    return store;
}

TEST(BlackVue, FixturesAgreeWithExifTool) {
    std::vector<NmeaFix> south = NmeaDrive(15, kUtcStart, -27.4705, 153.0260, 3);
    south[8].course = NAN;  // an empty course field
    std::vector<NmeaFix> gap = NmeaDrive(10, kUtcStart, 47.6284, -122.3321);
    gap.erase(gap.begin() + 4, gap.begin() + 6);
    const struct {
        const char* name;
        Bytes file;
        std::vector<int> positioned;
    } cases[] = {
        {"south-east, 3 void seconds, with 3gf",
         BlackVueRecording(BlackVueFreeBox(kCameraStart, NmeaLogText(south, kCameraStart, true),
                                           ThreeGfRecords(ThreeGfDrive(15, 98))),
                           15),
         {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
        {"north-west, a gap, no 3gf",
         BlackVueRecording(BlackVueFreeBox(kCameraStart, NmeaLogText(gap, kCameraStart, true), {}),
                           10),
         {0, 1, 2, 3, 6, 7, 8, 9}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.Write("20180930_102406_NF.mp4", c.file);
        TelemetryStore store;
        const TelemetryReading r =
            ReadTelemetry(store, path, ChipsetKind::UserDataIndexFallback, false);
        EXPECT_EQ(r.format, TelemetryFormatId::BlackVue) << c.name;
        EXPECT_EQ(PositionedSeconds(store), c.positioned) << c.name;
        EXPECT_TRUE(AgreesWithExifTool(store, RunExifTool(path), 1e-6)) << c.name;
    }
}

TEST(BlackVue, SamplesCarryUtcSpeedCourseAndScaledAccelerations) {
    std::vector<NmeaFix> fixes = NmeaDrive(4, kUtcStart, 47.0, 8.0);
    fixes[2].course = NAN;
    TelemetryStore store;
    ReadUntagged(store, BlackVueRecording(
                            BlackVueFreeBox(kCameraStart, NmeaLogText(fixes, kCameraStart, true),
                                            ThreeGfRecords(ThreeGfDrive(4, 256))),
                            4));
    ASSERT_EQ(store.GetCount(), 4);
    const tagAssistInfo s1 = Sample(store, 1);
    EXPECT_EQ(IsoUtcText(s1.utcMillis), "2018-09-30T00:24:07Z");
    EXPECT_EQ(s1.speed, 38);  // 21 knots
    EXPECT_DOUBLE_EQ(s1.course, 45.0);
    // Gravity (256 raw units) is 1 g; x is 1 raw unit throughout second 1.
    EXPECT_NEAR(s1.accelZ, 1.0, 1e-4);
    EXPECT_NEAR(s1.accelX, 1.0 / 256, 1e-4);
    // An empty course is derived from the positions: north-east.
    EXPECT_GT(Sample(store, 2).course, 30.0);
    EXPECT_LT(Sample(store, 2).course, 60.0);
}

// Without "sttm" the first "[ms]" of the log is the start; sentences without a prefix follow
// the last one by their UTC time of day, over midnight too.
TEST(BlackVue, LogClock) {
    NmeaFix late;
    late.utcMillis = int64_t(17800) * 86400000 + 86399000;  // 23:59:59
    late.latitude = 10.0;
    late.longitude = 20.0;
    NmeaFix afterMidnight = late;
    afterMidnight.utcMillis += 2000;  // 00:00:01 the next day
    afterMidnight.latitude = 10.001;
    const std::string log = "[5000]" + RmcText(late) + "\r\n" + RmcText(afterMidnight) + "\r\n";
    const TelemetryStore noStart = ReadLog(log);
    EXPECT_EQ(PositionedSeconds(noStart), (std::vector<int>{0, 2}));
    EXPECT_EQ(Sample(noStart, 2).latitude, "10.0010000");
    EXPECT_EQ(IsoUtcText(Sample(noStart, 2).utcMillis), "2018-09-27T00:00:01Z");
    // With a start 3 s before the first prefix.
    EXPECT_EQ(PositionedSeconds(ReadLog(log, 2000)), (std::vector<int>{3, 5}));
    // A prefix belongs only to the '$' right after it; a line of only "[ms]" times nothing.
    const TelemetryStore detached = ReadLog("[9000]\r\n[1000] " + RmcText(late) + "\r\n", 0);
    EXPECT_EQ(PositionedSeconds(detached), (std::vector<int>{0}));
}

// What a log may hold besides good sentences: void and broken fixes, garbage numbers, a
// sentence running into the next "[ms]", overlong lines, times that run backwards.
TEST(BlackVue, LogEdgeCases) {
    NmeaFix f;
    f.utcMillis = kUtcStart;
    f.latitude = 47.5;
    f.longitude = 8.5;
    const std::string good = RmcText(f);
    auto Replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    const struct {
        const char* name;
        std::string log;
        bool fix;
    } cases[] = {
        {"good, wrong checksum", Replaced("*", "*00#"), true},
        {"other talker", Replaced("$GP", "$GN"), true},
        {"no checksum, no date", good.substr(0, good.rfind(',', good.find(",,,A") - 1)), true},
        {"void", Replaced(",A,", ",V,"), false},
        {"nan latitude", Replaced("4730.0000", "nan"), false},
        {"inf longitude", Replaced("00830.0000", "inf"), false},
        {"exponent", Replaced("4730.0000", "4.73e3"), false},
        {"negative latitude", Replaced("4730.0000", "-4730.0000"), false},
        {"61 minutes", Replaced("4730.0000", "4761.0000"), false},
        {"beyond the pole", Replaced("4730.0000", "9100.0000"), false},
        {"hemisphere missing", Replaced(",N,", ",,"), false},
        {"no time", Replaced("002406.00", ""), false},
        {"overlong", Replaced(",,,A", std::string(200, ',')), false},
        {"lower-case talker", Replaced("$GP", "$gp"), false},
        {"runs into the next prefix", "[100]$GPRMC,002406.00,A,4730.0000[200]" + good, true},
        {"NUL in the middle", Replaced("4730", std::string("47\0", 3) + "30"), false},
    };
    for (const auto& c : cases) {
        const TelemetryStore store = ReadLog(c.log + "\r\n");
        EXPECT_EQ(PositionedSeconds(store).size(), c.fix ? 1u : 0u) << c.name << ": " << c.log;
        if (c.fix) {
            EXPECT_EQ(Sample(store, PositionedSeconds(store)[0]).latitude, "47.5000000") << c.name;
        }
    }
    // Time that runs backwards: the earlier fix lands before the start and is dropped.
    NmeaFix before = f;
    before.utcMillis -= 5000;
    before.latitude = 1.0;
    EXPECT_EQ(PositionedSeconds(ReadLog(good + "\n" + RmcText(before) + "\n")),
              (std::vector<int>{0}));
    // A prefix of 30 digits is no prefix.
    EXPECT_EQ(PositionedSeconds(ReadLog("[" + std::string(30, '9') + "]" + good, 0)),
              (std::vector<int>{0}));
}

TEST(BlackVue, ThreeGfRecords) {
    const auto Accelerations = [](const Bytes& records) {
        MemoryByteSource src(records);
        PerSecondResampler r(100);
        Read3gfLog(src, 0, records.size(), r);
        TelemetryStore store;
        r.WriteTo(store);
        return store;
    };
    // Gravity on y: its median length is 1 g; the list ends at 0xFFFFFFFF.
    Bytes gravity = ThreeGfRecords({{100, 0, -50, 0}, {600, 10, -50, 0}, {1100, 0, -50, 0}});
    AppendBytes(gravity, ThreeGfRecords({{2100, 500, 500, 500}}, false));
    const TelemetryStore g = Accelerations(gravity);
    ASSERT_EQ(g.GetCount(), 2);
    EXPECT_NEAR(Sample(g, 0).accelY, -1.0, 1e-6);
    EXPECT_NEAR(Sample(g, 0).accelX, 0.1, 1e-6);
    // No common length (no gravity): ExifTool's tenths taken as m/s^2.
    const TelemetryStore noGravity =
        Accelerations(ThreeGfRecords({{0, 98, 0, 0}, {10, 0, 9, 0}, {20, 0, 0, 1}}, false));
    EXPECT_NEAR(Sample(noGravity, 0).accelX, 98 / 98.0665 / 3, 1e-6);
    // A partial record at the end is not read.
    Bytes partial = ThreeGfRecords({{0, 1, 1, 1}}, false);
    partial.resize(partial.size() + 9, 0x11);
    EXPECT_EQ(Accelerations(partial).GetCount(), 1);
}

TEST(BlackVue, OnlyAPittasoftFreeBoxWithALogIsClaimed) {
    const std::string log = NmeaLogText(NmeaDrive(2, kUtcStart, 47.0, 8.0), kCameraStart, true);
    Bytes notPittasoft =
        BlackVueRecording(Box("free", Concat({Box("abcd", Zeros(4)), Box("gps ", Text(log))})), 2);
    Bytes noLog = BlackVueRecording(BlackVueFreeBox(kCameraStart, "", {}), 2);
    Bytes logPastEnd = BlackVueRecording(BlackVueFreeBox(kCameraStart, log, {}), 2);
    PutU32BE(logPastEnd, logPastEnd.size() - log.size() - 64 - 8, uint32_t(log.size() + 1000));
    for (const Bytes& file : {notPittasoft, noLog}) {
        TelemetryStore store;
        EXPECT_EQ(ReadUntagged(store, file).format, TelemetryFormatId::None);
    }
    // A "gps " box reaching past its parent is not read; the box is still the camera's.
    TelemetryStore store;
    ReadUntagged(store, logPastEnd);
    EXPECT_EQ(store.GetCount(), 0);
}

}  // namespace
