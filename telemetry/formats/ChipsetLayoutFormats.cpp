// The four layouts of the player's own camera family as registry formats. A sidecar or a
// chipset tag chooses them (ChipsetKind, the ExtractForKind table); without one, only the
// user-data index claims a recording, by the rule "plausible user-data index".
#include "BoxWalker.h"
#include "ByteSource.h"
#include "FormatRegistry.h"
#include "RecordDecoder.h"
#include "TelemetryFormat.h"
#include "TelemetryStore.h"

#include <cstring>

namespace {

using Extraction = int (TelemetryStore::*)(ByteSource&);

class ChipsetLayoutFormat final : public TelemetryFormat {
public:
    ChipsetLayoutFormat(TelemetryFormatId id, const char* name, Extraction extract)
        : m_id(id), m_name(name), m_extract(extract) {}

    TelemetryFormatId Id() const override { return m_id; }
    const char* Name() const override { return m_name; }
    bool Claims(const FormatContext& ctx) const override {
        return m_id == TelemetryFormatId::UserDataIndex && UserDataIndexIsPlausible(ctx.src);
    }
    int Extract(const FormatContext& ctx, TelemetryStore& store) const override {
        return (store.*m_extract)(ctx.src);
    }

private:
    TelemetryFormatId m_id;
    const char* m_name;
    Extraction m_extract;
};

constexpr int32_t kMaxPlausibleEntries = 500;

bool SentenceNameAccepted(const char* text) {
    for (const char* name : {"$GPRMC,", "$GNRMC,", "$GLRMC,", "$GPGGA,"})
        if (std::strncmp(text, name, 7) == 0)
            return true;
    return false;
}

}  // namespace

// The index as BoxWalker::UserDataIndexBases reads it: the count 12 bytes after "moov/udta",
// the (base, size) pairs from 16 bytes after it.
bool UserDataIndexIsPlausible(ByteSource& src) {
    BoxHeader h;
    BoxExtent moov, udta;
    if (!FindChildBox(src, 0, src.Size(), "moov", h, moov) ||
        !FindChildBox(src, moov.payload, moov.end, "udta", h, udta))
        return false;
    uint32_t raw = 0;
    if (!src.ReadU32BE(udta.end + 12, raw))
        return false;
    const int32_t count = int32_t(raw);
    if (count < 1 || count > kMaxPlausibleEntries)
        return false;
    for (int32_t i = 0; i < count; ++i) {
        uint32_t base = 0;
        if (!src.ReadU32BE(udta.end + 16 + 8 * uint64_t(i), base))
            return false;
        const uint64_t record = uint64_t(base) + kFixedRecordOffset;
        char sentence[8] = {};
        if (record + kFixedRecordSize > src.Size() || !src.ReadExact(record + 89, sentence, 7) ||
            !SentenceNameAccepted(sentence))
            return false;
    }
    return true;
}

const TelemetryFormat& TextTrackLayoutFormat() {
    static const ChipsetLayoutFormat f(TelemetryFormatId::TextTrack, "text track (chipset tag)",
                                       &TelemetryStore::ExtractTextTrack);
    return f;
}

const TelemetryFormat& HeaderBlocksLayoutFormat() {
    static const ChipsetLayoutFormat f(TelemetryFormatId::HeaderBlocks,
                                       "header blocks (chipset tag)",
                                       &TelemetryStore::ExtractHeaderBlocks);
    return f;
}

const TelemetryFormat& InterleavedLayoutFormat() {
    static const ChipsetLayoutFormat f(TelemetryFormatId::Interleaved,
                                       "interleaved records (chipset tag)",
                                       &TelemetryStore::ExtractInterleaved);
    return f;
}

const TelemetryFormat& UserDataIndexLayoutFormat() {
    static const ChipsetLayoutFormat f(TelemetryFormatId::UserDataIndex, "user-data index",
                                       &TelemetryStore::ExtractUserDataIndex);
    return f;
}
