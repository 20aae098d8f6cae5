#pragma once

// Test support, header-only: recordings with 70mai's top-level "GPS " box after "moov", as
// ExifTool reads it (FORMATS.md §3): 36-byte little-endian records, then at least one all-zero
// record (ExifTool drops a record that ends exactly at the end of the box).

#include "Mp4Fixture.h"

#include <cmath>
#include <vector>

namespace velto::testing {

struct SeventyMaiRecord {
    uint32_t second = 0;
    double latitude = 0.0;  // decimal degrees, south negative
    double longitude = 0.0;
    double speedKmh = 0.0;
};

// DDMM.MMM x 1000 of |degrees|, rounded to the thousandth of a minute.
inline uint32_t SeventyMaiDdmm(double degrees) {
    const double a = std::fabs(degrees);
    const double whole = std::floor(a);
    uint32_t thousandths = uint32_t(std::lround((a - whole) * 60000.0));
    uint32_t d = uint32_t(whole);
    if (thousandths >= 60000) {
        thousandths -= 60000;
        ++d;
    }
    return d * 100000 + thousandths;
}

inline Bytes SeventyMaiRecordBytes(const SeventyMaiRecord& r) {
    Bytes b;
    AppendU32LE(b, 1);
    AppendU32LE(b, 1);
    AppendU32LE(b, r.second);
    AppendU32LE(b, uint32_t(std::lround(r.speedKmh * 1000.0)));
    AppendU8(b, r.latitude < 0 ? 'S' : 'N');
    AppendU32LE(b, SeventyMaiDdmm(r.latitude));
    AppendU8(b, r.longitude < 0 ? 'W' : 'E');
    AppendU32LE(b, SeventyMaiDdmm(r.longitude));
    AppendZeros(b, 10);
    return b;
}

// The "GPS " box: the records as given (raw 36-byte records may be mixed in by the caller
// through `raw`), then `unusedSlots` all-zero records.
inline Bytes SeventyMaiGpsBox(const std::vector<Bytes>& records, size_t unusedSlots = 1) {
    Bytes payload;
    for (const Bytes& r : records)
        AppendBytes(payload, r);
    AppendZeros(payload, 36 * unusedSlots);
    return Box("GPS ", payload);
}

inline std::vector<Bytes> SeventyMaiRecords(const std::vector<SeventyMaiRecord>& records) {
    std::vector<Bytes> out;
    for (const SeventyMaiRecord& r : records)
        out.push_back(SeventyMaiRecordBytes(r));
    return out;
}

// ftyp, mdat (a few stand-in bytes), moov (mvhd only: the movie lasts `seconds`, created at
// `createUnix`), then the "GPS " box at the top level.
inline Bytes SeventyMaiRecording(const Bytes& gpsBox, uint32_t seconds, uint32_t createUnix = 0) {
    FixtureMovie m;
    m.mediaData = Bytes(64, 0x5A);
    m.durationMs = seconds * 1000;
    m.createUnix = createUnix;
    m.afterMoov.push_back(gpsBox);
    return WriteMovie(m);
}

// A drive: one record a second from second 0, moving south-west from (lat, lon).
inline std::vector<SeventyMaiRecord> SeventyMaiDrive(int seconds, double lat, double lon) {
    std::vector<SeventyMaiRecord> out;
    for (int i = 0; i < seconds; ++i)
        out.push_back({uint32_t(i), lat - 0.0002 * i, lon - 0.0003 * i, 50.0 + i % 7});
    return out;
}

}  // namespace velto::testing
