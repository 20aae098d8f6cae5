#pragma once

#include <cstdint>
#include <limits>
#include <string>

// The UTC time of a sample: milliseconds since 1970-01-01 00:00:00 UTC, or kNoUtcTime.
constexpr int64_t kNoUtcTime = std::numeric_limits<int64_t>::min();

// One telemetry sample: the G-sensor reading and the NMEA position of one
// second of a recording. Longitude comes before latitude, as the camera
// firmware lays the record out.
struct tagAssistInfo {
    float accelX = 0.0f;    // g
    float accelY = 0.0f;    // g
    float accelZ = 0.0f;    // g
    std::string longitude;  // decimal degrees as text: "", "0", or [-]D.dddddd[d]
    std::string latitude;
    int32_t speed = 0;               // km/h, truncated
    double course = 0.0;             // degrees; 0 when absent or above 360
    int64_t utcMillis = kNoUtcTime;  // when the fix was taken, where the format keeps it
};

inline bool HasUtcTime(const tagAssistInfo& s) {
    return s.utcMillis != kNoUtcTime;
}

// A position is usable when both coordinate texts are longer than six
// characters; "0" and "" never are. Every consumer applies this test.
inline bool HasUsablePosition(const tagAssistInfo& s) {
    return s.latitude.size() > 6 && s.longitude.size() > 6;
}

// The speed that is shown or exported: a negative speed (from a stray sign in the sentence)
// is 0. The speed readout and every velto-telemetry output apply it.
inline int32_t ShownSpeed(int32_t kmh) {
    return kmh < 0 ? 0 : kmh;
}
