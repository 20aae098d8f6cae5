// Novatek-family dash cameras: "freeGPS " blocks in mdat, listed by a "gps " box inside "moov".
// Entry i of the list is the block of second i.
#include "BoxWalker.h"
#include "ByteSource.h"
#include "NovatekFixes.h"
#include "TelemetryFormat.h"
#include "TelemetryStore.h"

#include <algorithm>

namespace {

bool FindIndex(ByteSource& src, BoxExtent& gps) {
    BoxHeader h;
    BoxExtent moov;
    return FindChildBox(src, 0, src.Size(), "moov", h, moov) &&
           FindChildBox(src, moov.payload, moov.end, "gps ", h, gps);
}

class NovatekIndexFormat final : public TelemetryFormat {
public:
    TelemetryFormatId Id() const override { return TelemetryFormatId::NovatekIndex; }
    const char* Name() const override { return "Novatek freeGPS (gps index)"; }

    bool Claims(const FormatContext& ctx) const override {
        BoxExtent gps;
        return FindIndex(ctx.src, gps);
    }

    // "gps " payload: u32 (ignored), u32 N, then N x (u32 BE offset, u32 BE size); N is cut to
    // the pairs the box holds and to the seconds the recording can hold.
    int Extract(const FormatContext& ctx, TelemetryStore& store) const override {
        store.Clear();
        ByteSource& src = ctx.src;
        BoxExtent gps;
        uint32_t claimed = 0;
        if (!FindIndex(src, gps) || !src.ReadU32BE(gps.payload + 4, claimed))
            return 0;
        const uint64_t limit = BoxWalker(src).RecordLimit();
        const uint64_t room = gps.end - gps.payload >= 8 ? (gps.end - gps.payload - 8) / 8 : 0;
        const uint64_t count = std::min<uint64_t>({claimed, room, limit});
        std::vector<uint8_t> pairs(size_t(count) * 8);
        pairs.resize(src.ReadAt(gps.payload + 8, pairs.data(), pairs.size()) / 8 * 8);

        PerSecondResampler resampler(limit);
        WindowedReader reader(src, 0);
        for (size_t i = 0; i < pairs.size() / 8; ++i) {
            const uint8_t* p = &pairs[8 * i];
            const uint64_t offset = uint64_t(p[0]) << 24 | uint64_t(p[1]) << 16 | p[2] << 8 | p[3];
            const uint32_t size = uint32_t(p[4]) << 24 | uint32_t(p[5]) << 16 | p[6] << 8 | p[7];
            size_t got = 0;
            const uint8_t* block =
                reader.Read(offset, std::min<size_t>(size, kFreeGpsReadBytes), got);
            AddBlockFixes(resampler, i, DecodeFreeGpsBlock(block, got, FreeGpsSource::Index));
        }
        return resampler.WriteTo(store);
    }
};

}  // namespace

const TelemetryFormat& NovatekIndexFormatObject() {
    static const NovatekIndexFormat f;
    return f;
}
