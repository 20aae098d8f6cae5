#include "NmeaFix.h"

#include "UtcTime.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace {

constexpr double kKnotsToKmh = 1.852;
constexpr size_t kMaxFields = 20;

std::vector<std::string> Fields(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    const size_t end = s.find_first_of(std::string("*\r\n\0", 4));
    const std::string body = s.substr(0, end);
    while (out.size() < kMaxFields) {
        const size_t comma = body.find(',', start);
        out.push_back(
            body.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return out;
}

// A plain unsigned decimal ("12", "12.5", ".5"); false for anything else.
bool Decimal(const std::string& s, double& v) {
    if (s.empty() || s.size() > 24)
        return false;
    for (char c : s)
        if (!(c >= '0' && c <= '9') && c != '.')
            return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

bool TwoDigits(const std::string& s, size_t at, int& v) {
    if (at + 2 > s.size() || s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9')
        return false;
    v = (s[at] - '0') * 10 + (s[at + 1] - '0');
    return true;
}

// hhmmss[.sss]: milliseconds of the day.
int TimeOfDay(const std::string& s) {
    int h, m, sec;
    if (!TwoDigits(s, 0, h) || !TwoDigits(s, 2, m) || !TwoDigits(s, 4, sec) || h > 23 || m > 59 ||
        sec > 60)
        return -1;
    int ms = 0;
    if (s.size() > 6) {
        double fraction = 0;
        if (s[6] != '.' || !Decimal("0" + s.substr(6), fraction))
            return -1;
        ms = std::min(999, int(fraction * 1000.0 + 0.5));
    }
    return ((h * 60 + m) * 60 + sec) * 1000 + ms;
}

bool Position(const std::vector<std::string>& f, size_t at, NmeaFix& fix) {
    return f.size() > at + 3 && !f[at + 1].empty() && !f[at + 3].empty() &&
           NmeaDegrees(f[at], f[at + 1][0], 'N', 'S', fix.latitude) &&
           NmeaDegrees(f[at + 2], f[at + 3][0], 'E', 'W', fix.longitude);
}

}  // namespace

int NmeaYear(int twoDigits) {
    return twoDigits + (twoDigits >= 70 ? 1900 : 2000);
}

bool NmeaDegrees(const std::string& field, char letter, char positive, char negative,
                 double& degrees) {
    double v = 0;
    if ((letter != positive && letter != negative) || field.find('.') == std::string::npos ||
        !Decimal(field, v))
        return false;
    const double whole = std::trunc(v / 100.0);
    degrees = whole + (v - 100.0 * whole) / 60.0;
    if (letter == negative)
        degrees = -degrees;
    return true;
}

NmeaKind ParseNmeaFix(const std::string& sentence, NmeaFix& fix) {
    const std::vector<std::string> f = Fields(sentence);
    std::string name = f[0];
    if (!name.empty() && name[0] == '$')
        name.erase(0, 1);
    if (name.size() != 5)
        return NmeaKind::None;
    const std::string type = name.substr(2);
    NmeaFix out;
    if (type == "RMC") {
        if (f.size() < 10 || (f[2] != "A" && !f[2].empty()) || !Position(f, 3, out))
            return NmeaKind::None;
        out.timeOfDayMillis = TimeOfDay(f[1]);
        double v;
        if (Decimal(f[7], v))
            out.speedKmh = v * kKnotsToKmh;
        if (Decimal(f[8], v))
            out.course = v;
        int day, month, year;
        int64_t midnight;
        if (out.timeOfDayMillis >= 0 && f[9].size() == 6 && TwoDigits(f[9], 0, day) &&
            TwoDigits(f[9], 2, month) && TwoDigits(f[9], 4, year) &&
            UtcMillisFromFields(NmeaYear(year), month, day, 0, 0, 0, 0, midnight))
            out.utcMillis = midnight + out.timeOfDayMillis;
        fix = out;
        return NmeaKind::Rmc;
    }
    if (type == "GGA") {
        if (f.size() < 7 || f[6] == "0" || !Position(f, 2, out))
            return NmeaKind::None;
        out.timeOfDayMillis = TimeOfDay(f[1]);
        fix = out;
        return NmeaKind::Gga;
    }
    return NmeaKind::None;
}
