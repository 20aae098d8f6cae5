// velto-telemetry end to end: the built binary over recordings written to a
// temporary folder.

#include "BoxWriter.h"
#include "JsonCheck.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

using namespace velto::testing;
using namespace tools_test;

namespace {

const std::string kCsvHeader =
    "second,accel_x,accel_y,accel_z,latitude,longitude,speed_kmh,course\n";

// A header-block recording (kind 3 by its tail tag) with two positioned
// samples, one without a fix and one whose fields carry no decimal point.
Bytes HeaderBlockFixture() {
    const uint8_t key[8] = {'1', '2', '3', '4', '5', '6', '7', '8'};
    Bytes file = HeaderBlockRecording(
        key, {
                 {100, 200, 300, "$GPRMC,120509.000,A,2503.3012,N,12133.9247,E,21.6,87.5,270319"},
                 {0, -1000, 980, "$GPRMC,120510.000,V,,,,,,,270319,,,N"},
                 {-5, 7, 1001, "$GPRMC,120511.000,A,2503.31234,S,12133.92471,W,30.2,359.9,270319"},
                 {1, 2, 3, "$GPRMC,120512.000,A,2503,N,12133,E,0.0,0.0,270319"},
             });
    AppendText(file, "ICAT6350");
    return file;
}

const std::string kFixtureCsv = kCsvHeader +
                                "0,0.100,0.200,0.300,25.055020,121.565411,39,87.5\n"
                                "1,0.000,-1.000,0.980,,,0,0\n"
                                "2,-0.005,0.007,1.001,-25.0552056,-121.5654118,55,359.9\n"
                                "3,0.001,0.002,0.003,0,0,0,0\n";

// 2019-03-27 12:05:09 UTC; the tool runs two hours east of UTC.
const time_t kModified = 1553688309;
const std::string kModifiedText = "14:05:09 03-27-2019";

void SetModificationTime(const std::string& path, time_t t) {
    const struct timespec times[2] = {{t, 0}, {t, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

class VeltoTelemetryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "VLT-2", 1);  // inherited by the tool
        ASSERT_TRUE(dir.Ok());
        recording = dir.Write("FILE0001.MOV", HeaderBlockFixture());
        ASSERT_FALSE(recording.empty());
    }

    ToolResult Run(const std::vector<std::string>& args) { return RunTool(args, dir.Path()); }

    TempDir dir;
    std::string recording;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
        lines.push_back(text.substr(start, nl - start));
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

}  // namespace

TEST_F(VeltoTelemetryTest, CsvOfTheDetectedKindInStoreOrder) {
    const ToolResult r = Run({recording});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kFixtureCsv);
    EXPECT_EQ(r.err, "");

    EXPECT_EQ(Run({"--kind", "3", "--format", "csv", recording}).out, kFixtureCsv);
    EXPECT_EQ(Run({"--kind=3", "--format=csv", recording}).out, kFixtureCsv);
}

TEST_F(VeltoTelemetryTest, UserDataTagLeadsToItsExtraction) {
    // mvhd then udta with an unknown tag: kind 5, the user-data index.
    const std::string path = dir.Write(
        "FILE0009.MP4",
        UserDataIndexRecording(
            {FixedRecord({12, -340, 1005, "$GPRMC,1,A,2232.1234,N,11403.12345,W,5,45.5,230394"})}));
    const ToolResult r = Run({path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kCsvHeader + "0,0.012,-0.340,1.005,22.535390,-114.0520575,9,45.5\n");
    EXPECT_EQ(Run({"--probe", path}).out.substr(0, 2), "5\t");
}

TEST_F(VeltoTelemetryTest, ForcedKindChoosesTheExtraction) {
    // Read as the user-data-index layout the file holds no samples: still read, status 0.
    const ToolResult r = Run({"--kind", "5", recording});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kCsvHeader);
}

