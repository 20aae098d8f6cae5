// Sidecar logs beside the recording (.NMEA, BlackVue's .gps and .3gf). ExifTool reads no
// sidecar: each is checked against the same log inside a BlackVue "gps " box, which ExifTool
// reads. And the sidecar is a second hostile file: links, FIFOs, folders and its size.
#include "BlackVueFixture.h"
#include "ByteSource.h"
#include "ExifToolOracle.h"
#include "FileList.h"
#include "FormatRegistry.h"
#include "TelemetryStore.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace velto::testing;

constexpr int64_t kUtcStart = 1538267046000;  // 2018-09-30 00:24:06 UTC
constexpr int64_t kCameraStart = kUtcStart + 10 * 3600 * 1000;
constexpr int kSeconds = 12;

// The drive of every test: two void seconds first, an empty course, 10 fixes.
std::vector<NmeaFix> Drive() {
    std::vector<NmeaFix> fixes = NmeaDrive(kSeconds, kUtcStart, 51.5007, -0.1246, 2);
    fixes[6].course = NAN;
    return fixes;
}

// A recording with no telemetry of its own, `kSeconds` long.
Bytes PlainRecording() {
    FixtureMovie m;
    m.mediaData = Bytes(64, 0x5A);
    m.durationMs = kSeconds * 1000;
    return WriteMovie(m);
}

Bytes Bytes3gf() {
    return ThreeGfRecords(ThreeGfDrive(kSeconds, 128));
}

// What the player reads for the recording at `path`, through its playlist entry.
TelemetryReading ReadAsThePlayer(TelemetryStore& store, const std::string& path) {
    CFileList list;
    list.AddFile(path, nullptr, ".MP4");
    tagFileNode node;
    EXPECT_EQ(list.GetEntry(0, node), 0);
    return ReadEntryTelemetry(store, node);
}

void ExpectSameSamples(const TelemetryStore& a, const TelemetryStore& b, const std::string& what) {
    ASSERT_EQ(a.GetCount(), b.GetCount()) << what;
    tagAssistInfo x, y;
    for (int i = 0; i < a.GetCount(); ++i) {
        a.GetSample(i, x);
        b.GetSample(i, y);
        EXPECT_EQ(x.latitude, y.latitude) << what << " " << i;
        EXPECT_EQ(x.longitude, y.longitude) << what << " " << i;
        EXPECT_EQ(x.speed, y.speed) << what << " " << i;
        EXPECT_EQ(x.course, y.course) << what << " " << i;
        EXPECT_EQ(x.utcMillis, y.utcMillis) << what << " " << i;
        EXPECT_FLOAT_EQ(x.accelX, y.accelX) << what << " " << i;
        EXPECT_FLOAT_EQ(x.accelZ, y.accelZ) << what << " " << i;
    }
}

Bytes TextBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

TEST(NmeaSidecar, ReadsAsTheSameLogInsideTheRecordingWhichExifToolReads) {
    TempDir dir;
    const std::string boxed = dir.Write(
        "boxed.mp4",
        BlackVueRecording(
            BlackVueFreeBox(kCameraStart, NmeaLogText(Drive(), kCameraStart, true), Bytes3gf()),
            kSeconds));
    TelemetryStore fromBox;
    ASSERT_EQ(ReadAsThePlayer(fromBox, boxed).format, TelemetryFormatId::BlackVue);
    const OracleReading oracle = RunExifTool(boxed);
    ASSERT_TRUE(AgreesWithExifTool(fromBox, oracle, 1e-6));

    const std::string plain = NmeaLogText(Drive(), 0, false);
    const std::string prefixed = NmeaLogText(Drive(), kCameraStart, true);
    const struct {
        const char* name;
        std::vector<std::pair<std::string, Bytes>> sidecars;
        bool accelerations;
    } cases[] = {
        {".NMEA", {{"clip.NMEA", TextBytes(plain)}}, false},
        {".nmea", {{"clip.nmea", TextBytes(plain)}}, false},
        {".nMeA with .3gf", {{"clip.nMeA", TextBytes(plain)}, {"clip.3gf", Bytes3gf()}}, true},
        {".gps and .3GF", {{"clip.gps", TextBytes(prefixed)}, {"clip.3GF", Bytes3gf()}}, true},
        {".NMEA wins over .gps",
         {{"clip.NMEA", TextBytes(plain)}, {"clip.GPS", TextBytes("[1]$GPRMC,garbage")}},
         false},
    };
    for (const auto& c : cases) {
        TempDir folder;
        const std::string clip = folder.Write("clip.MP4", PlainRecording());
        for (const auto& [name, bytes] : c.sidecars)
            folder.Write(name, bytes);
        TelemetryStore fromSidecar;
        const TelemetryReading r = ReadAsThePlayer(fromSidecar, clip);
        EXPECT_EQ(r.format, TelemetryFormatId::NmeaSidecar) << c.name;
        EXPECT_TRUE(AgreesWithExifTool(fromSidecar, oracle, 1e-6)) << c.name;
        if (c.accelerations) {
            ExpectSameSamples(fromSidecar, fromBox, c.name);
        } else {
            TelemetryStore positionsOnly;
            const Bytes recording = BlackVueRecording(
                BlackVueFreeBox(kCameraStart, NmeaLogText(Drive(), kCameraStart, true), {}),
                kSeconds);
            MemoryByteSource src(recording);
            ReadTelemetry(positionsOnly, src, "", ChipsetKind::UserDataIndexFallback, false);
            ExpectSameSamples(fromSidecar, positionsOnly, c.name);
        }
    }
}

