#include "UtcTime.h"

#include "AssistInfo.h"

#include <cstdio>

namespace {

constexpr int64_t kMillisPerDay = 86400000;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The inverse of DaysFromCivil.
void CivilFromDays(int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

int64_t DaysFromCivil(int year, int month, int day) {
    const int64_t y = month <= 2 ? year - 1 : year;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool UtcMillisFromFields(int year, int month, int day, int hour, int minute, int second,
                         int millisecond, int64_t& out) {
    if (year < 1970 || year > 2199 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 60 || millisecond < 0 || millisecond > 999)
        return false;
    out = DaysFromCivil(year, month, day) * kMillisPerDay +
          ((int64_t(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
    return true;
}

std::string IsoUtcText(int64_t utcMillis) {
    if (utcMillis == kNoUtcTime)
        return std::string();
    int64_t days = utcMillis / kMillisPerDay;
    int64_t rest = utcMillis % kMillisPerDay;
    if (rest < 0) {
        rest += kMillisPerDay;
        --days;
    }
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    const int ms = int(rest % 1000);
    const int64_t s = rest / 1000;
    char text[48];
    if (ms == 0)
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, month, day,
                      int(s / 3600), int(s / 60 % 60), int(s % 60));
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", year, month, day,
                      int(s / 3600), int(s / 60 % 60), int(s % 60), ms);
    return text;
}