TEST_F(VeltoTelemetryTest, ExitStatusesAndMessages) {
    ::mkfifo(dir.File("pipe.MOV").c_str(), 0644);
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* errorText;  // expected within stderr
    };
    const Case cases[] = {
        {{dir.File("missing.MOV")}, 1, "cannot open"},
        {{dir.Path()}, 1, "is a directory"},
        {{dir.File("pipe.MOV")}, 1, "not a regular file"},
        {{}, 2, "no FILE given"},
        {{"--bogus", recording}, 2, "unknown option '--bogus'"},
        {{"--kind", "9", recording}, 2, "--kind"},
        {{"--kind", "x", recording}, 2, "--kind"},
        {{recording, "--kind"}, 2, "--kind"},
        {{"--format", "kml", recording}, 2, "--format"},
        {{recording, recording}, 2, "one FILE at a time"},
        {{"--probe"}, 2, "--probe needs"},
        {{"--probe", "--format", "gpx", recording}, 2, "--probe takes no"},
        {{"--info"}, 2, "--info needs"},
        {{"--info", "--kind", "3", recording}, 2, "--info takes no"},
        {{"--info", "--probe", recording}, 2, "do not go together"},
    };
    for (const Case& c : cases) {
        const ToolResult r = Run(c.args);
        const std::string what = c.args.empty() ? "(no arguments)" : c.args.front();
        EXPECT_EQ(r.status, c.status) << what << ": " << r.err;
        EXPECT_NE(r.err.find(c.errorText), std::string::npos) << what << ": " << r.err;
        EXPECT_FALSE(r.timedOut) << what;
        if (c.status == 2) {
            EXPECT_NE(r.err.find("Usage:"), std::string::npos) << what;
        }
    }

    const ToolResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: velto-telemetry [--kind N] [--format csv|gpx|geojson] FILE\n"
                             "       velto-telemetry --probe FILE...\n",
                             0),
              0u);
    EXPECT_EQ(help.err, "");

    // A file name that looks like an option, after "--".
    dir.Write("-x.MOV", HeaderBlockFixture());
    EXPECT_EQ(Run({"--kind", "3", "--", "-x.MOV"}).out, kFixtureCsv);
}

TEST_F(VeltoTelemetryTest, ProbeLinesAsThePlaylistBuildsThem) {
    const std::string locked = dir.Write("FILE0002.MOV", HeaderBlockFixture());
    ::mkdir(dir.File("gps").c_str(), 0755);
    const std::string sidecar = dir.Write("gps/file0002.dat", {});
    const std::string noTag = dir.Write("FILE0003.MP4", Concat({FtypBox(), Box("mdat")}));
    for (const std::string& path : {recording, locked, noTag}) {
        SetModificationTime(path, kModified);
    }
    ::chmod(locked.c_str(), 0444);

    const ToolResult r = Run({"--probe", recording, locked, noTag});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "3\t" + kModifiedText + "\t\t\t" + recording + "\n" +  //
                         "0\t" + kModifiedText + "\tReadOnly\t" + sidecar + "\t" + locked + "\n" +
                         "0\t" + kModifiedText + "\t\t\t" + noTag + "\n");
}

TEST_F(VeltoTelemetryTest, ProbeOfSpecialFilesListsThemAndFails) {
    const std::string fifo = dir.File("pipe.MOV");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const ToolResult r = Run({"--probe", fifo, dir.Path(), recording});
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0], "0\t\t\t\t" + fifo);
    EXPECT_EQ(lines[1], "0\t\t\t\t" + dir.Path());
    EXPECT_EQ(lines[2].substr(0, 2), "3\t");
    EXPECT_NE(r.err.find(fifo), std::string::npos);
}

TEST_F(VeltoTelemetryTest, GpxIsReadByGpsbabel) {
    const ToolResult r = Run({"--format", "gpx", recording});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("<velto:speed_kmh>55</velto:speed_kmh>"), std::string::npos);
    EXPECT_NE(r.out.find("<velto:course>359.9</velto:course>"), std::string::npos);
    EXPECT_NE(r.out.find("<trkpt lat=\"-25.0552056\" lon=\"-121.5654118\">"), std::string::npos);
    const std::string gpx = dir.File("out.gpx");
    std::FILE* f = std::fopen(gpx.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(r.out.data(), 1, r.out.size(), f);
    std::fclose(f);

    const std::string csv = dir.File("babel.csv");
    const std::string command = "gpsbabel -i gpx -f '" + gpx + "' -o csv -F '" + csv + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    // Only the two samples with a usable position, in order.
    const std::vector<std::string> points = Lines(ReadWhole(csv));
    ASSERT_EQ(points.size(), 2u) << ReadWhole(csv);
    EXPECT_EQ(points[0].rfind("25.05502, 121.56541", 0), 0u) << points[0];
    EXPECT_EQ(points[1].rfind("-25.05521, -121.56541", 0), 0u) << points[1];
}

