#pragma once

// Test support, header-only: GPS in text and subtitle tracks, as dash cameras write their
// samples (NMEA sentences and the camera dialects), and the recordings that carry them.

#include "Mp4Fixture.h"
#include "NovatekWriter.h"  // NovatekFix, Ddmm, RmcSentence

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace velto::testing {

// A sample of a text track: u16 BE length, then the text.
inline Bytes LengthPrefixed(const std::string& text) {
    Bytes b;
    AppendU16BE(b, uint16_t(text.size()));
    AppendText(b, text);
    return b;
}

// The 12-byte "encd" box some cameras append to each sample.
inline Bytes WithEncdTrailer(Bytes sample) {
    AppendBytes(sample, Bytes{0, 0, 0, 0x0C, 'e', 'n', 'c', 'd', 0, 0, 1, 0});
    return sample;
}

inline std::string GgaSentence(const NovatekFix& f) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "$GPGGA,%02d%02d%02d.00,%09.4f,%c,%010.4f,%c,1,08,0.9,545.4,M,46.9,M,,*47",
                  f.hour, f.minute, f.second, Ddmm(f.latitude), Ns(f), Ddmm(f.longitude), Ew(f));
    return text;
}

// Thinkware: ";"-separated records, NMEA without "$".
inline std::string ThinkwareText(const NovatekFix& f) {
    return "gsensori,4,512,-67,-12,100;" + RmcSentence(f, "GN").substr(1) +
           ";CAR,0,0,0,0.0,0,0,0,0,0,0,0,0";
}

// Mini 0806: "A,DDMMYY,hhmmss.sss,DDMM.MMMM,N,DDDMM.MMMM,W,speed,altM,ax,ay,az;" (m/s^2).
inline std::string Mini0806Text(const NovatekFix& f, double axMps2, double ayMps2, double azMps2) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "A,%02d%02d%02d,%02d%02d%02d.000,%09.4f,%c,%010.4f,%c,%05.1f,331.0M,%+06.2f,%+06."
                  "2f,%+06.2f;\n",
                  f.day, f.month, f.year % 100, f.hour, f.minute, f.second, Ddmm(f.latitude), Ns(f),
                  Ddmm(f.longitude), Ew(f), f.speedKmh, axMps2, ayMps2, azMps2);
    return text;
}

// Roadhawk: "X..Y..Z..G..$GPRMC,..." through the substitution table, then "*XX~".
inline std::string RoadhawkText(const NovatekFix& f, double ax, double ay, double az) {
    char text[240];
    std::snprintf(text, sizeof text,
                  "X%09.4fY%09.4fZ%09.4fG%09.4f$GPRMC,%02d%02d%02d,A,%09.4f,%c,%010.4f,%c,%05.1f,%."
                  "2f,%02d%02d%02d,002.1,A",
                  ax, ay, az, std::sqrt(ax * ax + ay * ay + az * az), f.hour, f.minute, f.second,
                  Ddmm(f.latitude), Ns(f), Ddmm(f.longitude), Ew(f), f.speedKmh / 1.852, f.course,
                  f.day, f.month, f.year % 100);
    static const std::string kOut = "-I8XQWRVNZOYPUTA0B1C2SJ9K.L,M$D3E4F5G6H7";
    std::string encoded;
    for (char c : std::string(text)) {
        const size_t k = kOut.find(c);
        encoded.push_back(k == std::string::npos ? c : char('+' + k));
    }
    return encoded + "*6F~";
}

// DJI drones: longitude first, horizontal speed in m/s.
inline std::string DjiText(const NovatekFix& f) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "F/3.5, SS 1000, ISO 100, EV 0, GPS (%.6f, %.6f, 18), D 24.26m, H 6.00m, H.S "
                  "%.2fm/s, V.S 0.00m/s \n",
                  f.longitude, f.latitude, f.speedKmh / 3.6);
    return text;
}

// E-PRANCE B47FS: 00, the text ("ax<TAB>ay<TAB>az<TAB>$GPRMC...*XX") less K per byte, 0A.
inline Bytes EPranceSample(const NovatekFix& f, uint8_t k = 7) {
    const std::string text = "12\t-34\t1002\t" + RmcSentence(f);
    Bytes b{0};
    for (char c : text)
        b.push_back(uint8_t(uint8_t(c) - k));
    b.push_back('\n');
    return b;
}

// BlueSkySea (`blueSkySea`) or Ambarella A12 binary text: 282 bytes XORed with 0xAA. The
// accelerations are "+ddd" hundredths of g.
inline Bytes XorTextSample(const NovatekFix& f, bool blueSkySea) {
    std::string d(300, '\0');
    d.replace(0, 8,
              blueSkySea ? std::string("\xAA\xAA\x12\x34\0\0\xFE\xFE", 8)
                         : std::string("\xAA\xAAXKZD\xFE\xFE", 8));
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
    d.replace(8, 14, text);
    const double lat = std::fabs(f.latitude), lon = std::fabs(f.longitude);
    std::snprintf(text, sizeof text, "%c%02d%06ld%c%03d%06ld", Ns(f), int(lat),
                  std::lround((lat - int(lat)) * 600000), Ew(f), int(lon),
                  std::lround((lon - int(lon)) * 600000));
    d.replace(38, 19, text);
    std::snprintf(text, sizeof text, "+0157%03d", int(f.speedKmh));
    d.replace(0x39, 8, text);
    std::snprintf(text, sizeof text, "%+04d%+04d%+04d", f.ax, f.ay, f.az);
    d.replace(blueSkySea ? 0xAD : 0x41, 12, text);
    Bytes b;
    for (char c : d)
        b.push_back(uint8_t(c) ^ 0xAA);
    return b;
}

// Garmin PNDM: u16 length, "PNDM", +8 u16 speed mph, +12/+16 i32 semicircles (big-endian).
inline Bytes PndmSample(const NovatekFix& f) {
    Bytes r = Text("PNDM");
    AppendZeros(r, 4);
    AppendU16BE(r, uint16_t(std::lround(f.speedKmh / 1.609344)));
    AppendZeros(r, 2);
    AppendU32BE(r, uint32_t(int32_t(std::lround(f.latitude / 180.0 * 2147483648.0))));
    AppendU32BE(r, uint32_t(int32_t(std::lround(f.longitude / 180.0 * 2147483648.0))));
    AppendZeros(r, 8);
    Bytes b;
    AppendU16BE(b, uint16_t(r.size()));
    AppendBytes(b, r);
    return b;
}

// A recording with one text track of these samples, one a second, behind a video track.
inline Bytes TextGpsRecording(const std::vector<Bytes>& samples,
                              const std::string& handler = "text",
                              const std::string& format = "text",
                              uint32_t createUnix = 1721031300) {
    FixtureMovie m;
    m.createUnix = createUnix;
    m.tracks.push_back(
        {"vide", "avc1", Zeros(70), std::vector<Bytes>(samples.size(), Bytes(100, 7))});
    m.tracks.push_back({handler, format, Zeros(format == "tx3g" ? 30 : 43), samples});
    return WriteMovie(m);
}

}  // namespace velto::testing
