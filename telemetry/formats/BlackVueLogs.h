#pragma once

// The logs that BlackVue cameras keep, inside the recording (a top-level "free" box whose
// children are "sttm", "gps ", "3gf " ...) or beside it (.gps and .3gf files), and plain NMEA
// logs (.NMEA files). BlackVueFormat and NmeaSidecarFormat share these readers. They read
// through a ByteSource in blocks, never hold a log whole, and hand timed fixes and
// accelerations to a PerSecondResampler.

#include "BoxWalker.h"

#include <cstdint>
#include <limits>

class ByteSource;
class PerSecondResampler;

// No start time known: the log's own first "[ms]" stands for the start of the recording.
constexpr int64_t kNoLogStart = std::numeric_limits<int64_t>::min();

// An NMEA log: sentences "$ttRMC,..." (any two-letter talker; other sentences are skipped),
// one per line or several on one, each optionally prefixed with "[ms]", the camera's clock in
// milliseconds (BlackVue: local time as milliseconds since 1970). Checksums are not verified.
// Rule "log clock", the video time of a sentence:
//  - with a "[ms]" right before its '$': ms minus `startMs` (the "sttm" box), or minus the
//    first "[ms]" of the log when `startMs` is kNoLogStart;
//  - without one: the video time of the previous timed RMC sentence plus the difference of
//    their UTC times of day (a step over midnight counts forward);
//  - the first timed RMC sentence without one: second 0.
// Void sentences (status other than 'A') keep the clock but give no fix. A fix carries the
// position, speed (knots x 1.852), course (none when empty) and, with a date, its UTC time.
// Reads the bytes from `begin` to `end`.
void ReadNmeaLog(ByteSource& src, uint64_t begin, uint64_t end, int64_t startMs,
                 PerSecondResampler& out);

// "3gf " records, 10 bytes big-endian: u32 milliseconds since the start of the recording,
// then i16 x, y, z; a time of 0xFFFFFFFF ends the list (at most kMaxTrackSamples records).
// Rule "3gf gravity scale": the axes carry no documented unit, so the median length of the
// vectors is taken as 1 g when at least half of the vectors lie within 25 % of it (gravity
// dominates what a car's sensor reads); otherwise the values are read as ExifTool prints
// them, tenths, taken as m/s^2.
void Read3gfLog(ByteSource& src, uint64_t begin, uint64_t end, PerSecondResampler& out);

// The top-level "free" box of a BlackVue recording: its payload begins with a box of type
// "cprt", "sttm", "ptnm", "ptrh", "thum", "gps " or "3gf " whose size is below 65536 (as
// ExifTool recognises it). At most kMaxChildBoxes top-level boxes are looked at.
bool FindBlackVueBox(ByteSource& src, BoxExtent& box);

// "sttm" inside that box: u64 big-endian milliseconds; kNoLogStart when there is none or it
// is 0.
int64_t BlackVueStartTime(ByteSource& src, const BoxExtent& box);