TEST_F(VeltoTelemetryTest, GeoJsonIsARouteAndItsPoints) {
    const ToolResult r = Run({"--format", "geojson", recording});
    ASSERT_EQ(r.status, 0) << r.err;
    JsonValue doc;
    ASSERT_TRUE(JsonReader::Parse(r.out, doc)) << r.out;
    EXPECT_EQ(doc["type"].text, "FeatureCollection");
    const std::vector<JsonValue>& features = doc["features"].items;
    ASSERT_EQ(features.size(), 3u);

    const JsonValue& route = features[0]["geometry"];
    EXPECT_EQ(route["type"].text, "LineString");
    ASSERT_EQ(route["coordinates"].items.size(), 2u);
    EXPECT_EQ(route["coordinates"].items[1].items[0].text, "-121.5654118");  // longitude first
    EXPECT_EQ(route["coordinates"].items[1].items[1].text, "-25.0552056");
    EXPECT_EQ(features[0]["properties"]["name"].text, "FILE0001.MOV");

    const JsonValue& second = features[2];
    EXPECT_EQ(second["geometry"]["type"].text, "Point");
    EXPECT_EQ(second["properties"]["second"].number, 2);
    EXPECT_EQ(second["properties"]["speed_kmh"].number, 55);
    EXPECT_DOUBLE_EQ(second["properties"]["course"].number, 359.9);
    EXPECT_DOUBLE_EQ(second["properties"]["accel_z"].number, 1.001);
}

TEST_F(VeltoTelemetryTest, EmptyRecordingGivesValidEmptyDocuments) {
    const std::string empty = dir.Write("EMPTY001.MP4", {});
    EXPECT_EQ(Run({empty}).out, kCsvHeader);
    JsonValue doc;
    const ToolResult json = Run({"--format", "geojson", empty});
    EXPECT_EQ(json.status, 0);
    ASSERT_TRUE(JsonReader::Parse(json.out, doc)) << json.out;
    EXPECT_TRUE(doc["features"].items.empty());

    const ToolResult gpx = Run({"--format", "gpx", empty});
    EXPECT_EQ(gpx.status, 0);
    const std::string path = dir.File("empty.gpx");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(gpx.out.data(), 1, gpx.out.size(), f);
    std::fclose(f);
    EXPECT_EQ(std::system(("gpsbabel -i gpx -f '" + path + "' -o csv -F /dev/null").c_str()), 0);
}

TEST_F(VeltoTelemetryTest, HugeFileFifoAndDirectoryReturnPromptly) {
    // 5 GiB, all hole but the tail: every walk must stop by itself.
    const std::string huge = dir.File("HUGE0001.MOV");
    SparseImage img;
    img.Resize(5ull << 30);
    ASSERT_TRUE(img.WriteTo(huge));
    const std::string fifo = dir.File("pipe.MOV");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);

    for (const std::string& path : {huge, fifo, dir.Path()}) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{path}, {"--format", "geojson", path}, {"--probe", path}}) {
            const ToolResult r = Run(args);
            EXPECT_FALSE(r.timedOut) << path;
            EXPECT_EQ(r.signal, 0) << path;
            EXPECT_EQ(r.status, path == huge ? 0 : 1) << path << ": " << r.err;
        }
    }
}

TEST_F(VeltoTelemetryTest, RelativePathsAreReadAndPrintedAsGiven) {
    // "1.MP4" is shorter than the 8 characters a sidecar lookup needs; its full path is not.
    const Bytes fixture = HeaderBlockFixture();
    dir.Write("1.MP4", fixture);
    ::mkdir(dir.File("sub").c_str(), 0755);
    ::mkdir(dir.File("sub/gps").c_str(), 0755);
    dir.Write("sub/2.MOV", fixture);
    dir.Write("sub/gps/2.DAT", {});
    for (const char* name : {"1.MP4", "sub/2.MOV"})
        SetModificationTime(dir.File(name), kModified);

    const ToolResult probe = Run({"--probe", "1.MP4", "sub/2.MOV"});
    EXPECT_EQ(probe.status, 0) << probe.err;
    EXPECT_EQ(probe.out, "3\t" + kModifiedText + "\t\t\t1.MP4\n" +  //
                             "0\t" + kModifiedText + "\t\tsub/gps/2.DAT\tsub/2.MOV\n");
    EXPECT_EQ(Run({"1.MP4"}).out, kFixtureCsv);
    EXPECT_EQ(Run({"--kind", "3", "1.MP4"}).out, kFixtureCsv);
}

