#pragma once

#include "AssistInfo.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The "freeGPS " blocks of the Novatek family of dash cameras, shared by the two ways of
// finding them (the "moov/gps " index and the mdat scan). A block is a box: u32 BE size,
// "free", "GPS ", then one of the camera variants, told apart by signatures in the order
// ExifTool tries them.

// Bytes of a block that the decoders look at (the largest offset read is below 0x200; the
// NMEA variant searches its sentences in this much of the block).
constexpr size_t kFreeGpsReadBytes = 4096;

struct FreeGpsFix {
    double latitude = 0.0, longitude = 0.0;  // decimal degrees, signed
    double speedKmh = -1.0;                  // negative: none
    double course = -1.0;                    // negative: none
    int64_t utcMillis = kNoUtcTime;          // none when the block has no date
    bool hasAcceleration = false;
    double ax = 0.0, ay = 0.0, az = 0.0;  // g
    double secondFraction = 0.0;          // place within the block's second (several fixes)
};

enum class FreeGpsSource { Index, Scan };

// True when `block` (its first `size` bytes, the whole block or kFreeGpsReadBytes of it)
// starts with the block header.
bool IsFreeGpsBlock(const uint8_t* block, size_t size);

// The fixes of one block ("A" fixes only: void blocks, zero positions and variants whose
// coordinates are encrypted give none). Blocks listed by the index and blocks found by the
// scan are decoded by different variant lists, as the cameras write them.
std::vector<FreeGpsFix> DecodeFreeGpsBlock(const uint8_t* block, size_t size, FreeGpsSource source);
