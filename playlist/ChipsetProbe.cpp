#include "ChipsetProbe.h"

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

// Positioned reads on an open recording; a short read ends the probe.
class ProbeReader {
public:
    explicit ProbeReader(int fd) : m_fd(fd) {}

    bool Read(void* buf, size_t n) {
        size_t done = 0;
        while (done < n) {
            const ssize_t got = ::pread(m_fd, static_cast<char*>(buf) + done, n - done,
                                        static_cast<off_t>(m_pos + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        m_pos += done;
        return done == n;
    }

    bool ReadU32(uint32_t& v) {
        unsigned char b[4];
        if (!Read(b, 4))
            return false;
        v = BigEndian32(b);
        return true;
    }

    static uint32_t BigEndian32(const unsigned char* b) {
        return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
    }

    // Box header: 4-byte big-endian size, 4-byte type.
    bool ReadBoxHeader(uint32_t& size, char type[5]) {
        unsigned char header[8];
        if (!Read(header, 8))
            return false;
        size = BigEndian32(header);
        std::memcpy(type, header + 4, 4);
        type[4] = '\0';
        return true;
    }

    // Skips the rest of a box whose header was just read. The difference is
    // unsigned 32-bit: a size below 8 jumps about 4 GiB ahead.
    void SkipBoxBody(uint32_t size) { m_pos += static_cast<uint32_t>(size - 8u); }

    void Seek(uint64_t pos) { m_pos = pos; }

private:
    int m_fd;
    uint64_t m_pos = 0;
};

// Opens a regular file for probing without ever blocking (FIFOs, devices).
int OpenRegularFile(const std::string& path, uint64_t& size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    size = static_cast<uint64_t>(st.st_size);
    return fd;
}

// The last eight bytes as zero-terminated text: "ICAT6330" or "ICAT6350".
bool HasTailTag(ProbeReader& in, uint64_t fileSize) {
    if (fileSize < 8)
        return false;
    char tail[9] = {};
    in.Seek(fileSize - 8);
    if (!in.Read(tail, 8))
        return false;
    return std::strcmp(tail, "ICAT6330") == 0 || std::strcmp(tail, "ICAT6350") == 0;
}

int KindFromUserDataTag(const char* tag) {
    if (std::strstr(tag, "AMBARELLA A7L"))
        return 2;
    if (std::strstr(tag, "NT96650A"))
        return 4;
    if (std::strstr(tag, "NT9665x"))
        return 4;
    // Past the first child's type and the first four bytes of its contents.
    if (std::strlen(tag) > 8 && std::strstr(tag + 8, "NT9666"))
        return 5;
    if (std::strstr(tag, "AMBAxV4"))
        return 1;
    if (std::strstr(tag, "AMBARELLA A12"))
        return 1;
    return 5;
}

// Reads the first child of "udta" (up to 64 bytes from its type on) and
// returns its kind, or `kind` unchanged when the tag cannot be read.
int ReadUserDataTag(ProbeReader& in, int kind) {
    uint32_t n = 0;
    if (!in.ReadU32(n))
        return kind;
    if (n > kTagBufferSize)
        n = kTagBufferSize;
    if (n == 0)
        return kind;
    char tag[kTagBufferSize + 1] = {};
    if (!in.Read(tag, n))
        return kind;
    return KindFromUserDataTag(tag);
}

// Walks the children of "moov"; the kind becomes 5 once any other child
// has been passed.
int WalkMovieBox(ProbeReader& in) {
    int kind = 0;
    for (int i = 0; i < kMaxBoxesWalked; ++i) {
        uint32_t size = 0;
        char type[5];
        if (!in.ReadBoxHeader(size, type))
            return kind;
        if (std::memcmp(type, "udta", 4) == 0)
            return ReadUserDataTag(in, kind);
        kind = 5;
        in.SkipBoxBody(size);
    }
    return kind;
}

int WalkTopLevel(ProbeReader& in) {
    in.Seek(0);
    for (int i = 0; i < kMaxBoxesWalked; ++i) {
        uint32_t size = 0;
        char type[5];
        if (!in.ReadBoxHeader(size, type))
            return 0;
        if (std::memcmp(type, "moov", 4) == 0)
            return WalkMovieBox(in);
        in.SkipBoxBody(size);
    }
    return 0;
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

int DetectChipset(const std::string& path) {
    uint64_t size = 0;
    const int fd = OpenRegularFile(path, size);
    if (fd < 0)
        return 0;
    ProbeReader in(fd);
    const int kind = HasTailTag(in, size) ? 3 : WalkTopLevel(in);
    ::close(fd);
    return kind;
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

std::string RecordingTimeText(const std::string& path, const std::string& ext, int nChipset) {
    BrokenDownTime t{};
    const bool creation = ext == ".MOV" && (nChipset == 4 || nChipset == 5);
    const bool ok = creation ? ReadCreationTime(path, t) : ReadModificationTime(path, t);
    return ok ? FormatRecordingTime(t) : std::string();
}