TEST_F(VeltoTelemetryTest, FileNamesOutsideXmlAndProbeFieldsAreEscaped) {
    // U+FFFE and U+FFFF are valid UTF-8 but no XML characters; so is a control character.
    const std::string name = "bad\xEF\xBF\xBE\xEF\xBF\xBF\x01\r&.MOV";
    const std::string path = dir.Write(name, HeaderBlockFixture());
    const ToolResult gpx = Run({"--format", "gpx", path});
    ASSERT_EQ(gpx.status, 0) << gpx.err;
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_NE(gpx.out.find("<name>bad" + fffd + fffd + fffd + "&#xD;&amp;.MOV</name>"),
              std::string::npos)
        << gpx.out;
    const std::string file = dir.File("out.gpx");
    std::FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(gpx.out.data(), 1, gpx.out.size(), f);
    std::fclose(f);
    // gpsbabel's XML reader refuses characters XML does not allow.
    EXPECT_EQ(std::system(("gpsbabel -i gpx -f '" + file + "' -o csv -F /dev/null").c_str()), 0);

    // Backslash, TAB, LF and CR in a path: still one line of five fields.
    ::mkdir(dir.File("a\tb\\c").c_str(), 0755);
    const std::string odd = dir.Write("a\tb\\c/x\ny\rz.MOV", HeaderBlockFixture());
    const ToolResult probe = Run({"--probe", odd, recording});
    const std::vector<std::string> lines = Lines(probe.out);
    ASSERT_EQ(lines.size(), 2u) << probe.out;
    EXPECT_EQ(lines[0].substr(lines[0].rfind('\t') + 1), dir.Path() + "/a\\tb\\\\c/x\\ny\\rz.MOV");
    EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), '\t'), 4);
}

TEST_F(VeltoTelemetryTest, NegativeSpeedsAreZeroInEveryFormat) {
    // A speed of -100 knots (-185 km/h) and a coordinate field whose minutes carry the sign.
    const uint8_t key[8] = {};
    const std::string path = dir.Write(
        "NEG00001.MOV",
        Concat({HeaderBlockRecording(
                    key, {{0, 0, 0, "$GPRMC,1,A,2232.1234,N,11403.12345,E,-100.0,-1e308,230394"},
                          {0, 0, 0, "$GPRMC,2,A,2232.1234,N,11403.12345,E,-100.0,10,230394"}}),
                Text("ICAT6350")}));
    const std::vector<std::string> csv = Lines(Run({path}).out);
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(csv[1], "0,0.000,0.000,0.000,22.535390,114.0520575,0,-1e+308");
    const std::string gpx = Run({"--format", "gpx", path}).out;
    EXPECT_NE(gpx.find("<velto:speed_kmh>0</velto:speed_kmh>"), std::string::npos) << gpx;
    EXPECT_EQ(gpx.find("-185"), std::string::npos) << gpx;
    JsonValue doc;
    ASSERT_TRUE(JsonReader::Parse(Run({"--format", "geojson", path}).out, doc));
    EXPECT_EQ(doc["features"].items[1]["properties"]["speed_kmh"].number, 0);
}

// One line per file: format, kind, samples, positions, first fix time (the first that a fix
// carries), duration, path.
TEST_F(VeltoTelemetryTest, InfoTellsWhichReadingWasUsed) {
    const std::string udi = dir.Write(
        "FILE0009.MP4",
        UserDataIndexRecording(
            {FixedRecord({0, 0, 0, "$GPGGA,1,2232.1234,N,11403.12345,W,5"}),
             FixedRecord({0, 0, 0, "$GPRMC,102030,A,2232.1234,N,11403.12345,W,5,45.5,230394"})}));
    const std::string noIndex =
        dir.Write("clip\tA.MP4",
                  Concat({FtypBox(), Box("mdat", Zeros(16)), Box("moov", MvhdBox(600, 5400))}));
    const ToolResult r = Run({"--info", recording, udi, noIndex, "missing.MP4"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.out),
              (std::vector<std::string>{
                  "header blocks (chipset tag)\t3\t4\t2\t2019-03-27T12:05:09Z\t\t" + recording,
                  "user-data index\t5\t2\t2\t1994-03-23T10:20:30Z\t\t" + udi,
                  "none\t5\t0\t0\t\t9.000\t" + dir.Path() + "/clip\\tA.MP4",
                  "none\t0\t0\t0\t\t\tmissing.MP4"}));
    EXPECT_NE(r.err.find("cannot open 'missing.MP4'"), std::string::npos) << r.err;
}

TEST_F(VeltoTelemetryTest, GpxCarriesTheUtcTimeCsvDoesNot) {
    const std::string gpx = Run({"--format", "gpx", recording}).out;
    EXPECT_NE(gpx.find("<trkpt lat=\"25.055020\" lon=\"121.565411\">\n"
                       "        <time>2019-03-27T12:05:09Z</time>\n"),
              std::string::npos)
        << gpx;
    EXPECT_NE(gpx.find("<time>2019-03-27T12:05:11Z</time>"), std::string::npos);
    EXPECT_EQ(Run({recording}).out, kFixtureCsv);
}
