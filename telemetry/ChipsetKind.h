#pragma once

#include <cstdint>
#include <ostream>

// Which telemetry layout a recording is read with, as the chipset probe finds it and the
// playlist keeps it. The numbers are the ones velto-telemetry prints and takes with --kind.
enum class ChipsetKind : int32_t {
    // Not probed (a sidecar was found, or the path is too short to look one up), not
    // openable, or the probe ended before it passed any box of the movie: read as the
    // user-data index, like UserDataIndex.
    UserDataIndexFallback = 0,
    TextTrack = 1,     // "AMBAxV4", "AMBARELLA A12": the text records of the third track
    TextTrackA7L = 2,  // "AMBARELLA A7L": the text records of the third track
    HeaderBlocks = 3,  // the tail tag: a signed header and 132-byte blocks
    Interleaved = 4,   // "NT96650A", "NT9665x": fixed records beside the video frames
    UserDataIndex = 5  // "NT9666", another tag or none: fixed records listed after "udta"
};

constexpr ChipsetKind kHighestChipsetKind = ChipsetKind::UserDataIndex;

constexpr int ChipsetKindNumber(ChipsetKind kind) {
    return static_cast<int>(kind);
}

// The kind numbered `number` (0 to 5); false for any other number.
inline bool ChipsetKindFromNumber(long long number, ChipsetKind& kind) {
    if (number < 0 || number > ChipsetKindNumber(kHighestChipsetKind))
        return false;
    kind = static_cast<ChipsetKind>(number);
    return true;
}

// Written as its number, as velto-telemetry prints it.
inline std::ostream& operator<<(std::ostream& out, ChipsetKind kind) {
    return out << ChipsetKindNumber(kind);
}
