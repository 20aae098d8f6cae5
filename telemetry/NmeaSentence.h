#pragma once

#include "AssistInfo.h"

#include <cstdint>
#include <string>

// NMEA 0183 sentences of the telemetry records. Fields are split at commas the way strtok
// splits them: a run of commas is one separator, so an empty field shifts every later field
// up by one. Numbers are read locale-independently (leading blanks, longest valid prefix, 0
// when there is none). No checksum is verified, the time and date only by RmcUtcTime.

// "$GPRMC", "$GLRMC" or "$GNRMC": fills latitude, longitude, speed (knots x 1.85, truncated),
// course (0 above 360) and the UTC time (RmcUtcTime, or none); leaves the sample unchanged
// when the sentence is not accepted. Returns 0.
int ParseRmcSentence(const std::string& text, tagAssistInfo& sample);

// The UTC time of an RMC sentence: hhmmss[.s...] in field 1 and DDMMYY in field 9, fields
// counted at every comma (an empty field counts, unlike the splitting above). Two-digit years
// from 70 are 19YY, below 70 20YY. False when either field is missing or out of range.
bool RmcUtcTime(const std::string& sentence, int64_t& utcMillis);

// "$GPGGA" only: fills latitude and longitude, or leaves the sample unchanged. Returns 0.
int ParseGgaSentence(const std::string& text, tagAssistInfo& sample);

// ddmm.mmmm / dddmm.mmmm and a hemisphere character to decimal degrees: "%d.%06d" for four
// minute-fraction digits, "%d.%07d" for five, with "-" for 'S' and 'W'; "0" when the field
// holds no point, "" for any other number of fraction digits.
std::string FormatCoordinate(const std::string& field, char hemisphere);
