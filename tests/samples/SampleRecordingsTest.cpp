#include "BoxNesting.h"
#include "ByteSource.h"
#include "ChipsetProbe.h"
#include "Extraction.h"
#include "TelemetryStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef VELTO_HAVE_ENGINE
#include "CallQueue.h"
#include "VideoEngine.h"

#include <xcb/xcb.h>
#endif

namespace {

const std::string kDir = VELTO_SAMPLES_DIR;

struct Sample {
    const char* name;  // in drive order
    int kind;
};

const Sample kSamples[] = {
    {"2026_0314_081500_001.MOV", 5},  // user-data index
    {"2026_0314_081515_002.MOV", 4},  // interleaved, single track
    {"2026_0314_081530_003.MP4", 1},  // text track, late key record
    {"2026_0314_081545_004.MP4", 3},  // header blocks
};

void PrintTo(const Sample& s, std::ostream* os) {
    *os << s.name;
}

std::string PathOf(const Sample& s) {
    return kDir + "/" + s.name;
}

std::string CsvPathOf(const Sample& s) {
    const std::string name = s.name;
    return kDir + "/" + name.substr(0, name.rfind('.')) + ".csv";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The velto-telemetry CSV of what the store holds.
std::string StoreAsCsv(const TelemetryStore& store) {
    std::string out = "second,accel_x,accel_y,accel_z,latitude,longitude,speed_kmh,course\n";
    for (int i = 0; i < store.GetCount(); ++i) {
        tagAssistInfo s;
        store.GetSample(i, s);
        char row[256];
        snprintf(row, sizeof row, "%d,%.3f,%.3f,%.3f,%s,%s,%d,%.6g\n", i, s.accelX, s.accelY,
                 s.accelZ, s.latitude.c_str(), s.longitude.c_str(), s.speed, s.course);
        out += row;
    }
    return out;
}

// Runs a shell command; its standard output, and its exit status in `status`.
std::string RunCommand(const std::string& command, int& status) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, n);
    status = pclose(pipe);
    return out;
}

struct CsvRow {
    double ax, ay, az, lat, lon, course;
    std::string latText, lonText;
    int speed;
};

std::vector<CsvRow> ReadCsv(const std::string& path) {
    std::vector<CsvRow> rows;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::stringstream ss(line);
        std::vector<std::string> f;
        std::string field;
        while (std::getline(ss, field, ','))
            f.push_back(field);
        if (f.size() != 8)
            continue;
        rows.push_back({std::stod(f[1]), std::stod(f[2]), std::stod(f[3]), std::stod(f[4]),
                        std::stod(f[5]), std::stod(f[7]), f[4], f[5], std::stoi(f[6])});
    }
    return rows;
}

double MetresBetween(const CsvRow& a, const CsvRow& b) {
    const double kPi = 3.14159265358979323846;
    const double north = (b.lat - a.lat) * 111320.0;
    const double east = (b.lon - a.lon) * 111320.0 * std::cos(a.lat * kPi / 180.0);
    return std::hypot(north, east);
}

class SampleRecordings : public ::testing::TestWithParam<Sample> {};

TEST_P(SampleRecordings, ProbeAndExtractionGiveTheGeneratedTelemetry) {
    const Sample& s = GetParam();
    const std::string expected = ReadText(CsvPathOf(s));
    ASSERT_FALSE(expected.empty()) << CsvPathOf(s);
    EXPECT_EQ(DetectChipset(PathOf(s)), ChipsetKind(s.kind));
    TelemetryStore store;
    EXPECT_EQ(ExtractForKind(store, ChipsetKind(s.kind), PathOf(s)), 15);
    EXPECT_EQ(StoreAsCsv(store), expected);
}

TEST_P(SampleRecordings, CommandLineToolPrintsTheGeneratedCsv) {
#ifdef VELTO_TELEMETRY_TOOL
    const Sample& s = GetParam();
    int status = 0;
    const std::string out =
        RunCommand(std::string(VELTO_TELEMETRY_TOOL) + " '" + PathOf(s) + "'", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, ReadText(CsvPathOf(s)));
#else
    FAIL() << "velto-telemetry is not part of this build";
#endif
}

TEST_P(SampleRecordings, FfprobeReadsItWithoutErrors) {
#ifdef VELTO_FFPROBE
    const Sample& s = GetParam();
    int status = 0;
    const std::string quoted = "'" + PathOf(s) + "'";
    const std::string errors =
        RunCommand(std::string(VELTO_FFPROBE) + " -v error " + quoted + " 2>&1 >/dev/null", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(errors, "");
    const std::string streams =
        RunCommand(std::string(VELTO_FFPROBE) +
                       " -v error -show_entries stream=codec_type,width,height,"
                       "nb_frames -of csv=p=0 " +
                       quoted,
                   status);
    EXPECT_NE(streams.find("video,1280,720,450"), std::string::npos) << streams;
    EXPECT_NE(streams.find("audio"), std::string::npos) << streams;
#else
    FAIL() << "no ffprobe (the ffmpeg package)";
#endif
}

// The check the engine makes before libvlc opens a file lets real recordings through.
TEST_P(SampleRecordings, NestsWellWithinTheBoxBound) {
    FileByteSource file;
    ASSERT_TRUE(file.Open(PathOf(GetParam())));
    const BoxNesting n = MeasureBoxNesting(file);
    EXPECT_EQ(n.verdict, BoxNestingVerdict::Acceptable);
    EXPECT_GE(n.depth, 6);
    EXPECT_LE(n.depth, 12);
}

INSTANTIATE_TEST_SUITE_P(Drive, SampleRecordings, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<Sample>& info) {
                             return "Kind" + std::to_string(info.param.kind);
                         });

