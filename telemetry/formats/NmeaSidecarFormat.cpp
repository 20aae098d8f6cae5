// Telemetry in files beside the recording, named after it: "<stem>.NMEA" (a plain NMEA log),
// or BlackVue's older "<stem>.gps" (its "[ms]"-prefixed NMEA log) and "<stem>.3gf"
// (accelerations), each extension in any letter case (BlackVueLogs.h reads them).
//
// A sidecar is a second file from the same hostile source as the recording: it is looked up
// only in the recording's folder, a symbolic link is followed only to a file in that same
// folder, it is opened only as a regular file (FileByteSource: O_NONBLOCK, then S_ISREG), and
// at most kMaxSidecarBytes of it are read.
#include "BoxWalker.h"
#include "ByteSource.h"
#include "PerSecondResampler.h"
#include "TelemetryFormat.h"
#include "TelemetryStore.h"
#include "formats/BlackVueLogs.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// 64 MiB: an hour of NMEA at 10 fixes a second with every sentence type is under 20 MiB.
constexpr uint64_t kMaxSidecarBytes = uint64_t(64) << 20;

struct Sidecars {
    std::string nmea, gps, accelerations;
    bool Any() const { return !nmea.empty() || !gps.empty() || !accelerations.empty(); }
};

// Every letter case of a lower-case extension: all upper case first, then all lower case,
// then the mixed ones.
std::vector<std::string> LetterCases(const std::string& lower) {
    std::vector<size_t> letters;
    for (size_t i = 0; i < lower.size(); ++i)
        if (lower[i] >= 'a' && lower[i] <= 'z')
            letters.push_back(i);
    std::vector<std::string> out;
    const unsigned all = (1u << letters.size()) - 1;
    for (unsigned k = 0; k <= all; ++k) {
        const unsigned upper = all - k;  // all upper first, all lower second
        std::string s = lower;
        for (size_t b = 0; b < letters.size(); ++b)
            if (upper & (1u << b))
                s[letters[b]] = char(s[letters[b]] - 'a' + 'A');
        out.push_back(s);
    }
    std::stable_partition(out.begin() + 1, out.end(),
                          [&](const std::string& s) { return s == lower; });
    return out;
}

std::string RealPath(const std::string& path) {
    char* r = ::realpath(path.c_str(), nullptr);
    if (r == nullptr)
        return std::string();
    std::string out = r;
    std::free(r);
    return out;
}

std::string ParentOf(const std::string& realPath) {
    const size_t slash = realPath.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? std::string("/") : realPath.substr(0, slash);
}

// `dir` + `name` when it is a regular file in that folder, or a symbolic link to one in it
// (the path to open is then the link's target).
bool SidecarInFolder(const std::string& dir, const std::string& name, std::string& out) {
    const std::string candidate = dir + name;
    struct stat st;
    if (::lstat(candidate.c_str(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode)) {
        const std::string target = RealPath(candidate);
        const std::string folder = RealPath(dir.empty() ? std::string(".") : dir);
        if (target.empty() || folder.empty() || ParentOf(target) != folder)
            return false;
        if (::stat(target.c_str(), &st) != 0)
            return false;
        out = target;
    } else {
        out = candidate;
    }
    return S_ISREG(st.st_mode);
}

// The first existing "<stem>.<ext>" beside the recording in any letter case of `ext`.
std::string FindSidecar(const std::string& dir, const std::string& stem,
                        const std::string& recordingName, const std::string& ext) {
    for (const std::string& variant : LetterCases(ext)) {
        const std::string name = stem + "." + variant;
        std::string path;
        if (name != recordingName && SidecarInFolder(dir, name, path))
            return path;
    }
    return std::string();
}

bool FindSidecars(const std::string& recording, Sidecars& s) {
    const size_t slash = recording.rfind('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : recording.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? recording : recording.substr(slash + 1);
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    if (stem.empty())
        return false;
    s.nmea = FindSidecar(dir, stem, name, "nmea");
    if (s.nmea.empty())
        s.gps = FindSidecar(dir, stem, name, "gps");
    s.accelerations = FindSidecar(dir, stem, name, "3gf");
    return s.Any();
}

// The recording's BlackVue start time, for a .gps log of the same camera.
int64_t RecordingStartTime(ByteSource& recording) {
    BoxExtent box;
    return FindBlackVueBox(recording, box) ? BlackVueStartTime(recording, box) : kNoLogStart;
}

class NmeaSidecar final : public TelemetryFormat {
public:
    TelemetryFormatId Id() const override { return TelemetryFormatId::NmeaSidecar; }
    const char* Name() const override { return "NMEA sidecar (.NMEA, .gps, .3gf)"; }

    bool Claims(const FormatContext& ctx) const override {
        Sidecars s;
        return !ctx.path.empty() && FindSidecars(ctx.path, s);
    }

    int Extract(const FormatContext& ctx, TelemetryStore& store) const override {
        store.Clear();
        Sidecars s;
        if (ctx.path.empty() || !FindSidecars(ctx.path, s))
            return 0;
        PerSecondResampler resampler(BoxWalker(ctx.src).RecordLimit());
        FileByteSource file;
        if (!s.nmea.empty() && file.Open(s.nmea))
            ReadNmeaLog(file, 0, std::min(file.Size(), kMaxSidecarBytes), kNoLogStart, resampler);
        else if (!s.gps.empty() && file.Open(s.gps))
            ReadNmeaLog(file, 0, std::min(file.Size(), kMaxSidecarBytes),
                        RecordingStartTime(ctx.src), resampler);
        if (!s.accelerations.empty() && file.Open(s.accelerations))
            Read3gfLog(file, 0, std::min(file.Size(), kMaxSidecarBytes), resampler);
        return resampler.WriteTo(store);
    }
};

}  // namespace

const TelemetryFormat& NmeaSidecarFormat() {
    static const NmeaSidecar f;
    return f;
}
