#include "TextGpsDialects.h"

#include "AssistInfo.h"
#include "NmeaFix.h"
#include "UtcTime.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>

namespace {

constexpr double kMpsToKmh = 3.6;
constexpr double kMphToKmh = 1.609344;
constexpr double kStandardGravity = 9.80665;
constexpr size_t kXorMinimum = 282;

uint32_t U32BE(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 |
           uint32_t(uint8_t(s[at + 2])) << 8 | uint8_t(s[at + 3]);
}

// The text of a sample: without the length prefix and the "encd" trailer.
std::string Payload(const std::string& sample) {
    std::string s = sample;
    static const char kEncd[] =
        "\0\0\0\x0c"
        "encd\0\0\x01\0";
    if (s.size() >= 12 && std::memcmp(s.data() + s.size() - 12, kEncd, 12) == 0)
        s.resize(s.size() - 12);
    if (s.size() >= 2 && (uint32_t(uint8_t(s[0])) << 8 | uint8_t(s[1])) == s.size() - 2)
        s.erase(0, 2);
    return s;
}

bool Number(const std::string& s, double& v) {
    size_t start = 0;
    while (start < s.size() && s[start] == ' ')
        ++start;
    if (start < s.size() && s[start] == '+')
        ++start;
    const auto r = std::from_chars(s.data() + start, s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr != s.data() + start && std::isfinite(v);
}

TimedFix FromNmea(const NmeaFix& n) {
    TimedFix f;
    f.latitude = n.latitude;
    f.longitude = n.longitude;
    f.speedKmh = n.speedKmh < 0 ? 0.0 : n.speedKmh;
    f.course = n.course < 0 ? kNoCourse : n.course;
    f.utcMillis = n.utcMillis;
    return f;
}

// Every RMC and GGA sentence in the text ("$" optional); an RMC and a GGA of the same time
// make one fix (the RMC's, or the GGA's position when the RMC gave none). Sets `seen` when any
// such sentence is there, with a fix or not.
std::vector<TimedFix> NmeaFixes(const std::string& text, bool& seen) {
    std::vector<std::pair<int, NmeaFix>> rmc, gga;
    for (const char* type : {"RMC,", "GGA,"}) {
        for (size_t at = text.find(type); at != std::string::npos; at = text.find(type, at + 4)) {
            if (at < 2 || !std::isupper(uint8_t(text[at - 1])) ||
                !std::isupper(uint8_t(text[at - 2])))
                continue;
            seen = true;
            NmeaFix fix;
            const NmeaKind kind = ParseNmeaFix(text.substr(at - 2, 160), fix);
            if (kind == NmeaKind::Rmc)
                rmc.emplace_back(fix.timeOfDayMillis, fix);
            else if (kind == NmeaKind::Gga)
                gga.emplace_back(fix.timeOfDayMillis, fix);
        }
    }
    std::vector<TimedFix> out;
    for (const auto& r : rmc)
        out.push_back(FromNmea(r.second));
    for (const auto& g : gga) {
        bool merged = false;
        for (const auto& r : rmc)
            merged = merged || (g.first >= 0 && g.first == r.first);
        if (!merged)
            out.push_back(FromNmea(g.second));
    }
    return out;
}

// E-PRANCE B47FS: 00, the text with every byte less K, 0A; K makes the fourth byte from the
// end a "*" (the checksum's). The G-sensor values before the sentence have no known scale.
bool EPrance(const std::string& s, std::string& decoded) {
    if (s.size() <= 5 || s[0] != '\0' || s.back() != '\n')
        return false;
    const uint8_t k = uint8_t('*' - uint8_t(s[s.size() - 4]));
    decoded.clear();
    for (size_t i = 1; i + 1 < s.size(); ++i)
        decoded.push_back(char(uint8_t(s[i]) + k));
    return decoded.find("RMC,") != std::string::npos;
}

// Garmin PNDM, big-endian from "PNDM" (after an optional 4-byte size): +8 u16 speed mph, +12
// and +16 i32 latitude and longitude in semicircles. No time.
bool Pndm(const std::string& s, TextGpsSample& out) {
    const size_t at =
        s.compare(0, 4, "PNDM") == 0
            ? 0
            : (s.size() >= 8 && s[0] == '\0' && s.compare(4, 4, "PNDM") == 0 ? 4
                                                                             : std::string::npos);
    if (at == std::string::npos)
        return false;
    out.recognised = true;
    if (s.size() < at + 20)
        return true;
    TimedFix f;
    f.latitude = int32_t(U32BE(s, at + 12)) * 180.0 / 2147483648.0;
    f.longitude = int32_t(U32BE(s, at + 16)) * 180.0 / 2147483648.0;
    const unsigned mph = static_cast<uint8_t>(s[at + 8]) << 8 | static_cast<uint8_t>(s[at + 9]);
    f.speedKmh = mph * kMphToKmh;
    out.fixes.push_back(f);
    return true;
}

std::string Xored(const std::string& s, size_t at, size_t n) {
    std::string out;
    for (size_t i = at; i < at + n && i < s.size(); ++i)
        out.push_back(char(uint8_t(s[i]) ^ 0xAA));
    return out;
}

bool Digits(const std::string& s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int Int(const std::string& s, size_t at, size_t n) {
    int v = 0;
    for (size_t i = at; i < at + n; ++i)
        v = v * 10 + (s[i] - '0');
    return v;
}

// "+ddd-ddd+ddd..." triples from the start of `s`; the first one, in hundredths of g.
bool FirstTriple(const std::string& s, TextGpsSample& out) {
    double v[3];
    for (int k = 0; k < 3; ++k) {
        const size_t p = 4 * size_t(k);
        if (p + 4 > s.size() || (s[p] != '+' && s[p] != '-') || !Digits(s.substr(p + 1, 3)))
            return false;
        v[k] = Int(s, p + 1, 3) * (s[p] == '-' ? -1 : 1) / 100.0;
    }
    out.hasAcceleration = true;
    out.ax = v[0];
    out.ay = v[1];
    out.az = v[2];
    return true;
}

// BlueSkySea and Ambarella A12: 00 00, then ?? ?? AA AA or F2 E1 F0 EE, then 54 54; XOR 0xAA.
// Time at 8, "N" + DD + 6 digits (1/600000 degree) at 38, "E" + DDD + 6 digits at 47, speed
// (km/h) at 0x3E, accelerations at 0x41 (Ambarella) or 0xAD (BlueSkySea).
bool XorBinary(const std::string& s, TextGpsSample& out) {
    if (s.size() < kXorMinimum || s[0] != '\0' || s[1] != '\0')
        return false;
    const bool blueSkySea = uint8_t(s[4]) == 0xAA && uint8_t(s[5]) == 0xAA;
    if (!blueSkySea && s.compare(2, 4, "\xF2\xE1\xF0\xEE") != 0)
        return false;
    out.recognised = true;
    const std::string time = Xored(s, 8, 14);
    if (!Digits(time))
        return true;
    const std::string lat = Xored(s, 38, 9), lon = Xored(s, 47, 10);
    TimedFix f;
    if (!(lat[0] == 'N' || lat[0] == 'S') || !Digits(lat.substr(1)) ||
        !(lon[0] == 'E' || lon[0] == 'W') || !Digits(lon.substr(1)))
        return true;
    f.latitude = (Int(lat, 1, 2) + Int(lat, 3, 6) / 600000.0) * (lat[0] == 'S' ? -1 : 1);
    f.longitude = (Int(lon, 1, 3) + Int(lon, 4, 6) / 600000.0) * (lon[0] == 'W' ? -1 : 1);
    int64_t utc = kNoUtcTime;
    if (UtcMillisFromFields(Int(time, 0, 4), Int(time, 4, 2), Int(time, 6, 2), Int(time, 8, 2),
                            Int(time, 10, 2), Int(time, 12, 2), 0, utc))
        f.utcMillis = utc;
    const std::string speed = Xored(s, 0x3E, 3);
    if (Digits(speed))
        f.speedKmh = Int(speed, 0, 3);
    out.fixes.push_back(f);
    FirstTriple(Xored(s, blueSkySea ? 0xAD : 0x41, 12), out);
    return true;
}

// A number after `key` ("H.S " then "2.10m/s"), or false.
bool ValueAfter(const std::string& s, const std::string& key, double& v) {
    const size_t at = s.find(key);
    return at != std::string::npos && Number(s.substr(at + key.size(), 16), v);
}

// DJI drones: "GPS (lon, lat, n)" in decimal degrees, "H.S" the horizontal speed in m/s.
bool Dji(const std::string& s, TextGpsSample& out) {
    const size_t at = s.find("GPS (");
    if (at == std::string::npos)
        return false;
    const size_t comma = s.find(',', at);
    const size_t close = s.find_first_of(",)", comma + 1);
    double lon = 0, lat = 0;
    if (comma == std::string::npos || close == std::string::npos ||
        !Number(s.substr(at + 5, comma - at - 5), lon) ||
        !Number(s.substr(comma + 1, close - comma - 1), lat))
        return false;
    out.recognised = true;
    TimedFix f;
    f.latitude = lat;
    f.longitude = lon;
    double hs = 0;
    if (ValueAfter(s, "H.S ", hs))
        f.speedKmh = hs * kMpsToKmh;
    out.fixes.push_back(f);
    return true;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at; (at = s.find(sep, start)) != std::string::npos && out.size() < 32;
         start = at + 1)
        out.push_back(s.substr(start, at - start));
    out.push_back(s.substr(start));
    return out;
}

// Mini 0806: "A,DDMMYY,hhmmss.sss,DDMM.MMMM,N,DDDMM.MMMM,W,speed,altM,ax,ay,az;" with the
// speed taken as km/h and the accelerations in m/s^2.
bool Mini0806(const std::string& s, TextGpsSample& out) {
    if (s.size() < 20 || s.compare(0, 2, "A,") != 0 || !Digits(s.substr(2, 6)) || s[8] != ',' ||
        !Digits(s.substr(9, 6)))
        return false;
    out.recognised = true;
    const std::vector<std::string> f = Split(s.substr(0, s.find(';')), ',');
    TimedFix fix;
    if (f.size() < 7 || f[4].empty() || f[6].empty() ||
        !NmeaDegrees(f[3], f[4][0], 'N', 'S', fix.latitude) ||
        !NmeaDegrees(f[5], f[6][0], 'E', 'W', fix.longitude))
        return true;
    int64_t utc = kNoUtcTime;
    double seconds = 0;
    Number(f[2].substr(4), seconds);
    if (UtcMillisFromFields(2000 + Int(f[1], 4, 2), Int(f[1], 2, 2), Int(f[1], 0, 2),
                            Int(f[2], 0, 2), Int(f[2], 2, 2), int(seconds),
                            std::min(999, int(std::lround((seconds - int(seconds)) * 1000))), utc))
        fix.utcMillis = utc;
    double v = 0;
    if (f.size() > 7 && Number(f[7], v))
        fix.speedKmh = v;
    out.fixes.push_back(fix);
    double a[3];
    if (f.size() >= 12 && Number(f[9], a[0]) && Number(f[10], a[1]) && Number(f[11], a[2])) {
        out.hasAcceleration = true;
        out.ax = a[0] / kStandardGravity;
        out.ay = a[1] / kStandardGravity;
        out.az = a[2] / kStandardGravity;
    }
    return true;
}

// Roadhawk: the sample ends "*XX~"; every other byte from '+' to 'R' is replaced by the table,
// giving "X...Y...Z...G...$GPRMC,..." (accelerations in g, then the RMC sentence).
bool Roadhawk(const std::string& s, std::string& decoded, TextGpsSample& out) {
    const size_t n = s.size();
    if (n < 4 || s[n - 1] != '~' || s[n - 4] != '*' || !std::isxdigit(uint8_t(s[n - 3])) ||
        !std::isxdigit(uint8_t(s[n - 2])))
        return false;
    static const char kOut[] = "-I8XQWRVNZOYPUTA0B1C2SJ9K.L,M$D3E4F5G6H7";
    decoded = s.substr(0, n - 4);
    for (char& c : decoded) {
        const int k = uint8_t(c) - '+';
        if (k >= 0 && k < int(sizeof kOut - 1))
            c = kOut[k];
    }
    const size_t x = decoded.find('X'), y = decoded.find('Y'), z = decoded.find('Z'),
                 g = decoded.find('G'), dollar = decoded.find('$');
    if (x != 0 || y == std::string::npos || z == std::string::npos || g == std::string::npos ||
        dollar == std::string::npos || !(y < z && z < g && g < dollar))
        return false;
    out.recognised = true;
    double a[3];
    if (Number(decoded.substr(1, y - 1), a[0]) && Number(decoded.substr(y + 1, z - y - 1), a[1]) &&
        Number(decoded.substr(z + 1, g - z - 1), a[2])) {
        out.hasAcceleration = true;
        out.ax = a[0];
        out.ay = a[1];
        out.az = a[2];
    }
    return true;
}

}  // namespace

TextGpsSample DecodeGpsText(const std::string& sample) {
    TextGpsSample out;
    std::string s = Payload(sample);
    if (s.empty())
        return out;
    std::string decoded;
    if (EPrance(s, decoded)) {
        out.recognised = true;
        s = decoded;
    } else if (Pndm(s, out)) {
        return out;
    }
    bool seen = false;
    out.fixes = NmeaFixes(s, seen);
    if (seen) {
        out.recognised = true;
        return out;
    }
    if (XorBinary(s, out) || Dji(s, out) || Mini0806(s, out))
        return out;
    if (Roadhawk(s, decoded, out))
        out.fixes = NmeaFixes(decoded, seen);
    return out;
}

bool IsGpsText(const std::string& sample) {
    return DecodeGpsText(sample).recognised;
}
