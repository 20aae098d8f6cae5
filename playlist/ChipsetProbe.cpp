#include "ChipsetProbe.h"

#include "BoxWalker.h"
#include "ByteSource.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// ---------------------------------------------------------------- sidecar

bool EntryExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The recording's directory with its trailing '/' (empty for a bare name)
// and its file name without the extension.
void SplitRecordingPath(const std::string& path, std::string& dir, std::string& stem) {
    const size_t slash = path.rfind('/');
    dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    stem = dot == std::string::npos ? name : name.substr(0, dot);
}

std::string FoldedCase(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

// The names in one folder, looked up without regard to ASCII letter case.
// Listings of folders that have not changed for a while are kept, so that
// importing a folder of recordings reads the folder once, not once per file.
class FolderListing {
public:
    // The listing of `dir` (empty: the working directory); null when it is no
    // readable folder. A folder that changed a moment ago is read for the
    // `wanted` names only and not kept.
    static std::shared_ptr<const FolderListing> Of(const std::string& dir,
                                                   std::initializer_list<std::string> wanted) {
        const std::string path = dir.empty() ? std::string(".") : dir;
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return nullptr;
        if (std::shared_ptr<const FolderListing> kept = Kept(path, st))
            return kept;
        const bool settled = now.tv_sec - st.st_mtim.tv_sec >= kSettledSeconds;
        auto listing = std::make_shared<FolderListing>();
        if (!listing->Read(path, st, settled ? std::vector<std::string>() : Folded(wanted)))
            return nullptr;
        if (settled)
            Keep(listing);
        return listing;
    }

    // The names equal to `name` in any letter case, sorted so that the choice
    // among several is stable.
    const std::vector<std::string>& Matching(const std::string& name) const {
        static const std::vector<std::string> kNone;
        const auto it = m_byFoldedName.find(FoldedCase(name));
        return it == m_byFoldedName.end() ? kNone : it->second;
    }

private:
    static const size_t kKeptFolders = 8;
    // A folder changed this recently may change again within the same tick
    // of the file system's clock without its times moving.
    static const time_t kSettledSeconds = 2;

    // Reads the names of the folder, or only those equal to one of
    // `foldedWanted` in any letter case when that is not empty.
    bool Read(const std::string& path, const struct stat& st,
              const std::vector<std::string>& foldedWanted) {
        DIR* d = ::opendir(path.c_str());
        if (d == nullptr)
            return false;
        while (const dirent* e = ::readdir(d)) {
            if (!foldedWanted.empty() && !IsWanted(e->d_name, foldedWanted))
                continue;
            m_byFoldedName[FoldedCase(e->d_name)].emplace_back(e->d_name);
        }
        ::closedir(d);
        for (auto& entry : m_byFoldedName)
            std::sort(entry.second.begin(), entry.second.end());
        m_path = path;
        m_device = st.st_dev;
        m_inode = st.st_ino;
        m_modified = st.st_mtim;
        m_changed = st.st_ctim;
        return true;
    }

    static bool IsWanted(const char* name, const std::vector<std::string>& foldedWanted) {
        for (const std::string& w : foldedWanted) {
            if (::strcasecmp(name, w.c_str()) == 0)
                return true;
        }
        return false;
    }

    static std::vector<std::string> Folded(std::initializer_list<std::string> names) {
        std::vector<std::string> out;
        for (const std::string& n : names)
            out.push_back(FoldedCase(n));
        return out;
    }

    bool Describes(const std::string& path, const struct stat& st) const {
        return m_path == path && m_device == st.st_dev && m_inode == st.st_ino &&
               SameTime(m_modified, st.st_mtim) && SameTime(m_changed, st.st_ctim);
    }

    static bool SameTime(const timespec& a, const timespec& b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    }

    // One playlist works on one thread; each thread keeps its own listings.
    static std::vector<std::shared_ptr<const FolderListing>>& KeptListings() {
        thread_local std::vector<std::shared_ptr<const FolderListing>> kept;
        return kept;
    }

    static std::shared_ptr<const FolderListing> Kept(const std::string& path,
                                                     const struct stat& st) {
        for (const auto& listing : KeptListings()) {
            if (listing->Describes(path, st))
                return listing;
        }
        return nullptr;
    }

    static void Keep(const std::shared_ptr<const FolderListing>& listing) {
        auto& kept = KeptListings();
        kept.erase(std::remove_if(kept.begin(), kept.end(),
                                  [&](const auto& l) { return l->m_path == listing->m_path; }),
                   kept.end());
        if (kept.size() >= kKeptFolders)
            kept.erase(kept.begin());
        kept.push_back(listing);
    }

    std::string m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    timespec m_modified{}, m_changed{};
    std::unordered_map<std::string, std::vector<std::string>> m_byFoldedName;
};

bool FindInAnyCase(const FolderListing* folder, const std::string& dir, const std::string& name,
                   std::string& out) {
    if (folder == nullptr || folder->Matching(name).empty())
        return false;
    out = dir + folder->Matching(name).front();
    return true;
}

bool FindInGpsFolderInAnyCase(const FolderListing* folder, const std::string& dir,
                              const std::string& datName, std::string& out) {
    if (folder == nullptr)
        return false;
    for (const std::string& gps : folder->Matching("gps")) {
        const std::string gpsDir = dir + gps + "/";
        if (FindInAnyCase(FolderListing::Of(gpsDir, {datName}).get(), gpsDir, datName, out))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- probe

const int kMaxBoxesWalked = 128;
const size_t kTagBufferSize = 64;

// The position after the box whose header is `h`: its size less 8 taken as an unsigned
// 32-bit quantity, so a size below 8 jumps about 4 GiB ahead (and the next read normally
// finds the end of the file).
uint64_t SkipTarget(const BoxHeader& h) {
    return h.Payload() + static_cast<uint32_t>(h.size - 8u);
}

// The last eight bytes as zero-terminated text: "ICAT6330" or "ICAT6350".
bool HasTailTag(ByteSource& src) {
    if (src.Size() < 8)
        return false;
    char tail[9] = {};
    if (!src.ReadExact(src.Size() - 8, tail, 8))
        return false;
    return std::strcmp(tail, "ICAT6330") == 0 || std::strcmp(tail, "ICAT6350") == 0;
}

ChipsetProbeResult UserDataTagResult(ChipsetKind kind) {
    return {kind, ChipsetTag::UserData};
}

ChipsetProbeResult KindFromUserDataTag(const char* tag) {
    if (std::strstr(tag, "AMBARELLA A7L"))
        return UserDataTagResult(ChipsetKind::TextTrackA7L);
    if (std::strstr(tag, "NT96650A"))
        return UserDataTagResult(ChipsetKind::Interleaved);
    if (std::strstr(tag, "NT9665x"))
        return UserDataTagResult(ChipsetKind::Interleaved);
    // Past the first child's type and the first four bytes of its contents.
    if (std::strlen(tag) > 8 && std::strstr(tag + 8, "NT9666"))
        return UserDataTagResult(ChipsetKind::UserDataIndex);
    if (std::strstr(tag, "AMBAxV4"))
        return UserDataTagResult(ChipsetKind::TextTrack);
    if (std::strstr(tag, "AMBARELLA A12"))
        return UserDataTagResult(ChipsetKind::TextTrack);
    return {ChipsetKind::UserDataIndex, ChipsetTag::None};
}

// Reads the first child of "udta": its size n, then n bytes (at most 64) from its type on,
// which reaches four bytes past the child. A file that ends before them (the box written
// last) gives the bytes it holds within "udta". Returns the tag's kind, or `kind` unchanged
// when there is no tag to read.
ChipsetProbeResult ReadUserDataTag(ByteSource& src, const BoxHeader& udta, ChipsetKind kind) {
    const ChipsetProbeResult unchanged{kind, ChipsetTag::None};
    uint32_t n = 0;
    if (!src.ReadU32BE(udta.Payload(), n))
        return unchanged;
    if (n > kTagBufferSize)
        n = kTagBufferSize;
    if (n == 0)
        return unchanged;
    const uint64_t tagStart = udta.Payload() + 4;
    char tag[kTagBufferSize + 1] = {};
    const size_t got = src.ReadAt(tagStart, tag, n);
    if (got < n) {
        const uint64_t inBox = udta.End() > tagStart ? udta.End() - tagStart : 0;
        const size_t kept = static_cast<size_t>(std::min<uint64_t>(got, inBox));
        if (kept == 0)
            return unchanged;
        std::memset(tag + kept, 0, sizeof tag - kept);
    }
    return KindFromUserDataTag(tag);
}

// Walks the children of "moov" from `position`; the kind becomes UserDataIndex once any
// other child has been passed.
ChipsetProbeResult WalkMovieBox(ByteSource& src, uint64_t position) {
    ChipsetKind kind = ChipsetKind::UserDataIndexFallback;
    for (int i = 0; i < kMaxBoxesWalked; ++i) {
        BoxHeader h;
        if (!ReadBoxHeader(src, position, h))
            break;
        if (h.Is("udta"))
            return ReadUserDataTag(src, h, kind);
        kind = ChipsetKind::UserDataIndex;
        position = SkipTarget(h);
    }
    return {kind, ChipsetTag::None};
}

ChipsetProbeResult WalkTopLevel(ByteSource& src) {
    uint64_t position = 0;
    for (int i = 0; i < kMaxBoxesWalked; ++i) {
        BoxHeader h;
        if (!ReadBoxHeader(src, position, h))
            break;
        if (h.Is("moov"))
            return WalkMovieBox(src, h.Payload());
        position = SkipTarget(h);
    }
    return {};
}

// ---------------------------------------------------------------- time

bool ToBrokenDown(time_t t, BrokenDownTime& out) {
    struct tm tmv;
    if (::localtime_r(&t, &tmv) == nullptr)
        return false;
    out.year = tmv.tm_year + 1900;
    out.month = tmv.tm_mon + 1;
    out.day = tmv.tm_mday;
    out.hour = tmv.tm_hour;
    out.minute = tmv.tm_min;
    out.second = tmv.tm_sec;
    return true;
}

bool ReadModificationTime(const std::string& path, BrokenDownTime& out) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return ToBrokenDown(st.st_mtime, out);
}

std::string FormatRecordingTime(const BrokenDownTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %02d-%02d-%04d", t.hour, t.minute, t.second,
                  t.month, t.day, t.year);
    return text;
}

}  // namespace

