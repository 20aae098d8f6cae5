#pragma once

// Small helpers for the playlist tests: a temporary folder, files with given
// bytes and times, and ISO-BMFF boxes for the chipset probe.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace playlist_test {

class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/velto-pl-XXXXXX";
        m_path = ::mkdtemp(&pattern[0]) ? pattern : std::string();
    }
    ~TempDir() {
        if (!m_path.empty())
            std::system(("chmod -R u+w '" + m_path + "'; rm -rf '" + m_path + "'").c_str());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline void SetModificationTime(const std::string& path, time_t t) {
    const struct timeval times[2] = {{t, 0}, {t, 0}};
    ::utimes(path.c_str(), times);
}

inline std::string BigEndian32(uint32_t v) {
    std::string s(4, '\0');
    s[0] = char(v >> 24);
    s[1] = char(v >> 16);
    s[2] = char(v >> 8);
    s[3] = char(v);
    return s;
}

// A box with its size counted from its header.
inline std::string Box(const char* type, const std::string& body) {
    return BigEndian32(uint32_t(body.size() + 8)) + std::string(type, 4) + body;
}

// A box header claiming `size`, without any body.
inline std::string BoxHeader(uint32_t size, const char* type) {
    return BigEndian32(size) + std::string(type, 4);
}

// ftyp, a small mdat, then moov holding `moovChildren`.
inline std::string Recording(const std::string& moovChildren) {
    return Box("ftyp", "qt  \0\0\0\0qt  ") + Box("mdat", std::string(64, '\x11')) +
           Box("moov", moovChildren);
}

// A user-data box whose first child is `type` with `contents`, followed by
// another child (the probe reads the first child's size more bytes from its
// type on, so four bytes of what follows it).
inline std::string UserData(const char* type, const std::string& contents) {
    return Box("udta", Box(type, contents) + Box("free", ""));
}

inline std::string MovieHeader() {
    return Box("mvhd", std::string(100, '\0'));
}

}  // namespace playlist_test
