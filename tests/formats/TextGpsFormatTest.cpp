// GPS in text and subtitle tracks: NMEA and every camera dialect from a fixture, checked
// against ExifTool, and the framing and detection edges.
#include "ByteSource.h"
#include "ExifToolOracle.h"
#include "FormatRegistry.h"
#include "TelemetryStore.h"
#include "TextGpsDialects.h"
#include "TextGpsWriter.h"
#include "UtcTime.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace velto::testing;

// Three seconds due north at 50 km/h with the course field 10 degrees.
std::vector<NovatekFix> Drive() {
    std::vector<NovatekFix> fixes(3);
    for (int i = 0; i < 3; ++i) {
        fixes[i].latitude = 33.9482 + 0.0002 * i;
        fixes[i].longitude = -84.3367;
        fixes[i].second = 10 + i;
        fixes[i].course = 10.0;
        fixes[i].ax = 25 * i;
        fixes[i].ay = -50;
        fixes[i].az = 100;
    }
    return fixes;
}

struct Dialect {
    const char* name;
    std::function<Bytes(const NovatekFix&)> sample;
    bool time = true;    // the dialect carries the UTC date and time
    bool course = true;  // ... a course (else the bearing, due north)
    double oneG = 0;     // accelerations: sample i carries (0.25 i, -0.5, 1) g; 0: none
    double positionTolerance = 1e-6;
};

const std::vector<Dialect>& Dialects() {
    static const std::vector<Dialect> d = {
        {"NMEA RMC and GGA",
         [](const NovatekFix& f) {
             return LengthPrefixed(RmcSentence(f) + "\r\n" + GgaSentence(f) + "\r\n");
         }},
        {"NMEA with a wrong checksum and encd",
         [](const NovatekFix& f) { return WithEncdTrailer(LengthPrefixed(RmcSentence(f, "GN"))); }},
        {"GGA only", [](const NovatekFix& f) { return LengthPrefixed(GgaSentence(f)); }, false,
         false},
        {"Thinkware", [](const NovatekFix& f) { return LengthPrefixed(ThinkwareText(f)); }},
        {"Mini 0806",
         [](const NovatekFix& f) {
             return LengthPrefixed(
                 Mini0806Text(f, 0.25 * f.ax / 25 * 9.80665, -0.5 * 9.80665, 9.80665));
         },
         true, false, 1},
        {"Roadhawk",
         [](const NovatekFix& f) {
             return LengthPrefixed(RoadhawkText(f, 0.25 * f.ax / 25, -0.5, 1.0));
         },
         true, true, 1},
        {"DJI", [](const NovatekFix& f) { return LengthPrefixed(DjiText(f)); }, false, false},
        {"E-PRANCE", [](const NovatekFix& f) { return EPranceSample(f); }},
        {"Ambarella XOR", [](const NovatekFix& f) { return XorTextSample(f, false); }, true, false,
         100, 1e-5},
        {"BlueSkySea XOR", [](const NovatekFix& f) { return XorTextSample(f, true); }, true, false,
         100, 1e-5},
        {"Garmin PNDM", [](const NovatekFix& f) { return PndmSample(f); }, false, false, 0, 1e-6},
    };
    return d;
}

tagAssistInfo Sample(const TelemetryStore& store, int i) {
    tagAssistInfo s;
    EXPECT_EQ(store.GetSample(i, s), 0) << i;
    return s;
}

void ExpectDrive(const TelemetryStore& store, const Dialect& d) {
    const std::vector<NovatekFix> drive = Drive();
    for (int i = 0; i < 3; ++i) {
        const tagAssistInfo s = Sample(store, i);
        ASSERT_TRUE(HasUsablePosition(s)) << d.name << " " << i;
        EXPECT_NEAR(std::stod(s.latitude), drive[i].latitude, d.positionTolerance) << d.name;
        EXPECT_NEAR(std::stod(s.longitude), drive[i].longitude, d.positionTolerance) << d.name;
        if (d.time) {
            EXPECT_EQ(IsoUtcText(s.utcMillis), "2024-07-15T08:15:1" + std::to_string(i) + "Z")
                << d.name;
        } else {
            EXPECT_FALSE(HasUtcTime(s)) << d.name;
        }
        if (std::string(d.name) != "GGA only") {
            EXPECT_NEAR(s.speed, 50, 1) << d.name;
        }
        EXPECT_NEAR(s.course, d.course ? 10.0 : 0.0, 1e-3) << d.name;
        if (d.oneG != 0) {
            EXPECT_NEAR(s.accelX, 0.25 * i, 0.01) << d.name;
            EXPECT_NEAR(s.accelY, -0.5, 0.01) << d.name;
            EXPECT_NEAR(s.accelZ, 1.0, 0.01) << d.name;
        }
    }
}

