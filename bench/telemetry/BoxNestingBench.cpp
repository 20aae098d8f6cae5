// The box-nesting check the engine runs on the GUI thread before libvlc opens a file: on a
// one-hour recording, on the 7,000-level file, and at the bound of headers it reads (in
// memory, and on disk with one read per header).
#include "BoxNesting.h"
#include "BoxWriter.h"
#include "ByteSource.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace {

using namespace velto::testing;

constexpr int kSparseBoxes = 4096;
constexpr uint32_t kSparseBoxSize = 4104;  // every header lies in a block of its own

class Files {
public:
    static Files& Get() {
        static Files f;
        return f;
    }
    std::string hour, deep, sparse;
    Bytes flat;

private:
    Files() {
        if (!m_dir.Ok())
            std::abort();
        std::vector<Bytes> records;
        for (int i = 0; i < 3600; ++i)
            records.push_back(
                FixedRecord({i, -i, 1000, "$GPRMC,120000,A,2232.1,N,11403.1,E,1,2,3"}));
        hour = m_dir.File("hour.MP4");
        deep = m_dir.Write("deep.MP4", NestedBoxesRecording(7000));
        sparse = m_dir.File("sparse.MP4");
        if (!SingleTrackRecording(ThirtyFpsLayout(records)).WriteTo(hour) || deep.empty() ||
            !WriteSparse(sparse))
            std::abort();
        flat.reserve(8 * kMaxBoxesVisited);
        for (uint64_t i = 0; i < kMaxBoxesVisited; ++i)
            AppendBytes(flat, Box("free"));
    }
    static bool WriteSparse(const std::string& path) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        bool ok = fd >= 0 && ::ftruncate(fd, off_t(kSparseBoxes) * kSparseBoxSize) == 0;
        for (int i = 0; ok && i < kSparseBoxes; ++i) {
            const Bytes header = RawHeader(kSparseBoxSize, "free");
            ok = TempDir::WriteAll(fd, uint64_t(i) * kSparseBoxSize, header.data(), header.size());
        }
        return fd >= 0 && ::close(fd) == 0 && ok;
    }
    TempDir m_dir;
};

void OnFile(benchmark::State& state, const std::string& path, BoxNestingVerdict expected) {
    for (auto _ : state) {
        FileByteSource file;
        const BoxNesting n = file.Open(path) ? MeasureBoxNesting(file) : BoxNesting();
        if (n.verdict != expected)
            state.SkipWithError("unexpected verdict");
        state.counters["boxes"] = double(n.boxes);
    }
}

void BM_OneHourRecording(benchmark::State& s) {
    OnFile(s, Files::Get().hour, BoxNestingVerdict::Acceptable);
}
void BM_SevenThousandLevels(benchmark::State& s) {
    OnFile(s, Files::Get().deep, BoxNestingVerdict::TooDeep);
}
void BM_OneReadPerHeaderOnDisk(benchmark::State& s) {
    OnFile(s, Files::Get().sparse, BoxNestingVerdict::Acceptable);
}
void BM_HeaderBoundInMemory(benchmark::State& s) {
    const Bytes& flat = Files::Get().flat;
    for (auto _ : s) {
        MemoryByteSource src(flat);
        if (MeasureBoxNesting(src).verdict != BoxNestingVerdict::TooManyBoxes)
            s.SkipWithError("unexpected verdict");
    }
}

BENCHMARK(BM_OneHourRecording)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SevenThousandLevels)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneReadPerHeaderOnDisk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderBoundInMemory)->Unit(benchmark::kMillisecond);

}  // namespace
