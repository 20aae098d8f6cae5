#pragma once

// Test support, header-only: "freeGPS " blocks of the Novatek family of dash cameras and the
// recordings that carry them (listed by a "moov/gps " index, or only in mdat for the scan),
// written from the byte layouts of each camera variant.

#include "Mp4Fixture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace velto::testing {

struct NovatekFix {
    double latitude = 47.628422;  // decimal degrees, signed
    double longitude = -122.321;
    double speedKmh = 50.0;
    double course = 90.0;
    int year = 2024, month = 7, day = 15, hour = 8, minute = 15, second = 0;
    int ax = 0, ay = 0, az = 0;  // the variant's raw units
    char status = 'A';
};

inline void PutLE32(Bytes& b, size_t at, uint32_t v) {
    PutU32LE(b, at, v);
}
inline void PutFloat(Bytes& b, size_t at, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    PutU32LE(b, at, u);
}
inline void PutDouble(Bytes& b, size_t at, double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    PutU32LE(b, at, uint32_t(u));
    PutU32LE(b, at + 4, uint32_t(u >> 32));
}
inline void PutText(Bytes& b, size_t at, const std::string& s) {
    std::memcpy(&b[at], s.data(), s.size());
}
// Decimal degrees as the cameras' unsigned DDMM.MMMM.
inline double Ddmm(double degrees) {
    const double a = std::fabs(degrees);
    const double whole = std::floor(a);
    return whole * 100.0 + (a - whole) * 60.0;
}
inline char Ns(const NovatekFix& f) {
    return f.latitude < 0 ? 'S' : 'N';
}
inline char Ew(const NovatekFix& f) {
    return f.longitude < 0 ? 'W' : 'E';
}

// The block header: u32 BE size, "free", "GPS ", u32 LE vendor length.
inline Bytes FreeGpsHeader(size_t blockSize) {
    Bytes b(blockSize, 0);
    PutU32BE(b, 0, uint32_t(blockSize));
    PutText(b, 4, "freeGPS ");
    PutLE32(b, 12, 0x4C);
    return b;
}

inline void PutTimeDate(Bytes& b, size_t timeAt, size_t dateAt, const NovatekFix& f,
                        bool yearSince2000 = true) {
    PutLE32(b, timeAt, uint32_t(f.hour));
    PutLE32(b, timeAt + 4, uint32_t(f.minute));
    PutLE32(b, timeAt + 8, uint32_t(f.second));
    PutLE32(b, dateAt, uint32_t(yearSince2000 ? f.year - 2000 : f.year));
    PutLE32(b, dateAt + 4, uint32_t(f.month));
    PutLE32(b, dateAt + 8, uint32_t(f.day));
}

// Classic layout (Viofo A119): time and date from 0x30, status and letters at 0x48, floats
// from 0x4C (knots). `doubles`: the higher-precision copies at 0x70 / 0x80 (Transcend).
inline Bytes ClassicBlock(const NovatekFix& f, bool doubles = false, size_t size = 0x400) {
    Bytes b = FreeGpsHeader(size);
    PutText(b, 0x10, "x.xx");
    PutTimeDate(b, 0x30, 0x3C, f);
    b[0x48] = uint8_t(f.status);
    b[0x49] = uint8_t(Ns(f));
    b[0x4A] = uint8_t(Ew(f));
    PutFloat(b, 0x4C, float(Ddmm(f.latitude)));
    PutFloat(b, 0x50, float(Ddmm(f.longitude)));
    PutFloat(b, 0x54, float(f.speedKmh / 1.852));
    PutFloat(b, 0x58, float(f.course));
    if (doubles) {
        PutDouble(b, 0x70, Ddmm(f.latitude));
        PutDouble(b, 0x80, Ddmm(f.longitude));
        PutDouble(b, 0xA0, 123.5);
    }
    return b;
}

