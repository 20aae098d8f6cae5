#include "FormatRegistry.h"

#include "ByteSource.h"
#include "Extraction.h"
#include "TelemetryStore.h"

#include <exception>
#include <utility>

// Each format's one object, defined in its own file under formats/.
const TelemetryFormat& TextTrackLayoutFormat();
const TelemetryFormat& HeaderBlocksLayoutFormat();
const TelemetryFormat& InterleavedLayoutFormat();
const TelemetryFormat& UserDataIndexLayoutFormat();
const TelemetryFormat& NovatekIndexFormatObject();
const TelemetryFormat& NovatekScanFormatObject();
const TelemetryFormat& TextGpsFormatObject();
const TelemetryFormat& SeventyMaiGpsFormat();
const TelemetryFormat& BlackVueFormat();
const TelemetryFormat& NmeaSidecarFormat();

namespace {

using Id = TelemetryFormatId;

// THE registry, in priority order. Adding a format: one file under formats/, its accessor
// declared above, one row here (before the mdat scan, which stays last).
const FormatRow kRegistry[] = {
    {Id::TextTrack, &TextTrackLayoutFormat()},
    {Id::HeaderBlocks, &HeaderBlocksLayoutFormat()},
    {Id::Interleaved, &InterleavedLayoutFormat()},
    {Id::UserDataIndex, &UserDataIndexLayoutFormat()},
    {Id::NovatekIndex, &NovatekIndexFormatObject()},
    {Id::TextGps, &TextGpsFormatObject()},
    {Id::SeventyMaiGps, &SeventyMaiGpsFormat()},
    {Id::BlackVue, &BlackVueFormat()},
    {Id::NmeaSidecar, &NmeaSidecarFormat()},
    {Id::NovatekScan, &NovatekScanFormatObject()},
};

bool HasUsablePositionIn(const TelemetryStore& store) {
    tagAssistInfo s;
    for (int i = 0; i < store.GetCount(); ++i)
        if (store.GetSample(i, s) == 0 && HasUsablePosition(s))
            return true;
    return false;
}

// The first real camera format, in registry order, that claims the recording; null if none.
const TelemetryFormat* ClaimingCameraFormat(const FormatContext& ctx,
                                            const TelemetryFormat* after = nullptr) {
    bool skipping = after != nullptr;
    for (const FormatRow& row : kRegistry) {
        if (skipping) {
            skipping = row.format != after;
            continue;
        }
        if (!IsChipsetLayoutFormat(row.id) && row.format->Claims(ctx))
            return row.format;
    }
    return nullptr;
}

// Nothing a format meets (not even memory running out) escapes: what it stored stays.
TelemetryReading Read(const TelemetryFormat& format, const FormatContext& ctx,
                      TelemetryStore& store) {
    try {
        format.Extract(ctx, store);
    } catch (const std::exception&) {
    }
    return {format.Id(), format.Name(), store.GetCount()};
}

// Code points, not bytes: a path is UTF-8.
size_t CharacterCount(const std::string& utf8) {
    size_t n = 0;
    for (char c : utf8)
        n += (uint8_t(c) & 0xC0) != 0x80;
    return n;
}

}  // namespace

bool IsChipsetLayoutFormat(TelemetryFormatId id) {
    return id == Id::TextTrack || id == Id::HeaderBlocks || id == Id::Interleaved ||
           id == Id::UserDataIndex;
}

const FormatRow* FormatRegistryBegin() {
    return kRegistry;
}

const FormatRow* FormatRegistryEnd() {
    return kRegistry + sizeof kRegistry / sizeof kRegistry[0];
}

const TelemetryFormat* FormatById(TelemetryFormatId id) {
    for (const FormatRow& row : kRegistry)
        if (row.id == id)
            return row.format;
    return nullptr;
}

const char* FormatName(TelemetryFormatId id) {
    const TelemetryFormat* f = FormatById(id);
    return f ? f->Name() : "none";
}

TelemetryFormatId FormatForKind(ChipsetKind kind) {
    return ExtractionForKind(kind).format;
}

TelemetryReading ReadTelemetry(TelemetryStore& store, ByteSource& src, const std::string& path,
                               ChipsetKind kind, bool kindDecided) {
    store.Clear();
    const FormatContext ctx{src, path};
    if (kindDecided) {
        const TelemetryReading layout = Read(*FormatById(FormatForKind(kind)), ctx, store);
        if (HasUsablePositionIn(store))
            return layout;
        const TelemetryFormat* other = ClaimingCameraFormat(ctx);
        if (other == nullptr)
            return layout;
        TelemetryStore theirs;
        const TelemetryReading reading = Read(*other, ctx, theirs);
        if (!HasUsablePositionIn(theirs))
            return layout;
        const int32_t videoSamplesPerSecond = store.videoSamplesPerSecond;
        store = std::move(theirs);
        store.videoSamplesPerSecond = videoSamplesPerSecond;
        return reading;
    }
    // The first claimer, unless a later one gives positions where it gives none.
    if (const TelemetryFormat* first = ClaimingCameraFormat(ctx)) {
        const TelemetryReading reading = Read(*first, ctx, store);
        if (HasUsablePositionIn(store))
            return reading;
        for (const TelemetryFormat* next = ClaimingCameraFormat(ctx, first); next != nullptr;
             next = ClaimingCameraFormat(ctx, next)) {
            TelemetryStore theirs;
            const TelemetryReading later = Read(*next, ctx, theirs);
            if (HasUsablePositionIn(theirs)) {
                store = std::move(theirs);
                return later;
            }
        }
        return reading;
    }
    const TelemetryFormat& index = *FormatById(Id::UserDataIndex);
    if (index.Claims(ctx))
        return Read(index, ctx, store);
    return {Id::None, FormatName(Id::None), 0};
}

TelemetryReading ReadTelemetry(TelemetryStore& store, const std::string& path, ChipsetKind kind,
                               bool kindDecided) {
    store.Clear();
    FileByteSource src;
    if (CharacterCount(path) < 4 || !src.Open(path))
        return {};
    return ReadTelemetry(store, src, path, kind, kindDecided);
}
