#pragma once

#include "AssistInfo.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

class TelemetryStore;

// Turns the timed fixes and accelerations that the real cameras' formats carry into the
// player's samples: sample i is the recording's second i, [i, i + 1) on the video time line.
//
// Rule "first fix of the second": a sample's position is that of the fix nearest to the start
// of its second among the fixes inside the second, i.e. the earliest one (the first added
// wins a tie). Its accelerations are the means of the accelerations inside the second (0
// without any). A second without a fix has no usable position (empty texts, never "0,0").
// A fix without a course takes the bearing from the position of the previous second that has
// one (the first fix takes the bearing to the next; no movement keeps the last course).
//
// Bounded: times beyond `secondLimit` seconds (BoxWalker::RecordLimit, which is never above
// kMaxRecords) are dropped, so the samples and the memory kept never exceed it.

constexpr double kNoCourse = std::numeric_limits<double>::quiet_NaN();

struct TimedFix {
    double videoSeconds = 0.0;
    double latitude = 0.0;   // decimal degrees, south negative
    double longitude = 0.0;  // decimal degrees, west negative
    double speedKmh = 0.0;
    double course = kNoCourse;  // degrees clockwise from true north; kNoCourse: derive it
    int64_t utcMillis = kNoUtcTime;
};

struct TimedAcceleration {
    double videoSeconds = 0.0;
    double x = 0.0, y = 0.0, z = 0.0;  // g
};

// A fix the player can use: finite, within +-90 / +-180, and not 0,0 (what cameras write
// for "no fix").
bool IsPlausibleFix(double latitude, double longitude);

// The one formatter of decimal degrees: "%.7f" ("47.6284220", "-0.5000000"): 1e-7 degrees, and
// always longer than six characters.
std::string DecimalDegreesText(double degrees);

class PerSecondResampler {
public:
    explicit PerSecondResampler(uint64_t secondLimit);

    // Fixes that are not plausible, or whose time is negative, not finite or beyond the
    // limit, are dropped; so are accelerations with such times or values.
    void AddFix(const TimedFix& fix);
    void AddAcceleration(const TimedAcceleration& a);

    // Appends one sample per second from 0 to the last second that received anything, and
    // returns the store's count.
    int WriteTo(TelemetryStore& store) const;

    bool Empty() const { return m_slots.empty(); }

private:
    struct Slot {
        bool hasFix = false;
        TimedFix fix;
        double sumX = 0.0, sumY = 0.0, sumZ = 0.0;
        uint32_t accelerations = 0;
    };
    Slot* SlotFor(double videoSeconds);

    uint64_t m_secondLimit;
    std::vector<Slot> m_slots;
};