// Variant 3b ("IQS" at 0x10), read by the scan: i32 degrees x 1e7, speed m/s x 100.
inline Bytes ClassicIqsBlock(const NovatekFix& f, size_t size = 0x8000) {
    Bytes b = ClassicBlock(f, false, size);
    PutText(b, 0x10, "IQS2013");
    PutLE32(b, 0x4C, uint32_t(int32_t(std::lround(std::fabs(f.latitude) * 1e7))));
    PutLE32(b, 0x50, uint32_t(int32_t(std::lround(std::fabs(f.longitude) * 1e7))));
    PutLE32(b, 0x54, uint32_t(int32_t(std::lround(f.speedKmh / 3.6 * 100))));
    PutFloat(b, 0x58, 0.0f);
    return b;
}

// Compact layout with G-sensor (Viofo A119 V3, A129, Kenwood): accelerations in 1/256 g.
inline Bytes CompactBlock(const NovatekFix& f, size_t size = 0x400) {
    Bytes b = FreeGpsHeader(size);
    PutTimeDate(b, 0x10, 0x1C, f);
    b[0x28] = uint8_t(f.status);
    b[0x29] = uint8_t(Ns(f));
    b[0x2A] = uint8_t(Ew(f));
    PutFloat(b, 0x2C, float(Ddmm(f.latitude)));
    PutFloat(b, 0x30, float(Ddmm(f.longitude)));
    PutFloat(b, 0x34, float(f.speedKmh / 1.852));
    PutFloat(b, 0x38, float(f.course));
    PutLE32(b, 0x3C, uint32_t(f.ax));
    PutLE32(b, 0x40, uint32_t(f.ay));
    PutLE32(b, 0x44, uint32_t(f.az));
    return b;
}

// XOR-obfuscated ASCII (Azdome GS63H, or EEEkit when `eeekit`): the text from byte 0x12,
// XORed with 0xAA. Accelerations in 1/100 g.
inline Bytes XorBlock(const NovatekFix& f, bool eeekit, size_t size = 0x400) {
    Bytes b = FreeGpsHeader(size);
    std::string s(0x101, '\0');
    s.replace(0, 8, std::string("\0\0XKZD\xFE\xFE", 8));
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
    s.replace(8, 14, text);
    s[22] = 0x0C;
    s.replace(23, 15, std::string("label\0\0\0\0\0\0\0\0\0\0", 15));
    std::snprintf(text, sizeof text, "%c%08ld%c%09ld", Ns(f), std::lround(Ddmm(f.latitude) * 1e4),
                  Ew(f), std::lround(Ddmm(f.longitude) * 1e4));
    s.replace(38, 19, text);
    const auto triple = [&](size_t at) {
        std::snprintf(text, sizeof text, "%+04d%+04d%+04d", f.ax, f.ay, f.az);
        s.replace(at, 12, text);
    };
    if (eeekit) {
        std::snprintf(text, sizeof text, "+0012%03d", int(f.speedKmh));
        s.replace(57, 8, text);
        triple(65);
    } else {
        std::snprintf(text, sizeof text, "%08d", int(f.speedKmh));
        s.replace(57, 8, text);
        triple(173);
    }
    for (size_t i = 0; i < s.size() && 0x12 + i < b.size(); ++i)
        b[0x12 + i] = uint8_t(s[i] ^ 0xAA);
    b[0x10] = 0x01;
    b[0x11] = 0x03;
    return b;
}

// An RMC sentence with the fix, "$GPRMC,hhmmss.00,A,...,DDMMYY,,,A".
inline std::string RmcSentence(const NovatekFix& f, const char* talker = "GP") {
    char text[160];
    std::snprintf(text, sizeof text,
                  "$%sRMC,%02d%02d%02d.00,%c,%09.4f,%c,%010.4f,%c,%.2f,%.2f,%02d%02d%02d,,,A*00",
                  talker, f.hour, f.minute, f.second, f.status, Ddmm(f.latitude), Ns(f),
                  Ddmm(f.longitude), Ew(f), f.speedKmh / 1.852, f.course, f.day, f.month,
                  f.year % 100);
    return text;
}

