#pragma once

// Fixtures for the playlist tests, on top of the shared box writer: file
// times, and recordings whose movie box carries a user-data tag.

#include "BoxWriter.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <ctime>
#include <string>

namespace playlist_test {

using namespace velto::testing;

inline void SetModificationTime(const std::string& path, time_t t) {
    const struct timeval times[2] = {{t, 0}, {t, 0}};
    ::utimes(path.c_str(), times);
}

// ftyp, a small mdat, then moov holding `moovChildren`.
inline Bytes Recording(const Bytes& moovChildren) {
    return Concat({FtypBox(), Box("mdat", Bytes(64, 0x11)), Box("moov", moovChildren)});
}

// A user-data box whose first child is `type` with `contents`, followed by
// another child (the probe reads the first child's size more bytes from its
// type on, so four bytes of what follows it).
inline Bytes UserData(const char* type, const std::string& contents) {
    return Box("udta", Concat({Box(type, Text(contents)), Box("free")}));
}

}  // namespace playlist_test