// Only a regular file in the recording's own folder is read: a link to one beside it is
// followed, a link out of the folder, a FIFO (no hang), a folder and another stem are not.
TEST(NmeaSidecar, OnlyARegularFileInTheRecordingsFolder) {
    TempDir outside;
    const std::string log = NmeaLogText(Drive(), 0, false);
    const std::string elsewhere = outside.Write("elsewhere.NMEA", TextBytes(log));
    const struct {
        const char* name;
        void (*make)(const std::string& folder, const std::string& elsewhere,
                     const std::string& log);
        bool read;
    } cases[] = {
        {"link beside it",
         [](const std::string& f, const std::string&, const std::string& l) {
             TempDir::WriteFile(f + "/log.txt", TextBytes(l));
             ASSERT_EQ(::symlink("log.txt", (f + "/clip.NMEA").c_str()), 0);
         },
         true},
        {"link out of the folder",
         [](const std::string& f, const std::string& e, const std::string&) {
             ASSERT_EQ(::symlink(e.c_str(), (f + "/clip.NMEA").c_str()), 0);
         },
         false},
        {"link through ..",
         [](const std::string& f, const std::string& e, const std::string&) {
             ASSERT_EQ(::symlink(("../" + e.substr(e.rfind('/', e.rfind('/') - 1) + 1)).c_str(),
                                 (f + "/clip.nmea").c_str()),
                       0);
         },
         false},
        {"FIFO",
         [](const std::string& f, const std::string&, const std::string&) {
             ASSERT_EQ(::mkfifo((f + "/clip.NMEA").c_str(), 0600), 0);
         },
         false},
        {"folder",
         [](const std::string& f, const std::string&, const std::string&) {
             ASSERT_EQ(::mkdir((f + "/clip.gps").c_str(), 0700), 0);
         },
         false},
        {"another stem",
         [](const std::string& f, const std::string&, const std::string& l) {
             TempDir::WriteFile(f + "/clip2.NMEA", TextBytes(l));
         },
         false},
    };
    for (const auto& c : cases) {
        TempDir folder;
        const std::string clip = folder.Write("clip.MP4", PlainRecording());
        c.make(folder.Path(), elsewhere, log);
        TelemetryStore store;
        const TelemetryReading r = ReadAsThePlayer(store, clip);
        EXPECT_EQ(r.format, c.read ? TelemetryFormatId::NmeaSidecar : TelemetryFormatId::None)
            << c.name;
        EXPECT_EQ(PositionedSeconds(store).size(), c.read ? 10u : 0u) << c.name;
    }
}

// At most kMaxSidecarBytes (64 MiB) are read: a fix beyond them in a sparse 5 GiB file is not.
TEST(NmeaSidecar, ReadsAtMost64MiB) {
    TempDir folder;
    const std::string clip = folder.Write("clip.MP4", PlainRecording());
    std::vector<NmeaFix> fixes = Drive();
    SparseImage sidecar;
    sidecar.Put(0, TextBytes(NmeaLogText({fixes[2]}, 0, false)));
    sidecar.Put((uint64_t(64) << 20) - 10, TextBytes("\n" + NmeaLogText({fixes[3]}, 0, false)));
    sidecar.Put(uint64_t(5) << 30, TextBytes("\n" + NmeaLogText({fixes[4]}, 0, false)));
    ASSERT_TRUE(sidecar.WriteTo(folder.File("clip.NMEA")));
    TelemetryStore store;
    ASSERT_EQ(ReadAsThePlayer(store, clip).format, TelemetryFormatId::NmeaSidecar);
    EXPECT_EQ(PositionedSeconds(store), (std::vector<int>{0}));
}

}  // namespace