DatLookup FindDatFile(const std::string& path, std::string& datPath) {
    if (path.size() < 8)
        return DatLookup::NotLooked;
    std::string dir, stem;
    SplitRecordingPath(path, dir, stem);
    const std::string datName = stem + ".DAT";

    // Each candidate by its exact name first, then in any letter case; the
    // one beside the recording wins over the one in gps/.
    const std::string beside = dir + datName;
    if (EntryExists(beside)) {
        datPath = beside;
        return DatLookup::Found;
    }
    const std::shared_ptr<const FolderListing> folder = FolderListing::Of(dir, {datName, "gps"});
    if (FindInAnyCase(folder.get(), dir, datName, datPath))
        return DatLookup::Found;

    const std::string inGps = dir + "gps/" + datName;
    if (EntryExists(inGps)) {
        datPath = inGps;
        return DatLookup::Found;
    }
    if (FindInGpsFolderInAnyCase(folder.get(), dir, datName, datPath))
        return DatLookup::Found;
    return DatLookup::NotFound;
}

ChipsetProbeResult ProbeChipset(ByteSource& src) {
    if (HasTailTag(src))
        return {ChipsetKind::HeaderBlocks, ChipsetTag::Tail};
    return WalkTopLevel(src);
}

ChipsetProbeResult ProbeChipset(const std::string& path) {
    FileByteSource src;
    if (!src.Open(path))
        return {};
    return ProbeChipset(src);
}

ChipsetKind DetectChipset(ByteSource& src) {
    return ProbeChipset(src).kind;
}

ChipsetKind DetectChipset(const std::string& path) {
    return ProbeChipset(path).kind;
}

bool ReadCreationTime(const std::string& path, BrokenDownTime& out) {
#ifdef STATX_BTIME
    struct statx stx;
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &stx) == 0) {
        if (stx.stx_mask & STATX_BTIME)
            return ToBrokenDown(stx.stx_btime.tv_sec, out);
        if (stx.stx_mask & STATX_MTIME)
            return ToBrokenDown(stx.stx_mtime.tv_sec, out);
        return false;
    }
    if (errno != ENOSYS)
        return false;
#endif
    return ReadModificationTime(path, out);
}

std::string RecordingTimeText(const std::string& path, const std::string& ext, ChipsetKind kind) {
    BrokenDownTime t{};
    const bool creation =
        ext == ".MOV" && (kind == ChipsetKind::Interleaved || kind == ChipsetKind::UserDataIndex);
    const bool ok = creation ? ReadCreationTime(path, t) : ReadModificationTime(path, t);
    return ok ? FormatRecordingTime(t) : std::string();
}
