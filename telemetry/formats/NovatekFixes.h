#pragma once

#include "FreeGpsBlock.h"
#include "PerSecondResampler.h"

// Hands the fixes of the block of second `second` to the resampler, with their accelerations.
inline void AddBlockFixes(PerSecondResampler& r, uint64_t second,
                          const std::vector<FreeGpsFix>& fixes) {
    for (const FreeGpsFix& f : fixes) {
        TimedFix fix;
        fix.videoSeconds = double(second) + f.secondFraction;
        fix.latitude = f.latitude;
        fix.longitude = f.longitude;
        fix.speedKmh = f.speedKmh < 0 ? 0.0 : f.speedKmh;
        fix.course = f.course < 0 ? kNoCourse : f.course;
        fix.utcMillis = f.utcMillis;
        r.AddFix(fix);
        if (f.hasAcceleration)
            r.AddAcceleration({fix.videoSeconds, f.ax, f.ay, f.az});
    }
}
