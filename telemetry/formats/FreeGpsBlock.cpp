#include "FreeGpsBlock.h"

#include "AssistInfo.h"
#include "NmeaFix.h"
#include "UtcTime.h"

#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr double kKnotsToKmh = 1.852;
constexpr double kMpsToKmh = 3.6;

// Little-endian fields of a block, each read only when the block holds it.
class BlockBytes {
public:
    BlockBytes(const uint8_t* b, size_t n) : m_b(b), m_n(n) {}

    size_t Size() const { return m_n; }
    bool Has(size_t end) const { return end <= m_n; }
    uint8_t At(size_t at) const { return at < m_n ? m_b[at] : 0; }
    bool Is(size_t at, const char* text, size_t len) const {
        return Has(at + len) && std::memcmp(m_b + at, text, len) == 0;
    }
    bool Zero(size_t at, size_t len) const {
        for (size_t i = at; i < at + len; ++i)
            if (!Has(i + 1) || m_b[i] != 0)
                return false;
        return true;
    }
    uint32_t U32(size_t at) const {
        if (!Has(at + 4))
            return 0;
        return uint32_t(m_b[at]) | uint32_t(m_b[at + 1]) << 8 | uint32_t(m_b[at + 2]) << 16 |
               uint32_t(m_b[at + 3]) << 24;
    }
    int32_t I32(size_t at) const { return int32_t(U32(at)); }
    double Float(size_t at) const {
        const uint32_t u = U32(at);
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    double Double(size_t at) const {
        const uint64_t u = uint64_t(U32(at)) | uint64_t(U32(at + 4)) << 32;
        double d;
        std::memcpy(&d, &u, 8);
        return d;
    }
    const uint8_t* Data() const { return m_b; }

private:
    const uint8_t* m_b;
    size_t m_n;
};

bool IsNs(uint8_t c) {
    return c == 'N' || c == 'S';
}
bool IsEw(uint8_t c) {
    return c == 'E' || c == 'W';
}

// DDMM.MMMM to degrees, as the cameras store it (unsigned; the letters give the sign).
double FromDdmm(double v) {
    const double whole = std::trunc(v / 100.0);
    return whole + (v - 100.0 * whole) / 60.0;
}

int64_t Utc(int year, int month, int day, int hour, int minute, double second) {
    int64_t t = kNoUtcTime;
    if (!std::isfinite(second) || second < 0 || second >= 61)
        return kNoUtcTime;
    const int whole = int(second);
    const int ms = std::min(999, int(std::lround((second - whole) * 1000.0)));
    return UtcMillisFromFields(year, month, day, hour, minute, whole, ms, t) ? t : kNoUtcTime;
}

// The fix of the common binary layouts: DDMM values and hemisphere letters.
FreeGpsFix LetteredFix(double latDdmm, uint8_t ns, double lonDdmm, uint8_t ew, bool ddmm = true) {
    FreeGpsFix f;
    f.latitude = (ddmm ? FromDdmm(std::fabs(latDdmm)) : std::fabs(latDdmm)) * (ns == 'S' ? -1 : 1);
    f.longitude = (ddmm ? FromDdmm(std::fabs(lonDdmm)) : std::fabs(lonDdmm)) * (ew == 'W' ? -1 : 1);
    return f;
}

void SetAcceleration(FreeGpsFix& f, double x, double y, double z) {
    f.hasAcceleration = true;
    f.ax = x;
    f.ay = y;
    f.az = z;
}

void AccelerationI32(FreeGpsFix& f, const BlockBytes& b, size_t at, double scale) {
    if (b.Has(at + 12))
        SetAcceleration(f, b.I32(at) / scale, b.I32(at + 4) / scale, b.I32(at + 8) / scale);
}

bool AllDigits(const std::string& s, size_t at, size_t n) {
    if (at + n > s.size())
        return false;
    for (size_t i = at; i < at + n; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

int Number(const std::string& s, size_t at, size_t n) {
    int v = 0;
    for (size_t i = at; i < at + n; ++i)
        v = v * 10 + (s[i] - '0');
    return v;
}

// "+ddd-ddd+ddd" at `at`: one triple of signed three-digit numbers.
bool SignedTriple(const std::string& s, size_t at, double out[3]) {
    for (int k = 0; k < 3; ++k) {
        const size_t p = at + 4 * size_t(k);
        if (p + 4 > s.size() || (s[p] != '+' && s[p] != '-') || !AllDigits(s, p + 1, 3))
            return false;
        out[k] = Number(s, p + 1, 3) * (s[p] == '-' ? -1 : 1);
    }
    return true;
}

// §1.4: XOR 0xAA from byte 18 on (0x101 bytes at most): "XKZD" header, time, label, letters
// and digits of the position, speed, accelerations in hundredths of g.
std::vector<FreeGpsFix> XorAscii(const BlockBytes& b) {
    std::string s;
    for (size_t i = 18; i < b.Size() && i < 18 + 0x101; ++i)
        s.push_back(char(b.At(i) ^ 0xAA));
    if (!AllDigits(s, 8, 14) || s.size() < 57 || !IsNs(uint8_t(s[38])) || !AllDigits(s, 39, 8) ||
        !IsEw(uint8_t(s[47])) || !AllDigits(s, 48, 9))
        return {};
    FreeGpsFix f = LetteredFix(Number(s, 39, 8) / 1e4, uint8_t(s[38]),
                               std::stoll(s.substr(48, 9)) / 1e4, uint8_t(s[47]));
    f.utcMillis = Utc(Number(s, 8, 4), Number(s, 12, 2), Number(s, 14, 2), Number(s, 16, 2),
                      Number(s, 18, 2), Number(s, 20, 2));
    if (AllDigits(s, 57, 8))
        f.speedKmh = Number(s, 57, 8);  // Azdome
    else if (s.size() >= 65 && (s[57] == '+' || s[57] == '-') && AllDigits(s, 58, 4) &&
             AllDigits(s, 62, 3))
        f.speedKmh = Number(s, 62, 3);  // EEEkit: altitude, then speed
    double a[3];
    if (SignedTriple(s, 65, a) || SignedTriple(s, 173, a))
        SetAcceleration(f, a[0] / 100, a[1] / 100, a[2] / 100);
    return {f};
}

// A fix from the RMC (else GGA) sentence somewhere in `text`.
bool SentenceFix(const std::string& text, FreeGpsFix& f) {
    for (const char* kind : {"RMC,", "GGA,"}) {
        for (size_t at = text.find(kind); at != std::string::npos; at = text.find(kind, at + 1)) {
            if (at < 2)
                continue;
            NmeaFix fix;
            if (ParseNmeaFix(text.substr(at - 2, 120), fix) == NmeaKind::None)
                continue;
            f = FreeGpsFix();
            f.latitude = fix.latitude;
            f.longitude = fix.longitude;
            f.speedKmh = fix.speedKmh;
            f.course = fix.course;
            f.utcMillis = fix.utcMillis;
            return true;
        }
    }
    return false;
}

// §1.5 NMEA text: the camera clock as 14 digits at 0x34, sentences anywhere in the block.
std::vector<FreeGpsFix> NmeaText(const BlockBytes& b) {
    const std::string text(reinterpret_cast<const char*>(b.Data()), b.Size());
    FreeGpsFix f;
    if (!SentenceFix(text, f))
        return {};
    AccelerationI32(f, b, 0x44, 256.0);
    return {f};
}

// §1.3: time and date u32s from 0x10, "A" and letters at 0x28, floats from 0x2C, accelerations
// /256 from 0x3C unless they are the placeholder (all zero, or u16 1 to 6).
std::vector<FreeGpsFix> Compact(const BlockBytes& b) {
    FreeGpsFix f = LetteredFix(b.Float(0x2C), b.At(0x29), b.Float(0x30), b.At(0x2A));
    int year = int(b.U32(0x1C));
    if (year < 2000)
        year += 2000;
    f.utcMillis = Utc(year, int(b.U32(0x20)), int(b.U32(0x24)), int(b.U32(0x10)), int(b.U32(0x14)),
                      b.U32(0x18));
    f.speedKmh = b.Float(0x34) * kKnotsToKmh;
    f.course = b.Float(0x38);
    static const uint8_t kPlaceholder[12] = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0};
    if (b.Has(0x48) && !b.Zero(0x3C, 12) && std::memcmp(b.Data() + 0x3C, kPlaceholder, 12) != 0)
        AccelerationI32(f, b, 0x3C, 256.0);
    return {f};
}

// §1.5 Akaso: u32 letters at 0x3C / 0x44 / 0x4C, floats between them; the course is off by 180.
std::vector<FreeGpsFix> Akaso(const BlockBytes& b) {
    FreeGpsFix f = LetteredFix(b.Float(0x40), b.At(0x44), b.Float(0x48), b.At(0x4C));
    f.utcMillis = Utc(int(b.U32(0x58)), int(b.U32(0x5C)), int(b.U32(0x60)), int(b.U32(0x30)),
                      int(b.U32(0x34)), b.U32(0x38));
    f.speedKmh = b.Float(0x50);
    f.course = std::fmod(b.Float(0x54) + 180.0, 360.0);
    return {f};
}

// §1.5 shifted NMEA: 80 bytes from 0x3C, each less 16 (bytes below 16 become 0).
std::vector<FreeGpsFix> ShiftedNmea(const BlockBytes& b) {
    std::string text;
    for (size_t i = 0x3C; i < 0x3C + 80; ++i)
        text.push_back(char(b.At(i) >= 16 ? b.At(i) - 16 : 0));
    FreeGpsFix f;
    if (text.find("RMC,") == std::string::npos || !SentenceFix(text, f))
        return {};
    return {f};
}

// §1.5 Vantrue S1: letters at 0x40, date and time u32s from 0x44, longitude before latitude.
std::vector<FreeGpsFix> VantrueS1(const BlockBytes& b) {
    const int month = int(b.U32(0x48)), day = int(b.U32(0x4C));
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return {};
    FreeGpsFix f = LetteredFix(b.Float(0x60), b.At(0x41), b.Float(0x5C), b.At(0x42));
    int year = int(b.U32(0x44));
    if (year < 2000)
        year += 2000;
    f.utcMillis = Utc(year, month, day, int(b.U32(0x50)), int(b.U32(0x54)), b.U32(0x58));
    f.speedKmh = b.Float(0x64) * kKnotsToKmh;
    f.course = b.Float(0x68);
    AccelerationI32(f, b, 0x70, 1000.0);
    return {f};
}

// §1.2 classic: time and date u32s from 0x30, "A" and letters at 0x48, floats from 0x4C; the
// doubles of some cameras from 0x70 when they agree with the floats.
std::vector<FreeGpsFix> Classic(const BlockBytes& b) {
    double lat = b.Float(0x4C), lon = b.Float(0x50);
    if (b.Has(0x88)) {
        const double lat2 = b.Double(0x70), lon2 = b.Double(0x80);
        if (std::fabs(lat2 - lat) < 0.001 && std::fabs(lon2 - lon) < 0.001) {
            lat = lat2;
            lon = lon2;
        }
    }
    FreeGpsFix f = LetteredFix(lat, b.At(0x49), lon, b.At(0x4A));
    int year = int(b.U32(0x3C));
    if (year < 2000)
        year += 2000;
    f.utcMillis = Utc(year, int(b.U32(0x40)), int(b.U32(0x44)), int(b.U32(0x30)), int(b.U32(0x34)),
                      b.U32(0x38));
    f.speedKmh = b.Float(0x54) * kKnotsToKmh;
    f.course = b.Float(0x58);
    return {f};
}

// §1.2 variant 3b ("IQS" at 0x10): i32 degrees x 1e7, speed m/s x 100, no course.
std::vector<FreeGpsFix> ClassicIqs(const BlockBytes& b) {
    FreeGpsFix f = LetteredFix(b.I32(0x4C) / 1e7, b.At(0x49), b.I32(0x50) / 1e7, b.At(0x4A), false);
    int year = int(b.U32(0x3C));
    if (year < 2000)
        year += 2000;
    f.utcMillis = Utc(year, int(b.U32(0x40)), int(b.U32(0x44)), int(b.U32(0x30)), int(b.U32(0x34)),
                      b.U32(0x38));
    f.speedKmh = b.I32(0x54) / 100.0 * kMpsToKmh;
    return {f};
}

// Year, month and day u32s at `at` (year since 2000 or absolute) and hour, minute, second at
// `timeAt`.
int64_t BinaryTime(const BlockBytes& b, size_t at, size_t timeAt) {
    int year = int(b.U32(at));
    if (year < 2000)
        year += 2000;
    return Utc(year, int(b.U32(at + 4)), int(b.U32(at + 8)), int(b.U32(timeAt)),
               int(b.U32(timeAt + 4)), b.U32(timeAt + 8));
}

// §1.5 scan "type 2": doubles, letters as u16s.
std::vector<FreeGpsFix> TypeTwo(const BlockBytes& b) {
    if (!b.Has(0x88))
        return {};
    FreeGpsFix f = LetteredFix(b.Double(0x40), b.At(0x48), b.Double(0x50), b.At(0x58));
    f.utcMillis = BinaryTime(b, 0x70, 0x30);
    f.speedKmh = b.Double(0x60) * kKnotsToKmh;
    f.course = b.Double(0x68);
    AccelerationI32(f, b, 0x7C, 1000.0);
    return {f};
}

// §1.5 scan "Anticlock": as Akaso without the 180 degrees, accelerations /1000 at 0x64.
std::vector<FreeGpsFix> Anticlock(const BlockBytes& b) {
    FreeGpsFix f = LetteredFix(b.Float(0x40), b.At(0x44), b.Float(0x48), b.At(0x4C));
    f.utcMillis = BinaryTime(b, 0x58, 0x30);
    f.speedKmh = b.Float(0x50);
    f.course = b.Float(0x54);
    AccelerationI32(f, b, 0x64, 1000.0);
    return {f};
}

// §1.5 INNOVV: 32-byte records "A N E \0" + floats, no time; their accelerations have no
// known scale and are left out. The records share the block's second.
std::vector<FreeGpsFix> Innovv(const BlockBytes& b) {
    std::vector<size_t> starts;
    for (size_t at = 0; at + 32 <= b.Size(); ++at) {
        if (b.At(at) == 'A' && IsNs(b.At(at + 1)) && IsEw(b.At(at + 2)) && b.At(at + 3) == 0) {
            starts.push_back(at);
            at += 31;
        }
    }
    std::vector<FreeGpsFix> out;
    for (size_t k = 0; k < starts.size(); ++k) {
        const size_t at = starts[k];
        FreeGpsFix f = LetteredFix(b.Float(at + 4), b.At(at + 1), b.Float(at + 8), b.At(at + 2));
        f.utcMillis = kNoUtcTime;
        f.speedKmh = b.Float(at + 12) * kKnotsToKmh;
        f.course = b.Float(at + 16);
        f.secondFraction = double(k) / double(starts.size());
        out.push_back(f);
    }
    return out;
}

// §1.5 Vantrue N4: doubles from 0x20, time at 0x10, date at 0x50, accelerations /1000 at 0x5C.
std::vector<FreeGpsFix> VantrueN4(const BlockBytes& b) {
    if (!b.Has(0x68))
        return {};
    FreeGpsFix f = LetteredFix(b.Double(0x20), b.At(0x28), b.Double(0x30), b.At(0x38));
    f.utcMillis = BinaryTime(b, 0x50, 0x10);
    f.speedKmh = b.Double(0x40) * kKnotsToKmh;
    f.course = b.Double(0x48);
    AccelerationI32(f, b, 0x5C, 1000.0);
    return {f};
}

// The variants of blocks that the index lists (ExifTool's order); null-signature variants
// whose coordinates cannot be read (Kingslim, Akaso V1 / Redtiger, EACHPAI) give nothing.
std::vector<FreeGpsFix> IndexedBlock(const BlockBytes& b) {
    static const char kXor[] = "\xAA\xAA\xF2\xE1\xF0\xEE\x54\x54";
    if (b.Is(18, kXor, 8))
        return XorAscii(b);
    std::string head(reinterpret_cast<const char*>(b.Data()), std::min<size_t>(b.Size(), 0x42));
    if (AllDigits(head, 0x34, 14))
        return NmeaText(b);
    if (b.Zero(37, 3) && b.At(40) == 'A' && IsNs(b.At(41)) && IsEw(b.At(42)))
        return Compact(b);
    if (b.Zero(21, 3) && b.At(24) == 'A' && IsNs(b.At(25)) && IsEw(b.At(26)))
        return {};  // Kingslim: obfuscated coordinates
    if (b.At(60) == 'A' && b.Zero(61, 3) && IsNs(b.At(68)) && b.Zero(69, 3) && IsEw(b.At(76)) &&
        b.Zero(77, 3))
        return Akaso(b);
    if (b.Is(60, "4W`b]S<", 7) && b.Size() >= 140)
        return ShiftedNmea(b);
    if (b.At(64) >= 1 && b.At(64) <= 12 && b.Zero(65, 3) && b.At(68) >= 1 && b.At(68) <= 31 &&
        b.Zero(69, 3) && b.At(72) == 'A' && IsNs(b.At(73)) && IsEw(b.At(74)) && b.Zero(75, 5))
        return {};  // Akaso V1, Redtiger F7N: encrypted coordinates
    if (b.Is(12, "\xAC\0\0\0", 4) && b.Size() >= 60 + 72)
        return {};  // EACHPAI: not decodable
    if (b.At(64) == 'A' && IsNs(b.At(65)) && IsEw(b.At(66)) && b.At(67) == 0)
        return VantrueS1(b);
    if (b.At(72) == 'A' && IsNs(b.At(73)) && IsEw(b.At(74)))
        return Classic(b);
    return {};
}

// The variants that only the scan meets (ExifTool's order). The "ATC" ring buffer and the
// Nextbase 512G records are not read.
std::vector<FreeGpsFix> ScannedVariant(const BlockBytes& b) {
    if (b.Size() < 82 || b.Is(0x45, "ATC", 3))
        return {};
    if (b.At(60) == 'A' && b.At(61) == 0 && IsNs(b.At(72)) && b.At(73) == 0 && IsEw(b.At(88)) &&
        b.At(89) == 0)
        return TypeTwo(b);
    if (b.At(72) == 'A' && IsNs(b.At(73)) && IsEw(b.At(74)))
        return b.Is(16, "IQS", 3) ? ClassicIqs(b) : Classic(b);
    if (b.At(60) == 'A' && b.At(61) == 0 && IsNs(b.At(68)) && b.At(69) == 0 && IsEw(b.At(76)) &&
        b.At(77) == 0 && b.Size() >= 112)
        return Anticlock(b);
    if (b.At(16) == 'A' && IsNs(b.At(17)) && IsEw(b.At(18)) && b.At(19) == 0)
        return Innovv(b);
    if (b.At(28) == 'A' && IsNs(b.At(40)) && IsEw(b.At(56)))
        return VantrueN4(b);
    return {};
}

// A scanned block whose date is no date gives no fix (INNOVV records have none to check).
std::vector<FreeGpsFix> ScannedBlock(const BlockBytes& b) {
    std::vector<FreeGpsFix> fixes = ScannedVariant(b);
    const bool innovv =
        b.At(16) == 'A' && fixes.size() > 0 && fixes[0].utcMillis == kNoUtcTime && IsNs(b.At(17));
    if (innovv)
        return fixes;
    std::vector<FreeGpsFix> timed;
    for (const FreeGpsFix& f : fixes)
        if (f.utcMillis != kNoUtcTime)
            timed.push_back(f);
    return timed;
}

bool Plausible(const FreeGpsFix& f) {
    return std::isfinite(f.latitude) && std::isfinite(f.longitude) &&
           std::fabs(f.latitude) <= 90.0 && std::fabs(f.longitude) <= 180.0 &&
           !(f.latitude == 0.0 && f.longitude == 0.0);
}

}  // namespace

bool IsFreeGpsBlock(const uint8_t* block, size_t size) {
    return size >= 12 && std::memcmp(block + 4, "freeGPS ", 8) == 0;
}

std::vector<FreeGpsFix> DecodeFreeGpsBlock(const uint8_t* block, size_t size,
                                           FreeGpsSource source) {
    if (!IsFreeGpsBlock(block, size) || size < 92)
        return {};
    const BlockBytes b(block, size);
    std::vector<FreeGpsFix> fixes =
        source == FreeGpsSource::Index ? IndexedBlock(b) : ScannedBlock(b);
    std::vector<FreeGpsFix> out;
    for (FreeGpsFix& f : fixes) {
        if (!std::isfinite(f.speedKmh) || f.speedKmh < 0)
            f.speedKmh = -1.0;
        if (!std::isfinite(f.course))
            f.course = -1.0;
        if (Plausible(f))
            out.push_back(f);
    }
    return out;
}
