#pragma once

#include "AssistInfo.h"

#include <cstdint>
#include <string>

// NMEA 0183 RMC and GGA sentences as the real cameras write them, for their formats (the
// player's own layouts keep the strtok-style reading of NmeaSentence.h): any talker ("GP",
// "GN", "GL" ...), "$" optional, fields counted at every comma, checksum never checked (cameras
// often get it wrong).

struct NmeaFix {
    double latitude = 0.0;           // decimal degrees, south negative
    double longitude = 0.0;          // decimal degrees, west negative
    double speedKmh = -1.0;          // RMC only; negative when absent
    double course = -1.0;            // RMC only; negative when absent
    int timeOfDayMillis = -1;        // hhmmss.sss of the sentence, -1 when unreadable
    int64_t utcMillis = kNoUtcTime;  // RMC with a date: the whole UTC time
};

enum class NmeaKind { None, Rmc, Gga };

// `ddmm.mmmm` (or dddmm.mmmm) and a hemisphere letter to signed decimal degrees: the digits
// before the last two in front of the point are degrees. False when the field is no such
// number or the letter is not one of `positive` / `negative`.
bool NmeaDegrees(const std::string& field, char letter, char positive, char negative,
                 double& degrees);

// One sentence, from its name ("$GPRMC" or "GPRMC") up to its end (a "*", CR, LF or NUL ends
// it). RMC: status "A" (or empty) with a position; "V" (void) is no fix. GGA: a position and
// a quality other than 0. Returns the kind read, None when the sentence gives no fix.
NmeaKind ParseNmeaFix(const std::string& sentence, NmeaFix& fix);

// Two-digit NMEA years: 70 to 99 are 19YY, the others 20YY.
int NmeaYear(int twoDigits);