TEST(TextGps, EveryDialectAgreesWithExifTool) {
    TempDir dir;
    for (const Dialect& d : Dialects()) {
        std::vector<Bytes> samples;
        for (const NovatekFix& f : Drive())
            samples.push_back(d.sample(f));
        const std::string path = dir.Write("FILE.MP4", TextGpsRecording(samples));
        TelemetryStore store;
        const TelemetryReading r = ReadTelemetry(store, path, ChipsetKind::UserDataIndex, false);
        EXPECT_EQ(r.format, TelemetryFormatId::TextGps) << d.name;
        ASSERT_EQ(r.count, 3) << d.name;
        ExpectDrive(store, d);
        EXPECT_TRUE(AgreesWithExifTool(store, RunExifTool(path), 1e-5)) << d.name;
    }
}

// Subtitle handlers and tx3g entries are read too (ExifTool reads GPS only from "text"
// handlers, so no oracle here); a void fix and an empty sample keep their second empty.
TEST(TextGps, SubtitleTracksVoidFixesAndEmptySamples) {
    const std::vector<NovatekFix> drive = Drive();
    NovatekFix v = drive[1];
    v.status = 'V';
    const std::vector<Bytes> samples = {LengthPrefixed(RmcSentence(drive[0])),
                                        LengthPrefixed(RmcSentence(v)), Bytes{0, 0},
                                        LengthPrefixed(RmcSentence(drive[2]))};
    for (const char* handler : {"text", "sbtl", "subt"}) {
        for (const char* format : {"text", "tx3g"}) {
            const Bytes file = TextGpsRecording(samples, handler, format);
            MemoryByteSource src(file);
            TelemetryStore store;
            const TelemetryReading r =
                ReadTelemetry(store, src, "", ChipsetKind::UserDataIndex, false);
            EXPECT_EQ(r.format, TelemetryFormatId::TextGps) << handler << format;
            ASSERT_EQ(r.count, 4) << handler << format;
            EXPECT_TRUE(HasUsablePosition(Sample(store, 0)));
            EXPECT_EQ(Sample(store, 1).latitude, "");
            EXPECT_EQ(Sample(store, 2).latitude, "");
            EXPECT_TRUE(HasUsablePosition(Sample(store, 3)));
        }
    }
}

// A subtitle track of a film, or a text track of another kind, is not claimed.
TEST(TextGps, OtherTextTracksAreNotClaimed) {
    const Bytes file = TextGpsRecording({LengthPrefixed("Hello."), LengthPrefixed("Chapter 2")});
    MemoryByteSource src(file);
    TelemetryStore store;
    EXPECT_EQ(ReadTelemetry(store, src, "", ChipsetKind::UserDataIndex, false).format,
              TelemetryFormatId::None);
    EXPECT_FALSE(IsGpsText(std::string("\0\0\0\0", 4)));
    EXPECT_FALSE(IsGpsText("A,1"));
    EXPECT_FALSE(IsGpsText("~*~"));
}

// Several fixes in one sample are spread over the sample's time: the first one of each second
// is kept.
TEST(TextGps, SeveralFixesInOneSample) {
    std::vector<NovatekFix> drive = Drive();
    std::string text;
    for (const NovatekFix& f : drive)
        text += RmcSentence(f) + "\r\n";
    FixtureMovie m;
    m.tracks.push_back(
        {"text", "text", Zeros(43), {LengthPrefixed(text), LengthPrefixed(text)}, 3000});
    const Bytes file = WriteMovie(m);
    MemoryByteSource src(file);
    TelemetryStore store;
    ASSERT_EQ(ReadTelemetry(store, src, "", ChipsetKind::UserDataIndex, false).count, 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(std::stod(Sample(store, i).latitude), drive[i % 3].latitude, 1e-6) << i;
}

}  // namespace

namespace {

// A text track whose fixes are all void claims the recording but gives no position; the
// freeGPS blocks in its mdat, found by the later scan, do.
TEST(TextGps, ALaterClaimerWithPositionsWins) {
    NovatekFix v;
    v.status = 'V';
    FixtureMovie m;
    m.mediaData = Bytes(1000, 0x11);
    for (int i = 0; i < 2; ++i)
        AppendBytes(m.mediaData, ClassicBlock(NovatekFix(), false, 0x400));
    m.tracks.push_back({"text", "text", Zeros(43), {LengthPrefixed(RmcSentence(v))}});
    const Bytes file = WriteMovie(m);
    MemoryByteSource src(file);
    TelemetryStore store;
    const TelemetryReading r = ReadTelemetry(store, src, "", ChipsetKind::UserDataIndex, false);
    EXPECT_EQ(r.format, TelemetryFormatId::NovatekScan);
    EXPECT_EQ(r.count, 2);
}

}  // namespace
