// 70mai's top-level "GPS " box (also written by other cameras): one 36-byte little-endian
// record a second, after "moov" at the top level of the file.
//
//   +0  u32  1          +4  u32  1          +8  u32  second from the start of the clip
//   +12 u32  speed, km/h x 1000
//   +16 char 'N'/'S'    +17 u32  latitude,  DDMM.MMM x 1000 (unaligned)
//   +21 char 'E'/'W'    +22 u32  longitude, DDDMM.MMM x 1000
//   +26 10 bytes zero
//
// The first all-zero record ends the list (the box keeps unused slots). The records carry no
// course (the resampler derives it) and no clock: the movie header's creation time is not
// the fix time (the real clip's is years off), and the file name's time is the camera's local
// time, so the samples have no UTC time.
#include "BoxWalker.h"
#include "ByteSource.h"
#include "PerSecondResampler.h"
#include "TelemetryFormat.h"
#include "TelemetryStore.h"

#include <algorithm>
#include <vector>

namespace {

constexpr size_t kRecordBytes = 36;
constexpr size_t kRecordsPerBlock = 1820;  // about 64 KiB a read

uint32_t U32LE(const uint8_t* b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

// DDMM.MMM x 1000 and its hemisphere letter to signed degrees; false for a malformed value.
bool Degrees(uint32_t raw, uint8_t hemisphere, char positive, char negative, double& out) {
    if (hemisphere != uint8_t(positive) && hemisphere != uint8_t(negative))
        return false;
    const uint32_t minutesThousandths = raw % 100000;
    if (minutesThousandths >= 60000)
        return false;
    out = double(raw / 100000) + minutesThousandths / 60000.0;
    if (hemisphere == uint8_t(negative))
        out = -out;
    return true;
}

bool AllZero(const uint8_t* b) {
    return std::all_of(b, b + kRecordBytes, [](uint8_t v) { return v == 0; });
}

bool FindGpsBox(ByteSource& src, BoxExtent& box) {
    BoxHeader h;
    return FindChildBox(src, 0, src.Size(), "GPS ", h, box) &&
           box.end - box.payload >= kRecordBytes;
}

class SeventyMaiGps final : public TelemetryFormat {
public:
    TelemetryFormatId Id() const override { return TelemetryFormatId::SeventyMaiGps; }
    const char* Name() const override { return "70mai GPS box"; }

    bool Claims(const FormatContext& ctx) const override {
        BoxExtent box;
        return FindGpsBox(ctx.src, box);
    }

    int Extract(const FormatContext& ctx, TelemetryStore& store) const override {
        store.Clear();
        BoxExtent box;
        if (!FindGpsBox(ctx.src, box))
            return 0;
        // One record a second: never more records than the recording has seconds.
        const uint64_t limit = BoxWalker(ctx.src).RecordLimit();
        PerSecondResampler resampler(limit);
        const uint64_t count = std::min<uint64_t>((box.end - box.payload) / kRecordBytes, limit);
        std::vector<uint8_t> block(kRecordsPerBlock * kRecordBytes);
        for (uint64_t i = 0; i < count;) {
            const size_t n = size_t(std::min<uint64_t>(count - i, kRecordsPerBlock));
            if (!ctx.src.ReadExact(box.payload + i * kRecordBytes, block.data(), n * kRecordBytes))
                break;
            for (size_t k = 0; k < n; ++k) {
                const uint8_t* r = &block[k * kRecordBytes];
                if (AllZero(r))
                    return resampler.WriteTo(store);
                TimedFix fix;
                fix.videoSeconds = U32LE(r + 8);
                fix.speedKmh = U32LE(r + 12) / 1000.0;
                if (Degrees(U32LE(r + 17), r[16], 'N', 'S', fix.latitude) &&
                    Degrees(U32LE(r + 22), r[21], 'E', 'W', fix.longitude))
                    resampler.AddFix(fix);
            }
            i += n;
        }
        return resampler.WriteTo(store);
    }
};

}  // namespace

const TelemetryFormat& SeventyMaiGpsFormat() {
    static const SeventyMaiGps f;
    return f;
}
