#pragma once

// Test support, header-only: BlackVue recordings and NMEA logs as ExifTool reads them
// (FORMATS.md §6.1, §7): a top-level "free" box holding "cprt", "sttm" (u64 ms), "gps " (the
// NMEA log, each sentence prefixed "[ms]" on the camera's clock, NUL-padded) and "3gf "
// (10-byte accelerations); the same log as plain NMEA text for a ".NMEA" sidecar.

#include "Mp4Fixture.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace velto::testing {

struct NmeaFix {
    double videoSeconds = 0.0;  // the "[ms]" prefix is the start plus this
    int64_t utcMillis = 0;      // RMC time and date
    double latitude = 0.0;      // decimal degrees, south negative
    double longitude = 0.0;     // west negative
    double knots = 10.0;
    double course = 90.0;  // NaN: an empty course field
    bool valid = true;     // status 'A', else 'V' (and no position)
};

struct Accel3gf {
    uint32_t ms = 0;
    int16_t x = 0, y = 0, z = 0;
};

// "DDMM.MMMM" / "DDDMM.MMMM" of |degrees|.
inline std::string NmeaCoordinate(double degrees, int degreeDigits) {
    const double a = std::fabs(degrees);
    int whole = int(a);
    long tenThousandths = std::lround((a - whole) * 600000.0);
    if (tenThousandths >= 600000) {
        tenThousandths -= 600000;
        ++whole;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%0*d%02ld.%04ld", degreeDigits, whole, tenThousandths / 10000,
                  tenThousandths % 10000);
    return text;
}

