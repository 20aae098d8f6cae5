#pragma once

#include <cstdint>
#include <string>

// UTC calendar time to and from the milliseconds since 1970 that samples keep (kNoUtcTime in
// AssistInfo.h marks none).

// The milliseconds of a UTC date and time; false when a field is out of range (year
// 1970-2199, month 1-12, day 1 to the month's length, hour 0-23, minute 0-59, second 0-60,
// millisecond 0-999).
bool UtcMillisFromFields(int year, int month, int day, int hour, int minute, int second,
                         int millisecond, int64_t& out);

// Days since 1970-01-01 of a proleptic Gregorian date (no range check).
int64_t DaysFromCivil(int year, int month, int day);

// ISO 8601 with a "Z": "2024-07-15T08:15:00Z", or "2024-07-15T08:15:00.520Z" when the
// milliseconds are not zero. Empty for kNoUtcTime.
std::string IsoUtcText(int64_t utcMillis);
