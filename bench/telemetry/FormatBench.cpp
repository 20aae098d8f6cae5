// The real cameras' formats: one hour of each from a file in the page cache (the video data is
// a hole in the file), and the detection of an hour of video that carries none of them.
// With VELTO_BENCH_KEEP_DIR set the files are written there and kept, for
// bench/telemetry/exiftool_side_by_side.sh.
#include "FormatRegistry.h"
#include "NovatekWriter.h"
#include "TelemetryStore.h"
#include "TextGpsWriter.h"

#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

using namespace velto::testing;

constexpr int kSeconds = 3600;
constexpr uint32_t kFramesPerSecond = 30;
constexpr uint64_t kVideoBytesPerSecond =
    1u << 20;  // 8 Mbit/s: the hour stays below 4 GiB, as the index needs

NovatekFix FixOfSecond(int i) {
    NovatekFix f;
    f.latitude = 47.6 + 0.0001 * i;
    f.longitude = -122.3 + 0.00005 * i;
    f.hour = 8 + i / 3600;
    f.minute = i / 60 % 60;
    f.second = i % 60;
    f.ax = 10;
    f.ay = -20;
    f.az = 256;
    return f;
}

// An hour of video at 30 fps, 3 MiB a second (a hole), and after each second's frames one
// `perSecond` piece (a freeGPS block, or nothing); `moovExtra` inside moov.
SparseImage HourOfVideo(const std::function<Bytes(int)>& perSecond, const Bytes& moovExtra,
                        std::vector<uint32_t>* pieceOffsets = nullptr, bool videoTables = true) {
    SparseImage img;
    img.Put(0, Box("ftyp", Concat({Text("mp42"), U32BE({0}), Text("mp42isom")})));
    uint64_t pos = kMovieDataStart;
    std::vector<uint64_t> frameOffsets;
    const uint32_t frameSize = uint32_t(kVideoBytesPerSecond / kFramesPerSecond);
    for (int s = 0; s < kSeconds; ++s) {
        for (uint32_t f = 0; f < kFramesPerSecond; ++f) {
            frameOffsets.push_back(pos);
            pos += frameSize;
        }
        const Bytes piece = perSecond(s);
        if (!piece.empty()) {
            if (pieceOffsets)
                pieceOffsets->push_back(uint32_t(pos));  // within 4 GiB for the index below
            img.Put(pos, piece);
            pos += piece.size();
        }
    }
    img.Put(24,
            Concat({U32BE({1}), Text("mdat"), U32BE({uint32_t(pos >> 32), uint32_t(pos - 24)})}));
    Bytes video;
    if (videoTables) {
        const uint32_t n = uint32_t(frameOffsets.size());
        Bytes sizes = U32BE({0, 0, n});
        Bytes offsets = U32BE({0, n});
        for (uint64_t o : frameOffsets) {
            AppendU32BE(sizes, frameSize);
            AppendU32BE(offsets, uint32_t(o >> 32));
            AppendU32BE(offsets, uint32_t(o));
        }
        Bytes stbl = Box(
            "stbl", Concat({FullBox("stsd", Concat({U32BE({1, 16}), Text("avc1"), Zeros(8)})),
                            FullBox("stts", U32BE({1, n, 1})), FullBox("stsc", U32BE({1, 1, 1, 1})),
                            Box("stsz", sizes), Box("co64", offsets)}));
        Bytes mdia =
            Box("mdia", Concat({FullBox("mdhd", U32BE({0, 0, kFramesPerSecond, n, 0})),
                                FullBox("hdlr", Concat({Text("mhlr"), Text("vide"), Zeros(13)})),
                                Box("minf", stbl)}));
        video = Box("trak", mdia);
    }
    img.Append(Box("moov", Concat({MovieHeader(0, kSeconds * 1000), video, moovExtra})));
    return img;
}

struct Recording {
    std::string name, path;
    int samples;
};