// NMEA text (Nextbase 512GW): the camera clock as 14 digits at 0x34, 3 x i32 accelerations in
// 1/256 g at 0x44, sentences after them.
inline Bytes NmeaTextBlock(const NovatekFix& f, size_t size = 0x400) {
    Bytes b = FreeGpsHeader(size);
    char clock[16];
    std::snprintf(clock, sizeof clock, "%04d%02d%02d%02d%02d%02d", f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
    PutText(b, 0x34, clock);
    PutLE32(b, 0x44, uint32_t(f.ax));
    PutLE32(b, 0x48, uint32_t(f.ay));
    PutLE32(b, 0x4C, uint32_t(f.az));
    PutText(b, 0x50,
            RmcSentence(f) +
                "\r\n$GPGGA,081500.00,4737.7053,N,12219.2600,W,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
    return b;
}

// Akaso: u32 status and letters at 0x3C / 0x44 / 0x4C, floats between them, speed in km/h, the
// course stored 180 degrees off.
inline Bytes AkasoBlock(const NovatekFix& f, size_t size = 0x400) {
    Bytes b = FreeGpsHeader(size);
    PutTimeDate(b, 0x30, 0x58, f, false);
    PutLE32(b, 0x3C, uint32_t(uint8_t(f.status)));
    PutFloat(b, 0x40, float(Ddmm(f.latitude)));
    PutLE32(b, 0x44, uint32_t(uint8_t(Ns(f))));
    PutFloat(b, 0x48, float(Ddmm(f.longitude)));
    PutLE32(b, 0x4C, uint32_t(uint8_t(Ew(f))));
    PutFloat(b, 0x50, float(f.speedKmh));
    PutFloat(b, 0x54, float(std::fmod(f.course + 180.0, 360.0)));
    return b;
}

// Shifted NMEA: the RMC sentence from 0x3C, every byte plus 16.
inline Bytes ShiftedNmeaBlock(const NovatekFix& f, size_t size = 0x400) {
    Bytes b = FreeGpsHeader(size);
    const std::string rmc = RmcSentence(f);
    for (size_t i = 0; i < rmc.size() && i < 80; ++i)
        b[0x3C + i] = uint8_t(rmc[i] + 16);
    return b;
}

// Vantrue S1: "A", letters at 0x40, date and time u32s from 0x44, longitude before latitude,
// accelerations in 1/1000 g at 0x70.
inline Bytes VantrueS1Block(const NovatekFix& f, size_t size = 0x400) {
    Bytes b = FreeGpsHeader(size);
    PutText(b, 0x30, "horsontech");
    b[0x40] = uint8_t(f.status);
    b[0x41] = uint8_t(Ns(f));
    b[0x42] = uint8_t(Ew(f));
    const uint32_t fields[6] = {uint32_t(f.year - 2000), uint32_t(f.month),  uint32_t(f.day),
                                uint32_t(f.hour),        uint32_t(f.minute), uint32_t(f.second)};
    for (int i = 0; i < 6; ++i)
        PutLE32(b, 0x44 + 4 * size_t(i), fields[i]);
    PutFloat(b, 0x5C, float(Ddmm(f.longitude)));
    PutFloat(b, 0x60, float(Ddmm(f.latitude)));
    PutFloat(b, 0x64, float(f.speedKmh / 1.852));
    PutFloat(b, 0x68, float(f.course));
    PutLE32(b, 0x70, uint32_t(f.ax));
    PutLE32(b, 0x74, uint32_t(f.ay));
    PutLE32(b, 0x78, uint32_t(f.az));
    return b;
}

// Scan "type 2": doubles, u16 letters, date from 0x70, accelerations in 1/1000 g at 0x7C.
inline Bytes TypeTwoBlock(const NovatekFix& f, size_t size = 0x8000) {
    Bytes b = FreeGpsHeader(size);
    PutTimeDate(b, 0x30, 0x70, f);
    b[0x3C] = uint8_t(f.status);
    PutDouble(b, 0x40, Ddmm(f.latitude));
    b[0x48] = uint8_t(Ns(f));
    PutDouble(b, 0x50, Ddmm(f.longitude));
    b[0x58] = uint8_t(Ew(f));
    PutDouble(b, 0x60, f.speedKmh / 1.852);
    PutDouble(b, 0x68, f.course);
    PutLE32(b, 0x7C, uint32_t(f.ax));
    PutLE32(b, 0x80, uint32_t(f.ay));
    PutLE32(b, 0x84, uint32_t(f.az));
    return b;
}

// Scan "Vantrue N4": doubles from 0x20, time at 0x10, date at 0x50, accelerations at 0x5C.
inline Bytes VantrueN4Block(const NovatekFix& f, size_t size = 0x8000) {
    Bytes b = FreeGpsHeader(size);
    PutTimeDate(b, 0x10, 0x50, f);
    b[0x1C] = uint8_t(f.status);
    PutDouble(b, 0x20, Ddmm(f.latitude));
    b[0x28] = uint8_t(Ns(f));
    PutDouble(b, 0x30, Ddmm(f.longitude));
    b[0x38] = uint8_t(Ew(f));
    PutDouble(b, 0x40, f.speedKmh / 1.852);
    PutDouble(b, 0x48, f.course);
    PutLE32(b, 0x5C, uint32_t(f.ax));
    PutLE32(b, 0x60, uint32_t(f.ay));
    PutLE32(b, 0x64, uint32_t(f.az));
    return b;
}

// A recording whose "moov/gps " lists the blocks (entry i: second i); the blocks lie back to
// back at the start of mdat. `extraEntries` appends (offset, size) pairs as they are.
inline Bytes NovatekIndexedRecording(
    const std::vector<Bytes>& blocks,
    const std::vector<std::pair<uint32_t, uint32_t>>& extraEntries = {},
    uint32_t createUnix = 1721031300) {
    FixtureMovie m;
    m.createUnix = createUnix;
    Bytes index = U32BE({0x00000001, uint32_t(blocks.size() + extraEntries.size())});
    uint32_t at = kMovieDataStart;
    for (const Bytes& b : blocks) {
        AppendBytes(m.mediaData, b);
        AppendU32BE(index, at);
        AppendU32BE(index, uint32_t(b.size()));
        at += uint32_t(b.size());
    }
    for (const auto& [offset, size] : extraEntries) {
        AppendU32BE(index, offset);
        AppendU32BE(index, size);
    }
    m.durationMs = uint32_t(std::max<size_t>(blocks.size(), 1) * 1000);
    m.moovExtra.push_back(Box("gps ", index));
    return WriteMovie(m);
}

// A recording with the blocks only in mdat, for the scan: `lead` bytes of other media data
// first (with mdat starting at 32, lead = 0x8000 - 32 puts the first block on a 32 KiB
// boundary of the file), `gap` bytes between blocks, and `tail` bytes after the last (ExifTool
// stops when less than 32 KiB remain).
inline Bytes NovatekScanRecording(const std::vector<Bytes>& blocks, size_t lead = 0x8000 - 32,
                                  size_t gap = 0, size_t tail = 0x8000,
                                  uint32_t createUnix = 1721031300) {
    FixtureMovie m;
    m.createUnix = createUnix;
    m.mediaData = Bytes(lead, 0x11);
    for (const Bytes& b : blocks) {
        AppendBytes(m.mediaData, b);
        AppendBytes(m.mediaData, Bytes(gap, 0x22));
    }
    m.mediaTail = tail;
    m.durationMs = uint32_t(std::max<size_t>(blocks.size(), 1) * 1000);
    return WriteMovie(m);
}

// A recording as the cameras write it without an index: a video track whose frames fill mdat,
// `framesPerBlock` frames of `frameSize` bytes, then a block, and again.
inline Bytes NovatekBetweenFramesRecording(const std::vector<Bytes>& blocks,
                                           size_t framesPerBlock = 30, size_t frameSize = 700) {
    FixtureMovie m;
    FixtureTrack video{"vide", "avc1", Zeros(70), {}, 1000 / uint32_t(framesPerBlock)};
    for (const Bytes& b : blocks) {
        for (size_t i = 0; i < framesPerBlock; ++i) {
            video.placedAt.push_back(kMovieDataStart + uint32_t(m.mediaData.size()));
            video.samples.push_back(Bytes(frameSize, 0));
            AppendBytes(m.mediaData, Bytes(frameSize, uint8_t(0x40 + i)));
        }
        AppendBytes(m.mediaData, b);
    }
    m.tracks.push_back(video);
    m.mediaTail = 0x8000;
    m.durationMs = uint32_t(blocks.size() * 1000);
    return WriteMovie(m);
}

}  // namespace velto::testing
