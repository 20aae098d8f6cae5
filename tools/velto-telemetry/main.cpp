// velto-telemetry: the command-line face of the core. It finds a recording's
// kind and telemetry through the same code the player uses.

#include "BoxWalker.h"
#include "ByteSource.h"
#include "CommandLine.h"
#include "Extraction.h"
#include "FileList.h"
#include "FormatRegistry.h"
#include "TelemetryStore.h"
#include "TextEscape.h"
#include "TrackFormats.h"
#include "UtcTime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const int kExitRead = 0;
const int kExitCannotOpen = 1;
const int kExitUsage = 2;

// The upper-case extension with its dot, as the player's import passes it.
std::string UpperExtension(const std::string& path) {
    const std::string name = CFileList::FileNameFromPath(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return std::string();
    std::string ext = name.substr(dot);
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

// Why `path` cannot be read as a recording, or empty when it can. Never
// blocks: FIFOs and devices are opened without waiting.
std::string WhyUnreadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::strerror(errno);
    struct stat st;
    std::string why;
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        why = "is a directory";
    } else if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
    }
    ::close(fd);
    return why;
}

void ReportCannotOpen(const std::string& path) {
    std::string why = WhyUnreadable(path);
    if (why.empty())
        why = "cannot be read";
    std::fprintf(stderr, "velto-telemetry: cannot open '%s': %s\n", path.c_str(), why.c_str());
}

// A relative path resolved against the working directory, as the player's import hands
// paths to the playlist: absolute. Left as it is when the working directory is unknown.
std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/')
        return path;
    std::string cwd(256, '\0');
    while (::getcwd(&cwd[0], cwd.size()) == nullptr) {
        if (errno != ERANGE || cwd.size() > (size_t(1) << 20))
            return path;
        cwd.resize(cwd.size() * 2);
    }
    cwd.resize(std::strlen(cwd.c_str()));
    return cwd + (cwd.empty() || cwd.back() != '/' ? "/" : "") + path;
}

// The entry the playlist builds for `path`, as the player would add it (by its absolute
// path), with the paths in it written back in the form the user gave.
tagFileNode PlaylistEntry(const std::string& path) {
    const std::string absolute = AbsolutePath(path);
    CFileList list;
    list.AddFile(absolute, nullptr, UpperExtension(path));
    tagFileNode node;
    list.GetEntry(0, node);
    node.strFilePath = path;
    // The sidecar lies in the recording's folder (or its gps/): that folder as given.
    const size_t folderLength = absolute.rfind('/') + 1;
    const size_t givenFolderLength = path.rfind('/') + 1;  // 0 without a '/'
    if (!node.strDatPath.empty() &&
        node.strDatPath.compare(0, folderLength, absolute, 0, folderLength) == 0) {
        node.strDatPath = path.substr(0, givenFolderLength) + node.strDatPath.substr(folderLength);
    }
    return node;
}

int FinishOutput(int status) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "velto-telemetry: cannot write the output: %s\n",
                     std::strerror(errno));
        return kExitCannotOpen;
    }
    return status;
}

int RunProbe(const CommandLine& cl) {
    int status = kExitRead;
    for (const std::string& path : cl.files) {
        const tagFileNode node = PlaylistEntry(path);
        std::printf("%d\t%s\t%s\t%s\t%s\n", ChipsetKindNumber(node.nChipset),
                    ProbeField(node.strDateTime).c_str(), node.bReadOnly ? "ReadOnly" : "",
                    ProbeField(node.strDatPath).c_str(), ProbeField(node.strFilePath).c_str());
        if (!WhyUnreadable(path).empty()) {
            std::fflush(stdout);
            ReportCannotOpen(path);
            status = kExitCannotOpen;
        }
    }
    return FinishOutput(status);
}

// The recording's telemetry as the player reads it, from the entry the playlist builds.
TelemetryReading ReadAsPlayer(TelemetryStore& store, const std::string& path) {
    tagFileNode node = PlaylistEntry(path);
    node.strFilePath = AbsolutePath(path);
    return ReadEntryTelemetry(store, node);
}

// The movie's duration in seconds ("%.3f"), or empty when it has none.
std::string DurationText(const std::string& path) {
    FileByteSource src;
    uint32_t timescale = 0;
    uint64_t duration = 0;
    if (!src.Open(path) || !ReadMovieDuration(src, timescale, duration))
        return std::string();
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", double(duration) / timescale);
    return text;
}

int RunInfo(const CommandLine& cl) {
    int status = kExitRead;
    for (const std::string& path : cl.files) {
        TelemetryStore store;
        const tagFileNode node = PlaylistEntry(path);
        const TelemetryReading reading = ReadAsPlayer(store, path);
        int positions = 0;
        int64_t firstFix = kNoUtcTime;
        tagAssistInfo s;
        for (int i = 0; i < store.GetCount(); ++i) {
            if (store.GetSample(i, s) != 0 || !HasUsablePosition(s))
                continue;
            ++positions;
            if (firstFix == kNoUtcTime)
                firstFix = s.utcMillis;
        }
        std::printf("%s\t%d\t%d\t%d\t%s\t%s\t%s\n", reading.name, ChipsetKindNumber(node.nChipset),
                    std::max(reading.count, 0), positions, IsoUtcText(firstFix).c_str(),
                    DurationText(AbsolutePath(path)).c_str(), ProbeField(path).c_str());
        if (reading.count < 0) {
            std::fflush(stdout);
            ReportCannotOpen(path);
            status = kExitCannotOpen;
        }
    }
    return FinishOutput(status);
}

int RunExtract(const CommandLine& cl) {
    const std::string& path = cl.files.front();
    TelemetryStore store;
    const int count = cl.kind ? ExtractForKind(store, *cl.kind, AbsolutePath(path))
                              : ReadAsPlayer(store, path).count;
    if (count < 0) {
        ReportCannotOpen(path);
        return kExitCannotOpen;
    }
    const std::string trackName = CFileList::FileNameFromPath(path);
    switch (cl.format) {
        case OutputFormat::Csv:
            WriteCsv(stdout, store);
            break;
        case OutputFormat::Gpx:
            WriteGpx(stdout, store, trackName);
            break;
        case OutputFormat::GeoJson:
            WriteGeoJson(stdout, store, trackName);
            break;
    }
    return FinishOutput(kExitRead);
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine cl;
    std::string error;
    if (!ParseCommandLine(argc, argv, cl, error)) {
        std::fprintf(stderr, "velto-telemetry: %s\n", error.c_str());
        std::fprintf(stderr, "%s", UsageSynopsis());
        std::fprintf(stderr, "Try 'velto-telemetry --help' for more information.\n");
        return kExitUsage;
    }
    switch (cl.mode) {
        case CommandLine::Mode::Help:
            std::fputs(UsageText(), stdout);
            return FinishOutput(kExitRead);
        case CommandLine::Mode::Probe:
            return RunProbe(cl);
        case CommandLine::Mode::Info:
            return RunInfo(cl);
        case CommandLine::Mode::Extract:
            break;
    }
    return RunExtract(cl);
}
