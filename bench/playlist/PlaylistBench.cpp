// Importing a folder of recordings into the playlist: per file the sidecar
// lookup, the chipset probe, the recording time and the lock state. The
// recordings are sparse files of about 100 MB with the layout a camera
// writes (ftyp, a large mdat, moov with mvhd, trak and the udta tag), so the
// probe seeks as it would over real ones.

#include "FileList.h"
#include "PlaylistView.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const int kRecordings = 1000;
const uint32_t kMediaDataSize = 100u * 1000u * 1000u;

std::string BigEndian32(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string Box(const char* type, const std::string& body) {
    return BigEndian32(uint32_t(body.size() + 8)) + std::string(type, 4) + body;
}

// The tags of the layouts a folder may mix.
const char* const kTags[] = {"NT96650A", "AMBARELLA A12", "NT9666 firmware 1.0", "AMBAxV4"};

bool WriteSparseRecording(const std::string& path, int index) {
    const std::string head =
        Box("ftyp", std::string("qt  \0\0\0\0qt  ", 12)) + BigEndian32(kMediaDataSize) + "mdat";
    const std::string tag = std::string("cam ") + kTags[index % 4];
    const std::string moov =
        Box("moov", Box("mvhd", std::string(100, '\0')) + Box("trak", std::string(400, '\x01')) +
                        Box("udta", Box("cami", tag) + Box("free", std::string(32, '\0'))));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const off_t moovAt = off_t(head.size() - 8) + off_t(kMediaDataSize);
    bool ok = ::pwrite(fd, head.data(), head.size(), 0) == ssize_t(head.size()) &&
              ::pwrite(fd, moov.data(), moov.size(), moovAt) == ssize_t(moov.size());
    return ::close(fd) == 0 && ok;
}

// A view that only keeps the row count, as cheap as the model lets it be.
class CountingView : public IPlaylistView {
public:
    int GetRowCount() const override { return m_rows; }
    void AppendRow(const std::string&, const std::string&, const std::string&,
                   const std::string&) override {
        ++m_rows;
    }
    void DeleteRow(int) override { --m_rows; }
    void SetLockText(int, const std::string&) override {}
    void SetRowImage(int, int) override {}

private:
    int m_rows = 0;
};

class RecordingFolder {
public:
    RecordingFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/velto-bench-XXXXXX";
        if (::mkdtemp(&pattern[0]) == nullptr)
            return;
        m_dir = pattern;
        for (int i = 0; i < kRecordings; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/FILE%04d.MOV", i);
            m_paths.push_back(m_dir + name);
            if (!WriteSparseRecording(m_paths.back(), i))
                m_paths.clear();
            if (m_paths.empty())
                return;
        }
    }
    ~RecordingFolder() {
        for (const std::string& p : m_paths)
            ::unlink(p.c_str());
        if (!m_dir.empty())
            ::rmdir(m_dir.c_str());
    }
    const std::vector<std::string>& Paths() const { return m_paths; }
    const std::string& Dir() const { return m_dir; }

private:
    std::string m_dir;
    std::vector<std::string> m_paths;
};

RecordingFolder& Folder() {
    static RecordingFolder folder;
    return folder;
}

void ImportAll(const RecordingFolder& folder) {
    CountingView view;
    CFileList list;
    list.m_pListCtrl = &view;
    for (const std::string& path : folder.Paths())
        list.AddFile(path, nullptr, ".MOV");
    benchmark::DoNotOptimize(list.GetEntryCount());
}

// A camera's folder, written a while ago: the usual import.
void BM_ImportThousandRecordings(benchmark::State& state) {
    RecordingFolder& folder = Folder();
    if (folder.Paths().size() != size_t(kRecordings)) {
        state.SkipWithError("cannot create the recordings");
        return;
    }
    for (auto _ : state)
        ImportAll(folder);
    state.SetItemsProcessed(state.iterations() * kRecordings);
}
BENCHMARK(BM_ImportThousandRecordings)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same folder just after something changed in it: its listing cannot be
// kept between lookups, so every sidecar lookup reads the folder.
void BM_ImportThousandRecordingsFolderJustChanged(benchmark::State& state) {
    RecordingFolder& folder = Folder();
    if (folder.Paths().size() != size_t(kRecordings)) {
        state.SkipWithError("cannot create the recordings");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        ::utimes(folder.Dir().c_str(), nullptr);
        state.ResumeTiming();
        ImportAll(folder);
    }
    state.SetItemsProcessed(state.iterations() * kRecordings);
}
BENCHMARK(BM_ImportThousandRecordingsFolderJustChanged)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
