// One hour of each of 70mai's "GPS " box, BlackVue's "free" box (NMEA log with RMC, GGA, GSA
// and three GSV sentences a second, 3gf at 10 Hz) and an NMEA sidecar, read the way the
// player reads them (ReadTelemetry on an untagged recording) from files in the page cache;
// and the detection of a recording that is none of them (every format of the registry
// asked). The video data is a 256 MiB hole in each file: reading it would show.
//
//   bench_blackvue_70mai [benchmark flags]   run the benchmarks on files in a temporary folder
//   bench_blackvue_70mai --write FOLDER      only write the files (for exiftool_blackvue_70mai.sh)
#include "BlackVueFixture.h"
#include "FormatRegistry.h"
#include "SeventyMaiFixture.h"
#include "TelemetryStore.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace velto::testing;

constexpr int kSeconds = 3600;
constexpr uint64_t kVideoHole = uint64_t(256) << 20;
constexpr int64_t kUtcStart = 1538267046000;
constexpr int64_t kCameraStart = kUtcStart + 10 * 3600 * 1000;

// ftyp, an mdat that is a hole, moov (mvhd: one hour), then `topLevel` boxes.
SparseImage HourRecording(const std::vector<Bytes>& topLevel) {
    SparseImage image;
    image.Append(Box("ftyp", Concat({Text("mp42"), U32BE({0}), Text("mp42"), Text("isom")})));
    image.Append(U32BE({uint32_t(kVideoHole + 8)}));
    image.Append(Text("mdat"));
    image.Resize(image.Size() + kVideoHole);
    image.Append(Box("moov", MovieHeader(0, kSeconds * 1000)));
    for (const Bytes& b : topLevel)
        image.Append(b);
    return image;
}

std::string HourLog(bool prefixed) {
    std::string log;
    for (const NmeaFix& f : NmeaDrive(kSeconds, kUtcStart, 51.5007, -0.1246, 30)) {
        log += NmeaLogText({f}, kCameraStart, prefixed);
        const std::string prefix =
            prefixed
                ? "[" + std::to_string(kCameraStart + std::llround(f.videoSeconds * 1000)) + "]"
                : std::string();
        for (int k = 1; k <= 3; ++k)
            log += prefix +
                   NmeaSentenceText("GPGSV,3," + std::to_string(k) +
                                    ",12,04,71,047,41,05,27,122,38,09,44,281,43,12,18,317,35") +
                   "\r\n";
    }
    return log;
}

struct HourFiles {
    std::string seventyMai, blackVue, sidecarRecording, none;
};

bool WriteHourFiles(const std::string& folder, HourFiles& out) {
    std::vector<SeventyMaiRecord> records;
    for (int i = 0; i < kSeconds; ++i)
        records.push_back({uint32_t(i), 52.19 - 1e-4 * i, 20.78 - 1.5e-4 * i, 60.0 + i % 40});
    const std::string sidecarLog = HourLog(false);
    out = {folder + "/NO20191130-120156-000121.MP4", folder + "/20180930_102406_NF.mp4",
           folder + "/CLIP0001.MP4", folder + "/NONE0001.MP4"};
    return HourRecording({SeventyMaiGpsBox(SeventyMaiRecords(records))}).WriteTo(out.seventyMai) &&
           HourRecording({BlackVueFreeBox(kCameraStart, HourLog(true),
                                          ThreeGfRecords(ThreeGfDrive(kSeconds, 98)))})
               .WriteTo(out.blackVue) &&
           HourRecording({}).WriteTo(out.sidecarRecording) &&
           TempDir::WriteFile(folder + "/CLIP0001.NMEA",
                              Bytes(sidecarLog.begin(), sidecarLog.end())) &&
           HourRecording({}).WriteTo(out.none);
}

class Files {
public:
    static const HourFiles& Get() {
        static Files f;
        return f.m_files;
    }

private:
    Files() {
        if (!m_dir.Ok() || !WriteHourFiles(m_dir.Path(), m_files))
            std::abort();
    }
    TempDir m_dir;
    HourFiles m_files;
};

void Read(benchmark::State& state, const std::string& path, TelemetryFormatId expected,
          int positions) {
    TelemetryStore store;
    for (auto _ : state) {
        const TelemetryReading r =
            ReadTelemetry(store, path, ChipsetKind::UserDataIndexFallback, false);
        if (r.format != expected || (positions > 0 && r.count != kSeconds))
            state.SkipWithError("unexpected reading");
        benchmark::DoNotOptimize(r.count);
    }
    state.counters["samples"] = store.GetCount();
}

void BM_SeventyMaiHour(benchmark::State& s) {
    Read(s, Files::Get().seventyMai, TelemetryFormatId::SeventyMaiGps, kSeconds);
}
void BM_BlackVueHour(benchmark::State& s) {
    Read(s, Files::Get().blackVue, TelemetryFormatId::BlackVue, kSeconds);
}
void BM_NmeaSidecarHour(benchmark::State& s) {
    Read(s, Files::Get().sidecarRecording, TelemetryFormatId::NmeaSidecar, kSeconds);
}
// Every format of the registry is asked and declines; the sidecar lookup is among them.
void BM_DetectNoneOfThem(benchmark::State& s) {
    Read(s, Files::Get().none, TelemetryFormatId::None, 0);
}

BENCHMARK(BM_SeventyMaiHour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlackVueHour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NmeaSidecarHour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectNoneOfThem)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
        HourFiles files;
        if (!WriteHourFiles(argv[2], files)) {
            std::fprintf(stderr, "cannot write the files in %s\n", argv[2]);
            return 1;
        }
        std::printf("%s\n%s\n%s\n%s\n", files.seventyMai.c_str(), files.blackVue.c_str(),
                    files.sidecarRecording.c_str(), files.none.c_str());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