// "$" + body + "*" + the XOR checksum.
inline std::string NmeaSentenceText(const std::string& body) {
    unsigned sum = 0;
    for (char c : body)
        sum ^= uint8_t(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return "$" + body + tail;
}

// UTC milliseconds to "hhmmss.ss" and "DDMMYY".
inline void NmeaTimeFields(int64_t utcMillis, std::string& time, std::string& date) {
    const int64_t days = utcMillis / 86400000;
    const int64_t ms = utcMillis % 86400000;
    // Civil date from days since 1970 (proleptic Gregorian).
    const int64_t z = days + 719468;
    const int64_t era = z / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = int(doy - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    const int year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
    char t[32], d[16];
    std::snprintf(t, sizeof t, "%02d%02d%02d.%02d", int(ms / 3600000), int(ms / 60000 % 60),
                  int(ms / 1000 % 60), int(ms % 1000 / 10));
    std::snprintf(d, sizeof d, "%02d%02d%02d", day, month, year % 100);
    time = t;
    date = d;
}

inline std::string RmcText(const NmeaFix& f) {
    std::string time, date;
    NmeaTimeFields(f.utcMillis, time, date);
    char numbers[64] = "";
    if (std::isnan(f.course))
        std::snprintf(numbers, sizeof numbers, "%.3f,", f.knots);
    else
        std::snprintf(numbers, sizeof numbers, "%.3f,%.2f", f.knots, f.course);
    if (!f.valid)
        return NmeaSentenceText("GPRMC," + time + ",V,,,,,,," + date + ",,,N");
    return NmeaSentenceText("GPRMC," + time + ",A," + NmeaCoordinate(f.latitude, 2) + "," +
                            (f.latitude < 0 ? "S" : "N") + "," + NmeaCoordinate(f.longitude, 3) +
                            "," + (f.longitude < 0 ? "W" : "E") + "," + numbers + "," + date +
                            ",,,A");
}

inline std::string GgaText(const NmeaFix& f) {
    std::string time, date;
    NmeaTimeFields(f.utcMillis, time, date);
    if (!f.valid)
        return NmeaSentenceText("GPGGA," + time + ",,,,,0,00,99.99,,,,,,");
    return NmeaSentenceText("GPGGA," + time + "," + NmeaCoordinate(f.latitude, 2) + "," +
                            (f.latitude < 0 ? "S" : "N") + "," + NmeaCoordinate(f.longitude, 3) +
                            "," + (f.longitude < 0 ? "W" : "E") + ",1,08,0.9,120.5,M,40.1,M,,");
}

// The log of `fixes`: per fix RMC, GGA and GSA lines, each prefixed "[ms]" (start + video
// time) when `prefixed`, CR LF line ends.
inline std::string NmeaLogText(const std::vector<NmeaFix>& fixes, int64_t startMs, bool prefixed) {
    std::string log;
    for (const NmeaFix& f : fixes) {
        const std::string prefix =
            prefixed ? "[" + std::to_string(startMs + std::llround(f.videoSeconds * 1000)) + "]"
                     : std::string();
        log += prefix + RmcText(f) + "\r\n";
        log += prefix + GgaText(f) + "\r\n";
        log += prefix + NmeaSentenceText("GPGSA,A,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1") + "\r\n";
    }
    return log;
}

inline Bytes ThreeGfRecords(const std::vector<Accel3gf>& records, bool endMark = true) {
    Bytes b;
    for (const Accel3gf& r : records) {
        AppendU32BE(b, r.ms);
        AppendU16BE(b, uint16_t(r.x));
        AppendU16BE(b, uint16_t(r.y));
        AppendU16BE(b, uint16_t(r.z));
    }
    if (endMark) {
        AppendU32BE(b, 0xFFFFFFFFu);
        AppendZeros(b, 6);
    }
    return b;
}

// The camera's "free" box: cprt, sttm (left out when `startMs` is 0), then "gps " with the
// log NUL-padded and "3gf " when they are not empty.
inline Bytes BlackVueFreeBox(int64_t startMs, const std::string& gpsLog, const Bytes& threeGf) {
    Bytes payload = Box("cprt", Text(" Pittasoft Co., Ltd.;DR900S-1CH;1.010;English;"));
    if (startMs != 0) {
        Bytes sttm;
        AppendU32BE(sttm, uint32_t(uint64_t(startMs) >> 32));
        AppendU32BE(sttm, uint32_t(uint64_t(startMs)));
        AppendBytes(payload, Box("sttm", sttm));
    }
    if (!gpsLog.empty())
        AppendBytes(payload, Box("gps ", Concat({Text(gpsLog), Zeros(64)})));
    if (!threeGf.empty())
        AppendBytes(payload, Box("3gf ", threeGf));
    return Box("free", payload);
}

// ftyp, mdat (stand-in bytes), moov (mvhd only: `seconds` long), then the "free" box.
inline Bytes BlackVueRecording(const Bytes& freeBox, uint32_t seconds) {
    FixtureMovie m;
    m.mediaData = Bytes(64, 0x5A);
    m.durationMs = seconds * 1000;
    m.afterMoov.push_back(freeBox);
    return WriteMovie(m);
}

// A drive of `seconds` fixes, one a second at video time k + 0.25, UTC from `startUtcMillis`,
// heading north-east from (lat, lon); the first `voidSeconds` have no fix yet.
inline std::vector<NmeaFix> NmeaDrive(int seconds, int64_t startUtcMillis, double lat, double lon,
                                      int voidSeconds = 0) {
    std::vector<NmeaFix> out;
    for (int i = 0; i < seconds; ++i) {
        NmeaFix f;
        f.videoSeconds = i + 0.25;
        f.utcMillis = startUtcMillis + int64_t(i) * 1000;
        f.latitude = lat + 0.0001 * i;
        f.longitude = lon + 0.00015 * i;
        f.knots = 20.0 + i % 5;
        f.course = 45.0;
        f.valid = i >= voidSeconds;
        out.push_back(f);
    }
    return out;
}

// Accelerations at 10 a second over `seconds`: gravity on z (`gravity` raw units) and x
// stepping with the second.
inline std::vector<Accel3gf> ThreeGfDrive(int seconds, int16_t gravity) {
    std::vector<Accel3gf> out;
    for (int i = 0; i < seconds * 10; ++i)
        out.push_back({uint32_t(i * 100 + 50), int16_t(i / 10 % 3), 0, gravity});
    return out;
}

}  // namespace velto::testing
