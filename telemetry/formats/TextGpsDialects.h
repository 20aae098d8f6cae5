#pragma once

#include "PerSecondResampler.h"

#include <cstddef>
#include <string>
#include <vector>

// The GPS texts that dash cameras write into the samples of a text or subtitle track, tried
// in ExifTool's order: E-PRANCE shifted text, Garmin PNDM records, NMEA sentences (with or
// without "$", so also Thinkware's), the XOR binary text (BlueSkySea, Ambarella A12), DJI's
// telemetry line, Mini 0806's line, and Roadhawk's substitution cipher.

// Bytes of a sample that are read (a second of the dialects above is well under 1 KiB).
constexpr size_t kMaxTextSample = 4096;

struct TextGpsSample {
    bool recognised = false;      // the sample is in one of the dialects (even without a fix)
    std::vector<TimedFix> fixes;  // videoSeconds 0; in the order of the sample
    bool hasAcceleration = false;
    double ax = 0.0, ay = 0.0, az = 0.0;  // g
};

// One sample as stored: an optional u16 BE length prefix (when it equals the rest) and an
// optional 12-byte "encd" trailer are removed first.
TextGpsSample DecodeGpsText(const std::string& sample);

// Whether a sample is in one of the dialects.
bool IsGpsText(const std::string& sample);