// The four parts are one drive: the car moves as fast as it says, across the
// file boundaries too, stops once, and the sensors look like a car's.
TEST(SampleRecordingsDrive, IsOneContinuousBelievableDrive) {
    std::vector<CsvRow> drive;
    for (const Sample& s : kSamples) {
        const std::vector<CsvRow> part = ReadCsv(CsvPathOf(s));
        ASSERT_EQ(part.size(), 15u) << s.name;
        drive.insert(drive.end(), part.begin(), part.end());
    }
    int stoppedSeconds = 0, fastest = 0;
    bool fourDigits = false, fiveDigits = false;
    for (size_t i = 0; i < drive.size(); ++i) {
        const CsvRow& r = drive[i];
        fastest = std::max(fastest, r.speed);
        stoppedSeconds += r.speed == 0;
        EXPECT_GE(r.speed, 0);
        EXPECT_NEAR(r.az, 1.0, 0.1) << "second " << i;
        EXPECT_LT(std::hypot(r.ax, r.ay), 0.6) << "second " << i;
        EXPECT_LE(r.course, 360.0);
        const size_t digits = r.latText.size() - r.latText.find('.') - 1;
        fourDigits |= digits == 6;
        fiveDigits |= digits == 7;
        if (i == 0)
            continue;
        // Distance covered in the second before, against the mean of the two speeds.
        const double metres = MetresBetween(drive[i - 1], r);
        const double expected = (drive[i - 1].speed + r.speed) / 2.0 / 3.6;
        EXPECT_NEAR(metres, expected, 1.5 + 0.1 * expected) << "second " << i;
        EXPECT_LE(std::abs(r.speed - drive[i - 1].speed), 14) << "second " << i;
    }
    EXPECT_GE(stoppedSeconds, 3);
    EXPECT_GE(fastest, 80);
    EXPECT_LE(fastest, 95);
    EXPECT_TRUE(fourDigits);
    EXPECT_TRUE(fiveDigits);
}

TEST(SampleRecordingsDrive, MovieFilesShowTheirRecordingTime) {
    // .MP4 files show their modification time, which is the time they were
    // recorded; .MOV files of kinds 4 and 5 their creation time.
    EXPECT_EQ(RecordingTimeText(PathOf(kSamples[2]), ".MP4", ChipsetKind::TextTrack),
              "08:15:30 03-14-2026");
    EXPECT_EQ(RecordingTimeText(PathOf(kSamples[3]), ".MP4", ChipsetKind::HeaderBlocks),
              "08:15:45 03-14-2026");
    EXPECT_FALSE(
        RecordingTimeText(PathOf(kSamples[0]), ".MOV", ChipsetKind::UserDataIndex).empty());
}

#ifdef VELTO_HAVE_ENGINE
using velto::testing::CallQueue;

class PlayingSink : public IPlayerEventSink {
public:
    void OnPlayerEvent(int type) override { playing |= type == kEventPlaying; }
    bool playing = false;
};

TEST(SamplePlayback, EveryRecordingPlaysToItsEndInLibvlc) {
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "no X display";
    xcb_connection_t* conn = xcb_connect(nullptr, nullptr);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    const xcb_window_t window = xcb_generate_id(conn);
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 640, 360, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(conn, window);
    xcb_flush(conn);
    {
        CallQueue queue;
        PlayingSink sink;
        CVideoEngine engine;
        ASSERT_TRUE(engine.SetVideoWindow(window));
        engine.AttachVideoWindow(window);
        engine.AttachEvents(&sink, queue.MakePoster());
        for (const Sample& s : kSamples) {
            SCOPED_TRACE(s.name);
            sink.playing = false;
            ASSERT_TRUE(engine.OpenAndPlay(PathOf(s)));
            ASSERT_TRUE(
                queue.PumpUntil([&] { return sink.playing && engine.GetTime() > 200; }, 10000));
            EXPECT_EQ(engine.GetVideoWidth(), 1280);
            EXPECT_EQ(engine.GetVideoHeight(), 720);
            EXPECT_NEAR(engine.GetDuration(), 15000.0, 200.0);
            engine.SetTime(engine.GetLength() - 600);
            EXPECT_TRUE(queue.PumpUntil([&] { return engine.IsEnded(); }, 6000));
            engine.Stop();
        }
    }
    xcb_destroy_window(conn, window);
    xcb_disconnect(conn);
}
#endif

}  // namespace
