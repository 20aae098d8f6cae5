#include "NmeaSentence.h"

#include "UtcTime.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

constexpr size_t kFieldLimit = 32;
constexpr double kKnotsToKmh = 1.85;
constexpr double kCourseLimit = 360.0;

// Tokens as strtok(text, ",") yields them: empty fields produce no token. Only the first
// `wanted` tokens are kept.
std::vector<std::string> SplitFields(const std::string& text, size_t wanted) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size() && tokens.size() < wanted) {
        while (i < text.size() && text[i] == ',')
            ++i;
        if (i == text.size())
            break;
        size_t end = text.find(',', i);
        if (end == std::string::npos)
            end = text.size();
        tokens.push_back(text.substr(i, end - i));
        i = end;
    }
    return tokens;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The C text-to-double reading, without depending on the process locale (a Qt program
// sets LC_NUMERIC from the environment): blanks skipped, optional sign, longest prefix.
double ReadNumber(const std::string& s) {
    const char* p = s.c_str();
    const char* end = p + s.size();
    while (p < end && IsBlank(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    if (p < end && (*p == '+' || *p == '-'))
        return 0.0;
    double value = 0.0;
    auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument)
        return 0.0;
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone here; strtod gives +-HUGE_VAL or 0.
        bool tiny = false;
        for (const char* q = p; q < result.ptr; ++q)
            if (*q == 'e' || *q == 'E')
                tiny = q + 1 < result.ptr && q[1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

// Truncation toward zero, clamped so that no text makes the conversion undefined.
int64_t TruncateClamped(double v, double limit) {
    if (std::isnan(v))
        return 0;
    if (v > limit)
        return int64_t(limit);
    if (v < -limit)
        return -int64_t(limit);
    return int64_t(v);
}

// The field after the `index`-th comma, up to the next comma, '*' or line end.
std::string FieldAt(const std::string& text, size_t index) {
    size_t start = 0;
    for (size_t i = 0; i < index; ++i) {
        start = text.find(',', start);
        if (start == std::string::npos)
            return std::string();
        ++start;
    }
    const size_t end = text.find_first_of(",*\r\n", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// `count` decimal digits at `at` as a number; false when one is not a digit.
bool Digits(const std::string& s, size_t at, size_t count, int& out) {
    if (at + count > s.size())
        return false;
    out = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

}  // namespace

bool RmcUtcTime(const std::string& sentence, int64_t& utcMillis) {
    const std::string time = FieldAt(sentence, 1);
    const std::string date = FieldAt(sentence, 9);
    int hour, minute, second, day, month, year;
    if (!Digits(time, 0, 2, hour) || !Digits(time, 2, 2, minute) || !Digits(time, 4, 2, second) ||
        date.size() != 6 || !Digits(date, 0, 2, day) || !Digits(date, 2, 2, month) ||
        !Digits(date, 4, 2, year))
        return false;
    int millisecond = 0;
    if (time.size() > 7 && time[6] == '.') {
        // Up to three fraction digits; more are cut.
        const size_t digits = std::min<size_t>(time.size() - 7, 3);
        int fraction = 0;
        if (!Digits(time, 7, digits, fraction))
            return false;
        millisecond = fraction * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
    }
    year += year >= 70 ? 1900 : 2000;
    return UtcMillisFromFields(year, month, day, hour, minute, second, millisecond, utcMillis);
}

std::string FormatCoordinate(const std::string& field, char hemisphere) {
    const bool negative = hemisphere == 'W' || hemisphere == 'S';
    const size_t point = field.find('.');
    if (point == std::string::npos)
        return "0";

    const int64_t a = TruncateClamped(ReadNumber(field.substr(0, point)), 2147483647.0);
    const int64_t degrees = a / 100;
    const int64_t minutes = a % 100;
    const std::string fraction = field.substr(point + 1);
    const size_t k = fraction.size();
    const double f = k < 2 ? 0.0 : ReadNumber(fraction);

    const char* pattern;
    double scale;
    if (k == 4) {
        pattern = negative ? "-%lld.%06lld" : "%lld.%06lld";
        scale = 10000.0;
    } else if (k == 5) {
        pattern = negative ? "-%lld.%07lld" : "%lld.%07lld";
        scale = 100000.0;
    } else {
        return "";
    }
    // Minutes and fraction as one integer, times 100 / 60 truncating: the last digit is
    // rounded down, as the cameras' own readers do.
    const int64_t t = TruncateClamped(double(minutes) * scale + f, 1e15);
    const int64_t v = (t * 100) / 60;
    char text[64];
    std::snprintf(text, sizeof text, pattern, static_cast<long long>(degrees),
                  static_cast<long long>(v));
    return text;
}

int ParseRmcSentence(const std::string& text, tagAssistInfo& sample) {
    const std::vector<std::string> f = SplitFields(text, 9);
    if (f.empty() || (f[0] != "$GPRMC" && f[0] != "$GLRMC" && f[0] != "$GNRMC"))
        return 0;
    if (f.size() < 9)
        return 0;
    for (size_t limited : {3, 5, 7, 8})
        if (f[limited].size() > kFieldLimit)
            return 0;

    sample.latitude = FormatCoordinate(f[3], f[4][0]);
    sample.longitude = FormatCoordinate(f[5], f[6][0]);
    sample.speed = int32_t(TruncateClamped(ReadNumber(f[7]) * kKnotsToKmh, 2147483647.0));
    const double course = ReadNumber(f[8]);
    // Above 360 (and anything that is not a finite number) gives 0; exactly 360 stays.
    sample.course = std::isfinite(course) && course <= kCourseLimit ? course : 0.0;
    int64_t utc = kNoUtcTime;
    sample.utcMillis = RmcUtcTime(text, utc) ? utc : kNoUtcTime;
    return 0;
}

int ParseGgaSentence(const std::string& text, tagAssistInfo& sample) {
    const std::vector<std::string> f = SplitFields(text, 6);
    if (f.empty() || f[0] != "$GPGGA")
        return 0;
    if (f.size() < 6 || f[2].size() > kFieldLimit || f[4].size() > kFieldLimit)
        return 0;
    sample.latitude = FormatCoordinate(f[2], f[3][0]);
    sample.longitude = FormatCoordinate(f[4], f[5][0]);
    return 0;
}
