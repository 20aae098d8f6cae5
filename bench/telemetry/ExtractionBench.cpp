// Extraction of a one-hour recording per layout from a file in the page cache. The video
// data is a hole in the file: the extraction must not read it.
#include "BoxWriter.h"
#include "TelemetryStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

using namespace velto::testing;

constexpr int kSeconds = 3600;

TelemetryRecord Second(int i) {
    return {i % 1000, -(i % 700), 1000,
            "$GPRMC,120000,A,22" + std::to_string(10 + i % 50) +
                ".1234,N,11403.12345,E,35.2,84.4,230394,,,A*6A"};
}

std::vector<Bytes> FixedRecords(int count, const std::string& key) {
    std::vector<Bytes> out;
    for (int i = 0; i < count; ++i)
        out.push_back(FixedRecord(Second(i), key));
    return out;
}

// The recordings, written once for the whole run.
class Recordings {
public:
    static Recordings& Get() {
        static Recordings r;
        return r;
    }
    std::string textTrack, headerBlocks, singleTrack, secondTrack, userDataIndex;

private:
    Recordings() {
        if (!m_dir.Ok())
            std::abort();
        std::vector<Bytes> chunks;
        std::vector<TelemetryRecord> blocks;
        for (int i = 0; i < kSeconds; ++i) {
            chunks.push_back(TextChunk(TabLine(Second(i))));
            blocks.push_back(Second(i));
        }
        const uint8_t key[8] = {'2', '0', '2', '6', '1', '2', '1', '1'};
        textTrack = Write("text.MOV", TextTrackRecording(chunks));
        headerBlocks = Write("blocks.MOV", HeaderBlockRecording(key, blocks, true));
        // 30 fps for an hour: 108000 video samples, one record per second.
        singleTrack =
            Write("single.MP4",
                  SingleTrackRecording(ThirtyFpsLayout(FixedRecords(kSeconds, "20261211"))));
        secondTrack = Write("second.MP4",
                            InterleavedSecondTrackRecording(FixedRecords(kSeconds, "20261211")));
        // The index holds at most 500 entries.
        userDataIndex = Write("index.MP4", UserDataIndexRecording(FixedRecords(500, "")));
    }
    std::string Write(const char* name, const Bytes& bytes) {
        std::string path = m_dir.Write(name, bytes);
        if (path.empty())
            std::abort();
        return path;
    }
    std::string Write(const char* name, const SparseImage& image) {
        if (!image.WriteTo(m_dir.File(name)))
            std::abort();
        return m_dir.File(name);
    }
    TempDir m_dir;
};

void Run(benchmark::State& state, int (TelemetryStore::*extract)(const std::string&),
         const std::string& path, int expected) {
    TelemetryStore store;
    for (auto _ : state) {
        int count = (store.*extract)(path);
        if (count != expected)
            state.SkipWithError("unexpected sample count");
        benchmark::DoNotOptimize(count);
    }
    state.counters["samples"] = store.GetCount();
}

void BM_TextTrack(benchmark::State& s) {
    Run(s, &TelemetryStore::ExtractTextTrack, Recordings::Get().textTrack, kSeconds);
}
void BM_HeaderBlocks(benchmark::State& s) {
    Run(s, &TelemetryStore::ExtractHeaderBlocks, Recordings::Get().headerBlocks, kSeconds);
}
void BM_InterleavedSingleTrack(benchmark::State& s) {
    Run(s, &TelemetryStore::ExtractInterleaved, Recordings::Get().singleTrack, kSeconds);
}
void BM_InterleavedSecondTrack(benchmark::State& s) {
    Run(s, &TelemetryStore::ExtractInterleaved, Recordings::Get().secondTrack, kSeconds);
}
void BM_UserDataIndex500(benchmark::State& s) {
    Run(s, &TelemetryStore::ExtractUserDataIndex, Recordings::Get().userDataIndex, 500);
}

BENCHMARK(BM_TextTrack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InterleavedSingleTrack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InterleavedSecondTrack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UserDataIndex500)->Unit(benchmark::kMillisecond);

}  // namespace