class Recordings {
public:
    static Recordings& Get() {
        static Recordings r;
        return r;
    }
    Recording novatekIndex, novatekScan, novatekScanNoTables, textGps, none;
    std::string Dir() const { return m_dir; }

private:
    Recordings() {
        const char* keep = std::getenv("VELTO_BENCH_KEEP_DIR");
        if (keep && *keep) {
            m_dir = keep;
            ::mkdir(m_dir.c_str(), 0755);
        } else if (m_temp.Ok()) {
            m_dir = m_temp.Path();
        } else {
            std::abort();
        }
        const auto block = [](int s) { return CompactBlock(FixOfSecond(s), 0x400); };
        std::vector<uint32_t> offsets;
        SparseImage indexed = HourOfVideo(block, {}, &offsets);
        Bytes index = U32BE({1, uint32_t(offsets.size())});
        for (uint32_t o : offsets)
            AppendBytes(index, U32BE({o, 0x400}));
        indexed = HourOfVideo(block, Box("gps ", index));
        novatekIndex = Write("novatek-index.MP4", indexed, kSeconds);
        novatekScan =
            Write("novatek-scan.MP4",
                  HourOfVideo([](int s) { return ClassicBlock(FixOfSecond(s), false, 0x400); }, {}),
                  kSeconds);
        novatekScanNoTables =
            Write("novatek-scan-no-tables.MP4",
                  HourOfVideo([](int s) { return ClassicBlock(FixOfSecond(s), false, 0x400); }, {},
                              nullptr, false),
                  kSeconds);
        std::vector<Bytes> samples;
        for (int s = 0; s < kSeconds; ++s) {
            const NovatekFix f = FixOfSecond(s);
            samples.push_back(LengthPrefixed(RmcSentence(f) + "\r\n" + GgaSentence(f) + "\r\n"));
        }
        textGps = WriteBytes("text-gps.MP4", TextGpsRecording(samples), kSeconds);
        none = Write("none.MP4", HourOfVideo([](int) { return Bytes(); }, {}), 0);
    }
    Recording Write(const char* name, const SparseImage& image, int samples) {
        const std::string path = m_dir + "/" + name;
        if (!image.WriteTo(path))
            std::abort();
        return {name, path, samples};
    }
    Recording WriteBytes(const char* name, const Bytes& bytes, int samples) {
        const std::string path = m_dir + "/" + name;
        if (!TempDir::WriteFile(path, bytes))
            std::abort();
        return {name, path, samples};
    }
    TempDir m_temp;
    std::string m_dir;
};

void Read(benchmark::State& state, const Recording& r, TelemetryFormatId expected) {
    TelemetryStore store;
    for (auto _ : state) {
        const TelemetryReading reading =
            ReadTelemetry(store, r.path, ChipsetKind::UserDataIndex, false);
        if (reading.format != expected || reading.count != r.samples)
            state.SkipWithError("unexpected reading");
        benchmark::DoNotOptimize(reading);
    }
    state.counters["samples"] = store.GetCount();
}

void BM_NovatekIndexHour(benchmark::State& s) {
    Read(s, Recordings::Get().novatekIndex, TelemetryFormatId::NovatekIndex);
}
void BM_NovatekScanHour(benchmark::State& s) {
    Read(s, Recordings::Get().novatekScan, TelemetryFormatId::NovatekScan);
}
// No sample tables: the scan walks mdat's 32 KiB boundaries (3.7 GB).
void BM_NovatekScanHourWithoutTables(benchmark::State& s) {
    Read(s, Recordings::Get().novatekScanNoTables, TelemetryFormatId::NovatekScan);
    s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(kVideoBytesPerSecond) * kSeconds);
}
void BM_TextGpsHour(benchmark::State& s) {
    Read(s, Recordings::Get().textGps, TelemetryFormatId::TextGps);
}
// Every format is offered the recording and none claims it.
void BM_DetectNoneOfThem(benchmark::State& s) {
    Read(s, Recordings::Get().none, TelemetryFormatId::None);
}

BENCHMARK(BM_NovatekIndexHour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NovatekScanHour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NovatekScanHourWithoutTables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextGpsHour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectNoneOfThem)->Unit(benchmark::kMillisecond);

}  // namespace
