// Novatek-family dash cameras without a "gps " index: "freeGPS " blocks found by scanning mdat
// for their header (00 ?? ?? 00 "freeGPS "). The k-th block found is the block of second k.
// Tried last of all formats: the scan gives up when the first 20 MB of mdat hold no block.
// The blocks lie between the samples of the movie's tracks, so where the tracks' tables cover
// mdat only the stretches they leave uncovered are scanned (a few kilobytes a second instead
// of the whole video); a recording without tables (cut short before "moov") is scanned whole.
#include "BoxWalker.h"
#include "ByteSource.h"
#include "NovatekFixes.h"
#include "TelemetryFormat.h"
#include "TelemetryStore.h"
#include "TrackSamples.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr uint64_t kFirstBlockWithin = 20000000;  // bytes of mdat
constexpr size_t kWindow = 1 << 20;
constexpr size_t kPattern = 12;  // 00 ?? ?? 00 "freeGPS "
constexpr uint64_t kAlignment = 0x8000;

// The first top-level "mdat"; one that claims more than the file holds (a recording cut short
// when the camera lost power) ends with the file.
bool FindMediaData(ByteSource& src, BoxExtent& mdat) {
    uint64_t pos = 0;
    for (int i = 0; i < kMaxChildBoxes && pos + 8 <= src.Size(); ++i) {
        BoxHeader h;
        BoxExtent box;
        if (!ReadBoxHeader(src, pos, h) ||
            !ReadBoxExtent(src, h, std::numeric_limits<uint64_t>::max(), box))
            return false;
        if (h.Is("mdat")) {
            mdat.payload = box.payload;
            mdat.end = h.size == 0 ? src.Size() : std::min(box.end, src.Size());
            return true;
        }
        pos = box.end;
    }
    return false;
}

bool HeaderAt(const uint8_t* p) {
    return p[0] == 0 && p[3] == 0 && std::memcmp(p + 4, "freeGPS ", 8) == 0;
}

// The first block header in [from, end), or `end`. Reads windows of at most 1 MiB that
// overlap by the header's length, so a header across two windows is found; the block found
// is then in the reader's window.
uint64_t NextHeader(WindowedReader& reader, uint64_t from, uint64_t end) {
    for (uint64_t pos = from; pos + kPattern <= end;) {
        const size_t want = size_t(std::min<uint64_t>(kWindow, end - pos));
        size_t got = 0;
        const uint8_t* base = reader.Read(pos, want, got);
        if (got < kPattern)
            return end;
        const uint8_t* p = base + 4;
        const uint8_t* last = base + got;
        while ((p = static_cast<const uint8_t*>(memmem(p, size_t(last - p), "freeGPS ", 8)))) {
            if (HeaderAt(p - 4))
                return pos + uint64_t(p - 4 - base);
            ++p;
        }
        if (got < want)
            return end;
        pos += got - (kPattern - 1);
    }
    return end;
}

// After a block on a 32 KiB boundary of the file the camera writes every block on one: the
// next header is looked for at the boundaries only.
uint64_t NextAlignedHeader(ByteSource& src, uint64_t from, uint64_t end) {
    for (uint64_t pos = (from + kAlignment - 1) / kAlignment * kAlignment; pos + kPattern <= end;
         pos += kAlignment) {
        uint8_t head[kPattern];
        if (!src.ReadExact(pos, head, kPattern))
            return end;
        if (HeaderAt(head))
            return pos;
    }
    return end;
}

struct Stretch {
    uint64_t begin, end;
};

// The stretches of mdat that no sample of any track covers, in file order; the whole of mdat
// when no track has samples there.
std::vector<Stretch> UncoveredStretches(ByteSource& src, const BoxExtent& mdat) {
    std::vector<Stretch> covered;
    for (const MovieTrack& t : ListMovieTracks(src)) {
        for (const TrackSample& s : ReadTrackSamples(src, t)) {
            if (s.offset >= mdat.end || s.offset + s.size <= mdat.payload || s.size == 0)
                continue;
            if (!covered.empty() && covered.back().end == s.offset)
                covered.back().end += s.size;  // the next sample of the same run
            else
                covered.push_back({s.offset, s.offset + s.size});
        }
    }
    if (covered.empty())
        return {{mdat.payload, mdat.end}};
    const auto earlier = [](const Stretch& a, const Stretch& b) { return a.begin < b.begin; };
    if (!std::is_sorted(covered.begin(), covered.end(), earlier))
        std::sort(covered.begin(), covered.end(), earlier);
    std::vector<Stretch> gaps;
    uint64_t pos = mdat.payload;
    for (const Stretch& c : covered) {
        if (c.begin >= pos + kPattern)
            gaps.push_back({pos, std::min(c.begin, mdat.end)});
        pos = std::max(pos, c.end);
    }
    if (pos + kPattern <= mdat.end)
        gaps.push_back({pos, mdat.end});
    return gaps;
}

// The next block header at or after `from` within the stretches (`next` is the first stretch
// that may hold it, kept across calls); `end` when there is none before `end`.
uint64_t NextHeaderIn(WindowedReader& reader, const std::vector<Stretch>& stretches, size_t& next,
                      uint64_t from, uint64_t end) {
    for (; next < stretches.size() && stretches[next].begin < end; ++next) {
        const Stretch& s = stretches[next];
        if (s.end <= from)
            continue;
        const uint64_t stop = std::min(s.end, end);
        const uint64_t found = NextHeader(reader, std::max(from, s.begin), stop);
        if (found < stop)
            return found;
    }
    return end;
}

class NovatekScanFormat final : public TelemetryFormat {
public:
    TelemetryFormatId Id() const override { return TelemetryFormatId::NovatekScan; }
    const char* Name() const override { return "Novatek freeGPS (mdat scan)"; }

    bool Claims(const FormatContext& ctx) const override {
        BoxExtent mdat;
        if (!FindMediaData(ctx.src, mdat))
            return false;
        WindowedReader reader(ctx.src, 0);
        size_t next = 0;
        const uint64_t end = std::min(mdat.end, mdat.payload + kFirstBlockWithin + kPattern);
        return NextHeaderIn(reader, UncoveredStretches(ctx.src, mdat), next, mdat.payload, end) <
               end;
    }

    int Extract(const FormatContext& ctx, TelemetryStore& store) const override {
        store.Clear();
        ByteSource& src = ctx.src;
        BoxExtent mdat;
        if (!FindMediaData(src, mdat))
            return 0;
        const uint64_t limit = BoxWalker(src).RecordLimit();
        const std::vector<Stretch> stretches = UncoveredStretches(src, mdat);
        const bool whole = stretches.size() == 1 && stretches[0].begin == mdat.payload &&
                           stretches[0].end == mdat.end;
        PerSecondResampler resampler(limit);
        WindowedReader reader(src, 0);
        size_t next = 0;
        const uint64_t firstEnd = std::min(mdat.end, mdat.payload + kFirstBlockWithin + kPattern);
        uint64_t pos = NextHeaderIn(reader, stretches, next, mdat.payload, firstEnd);
        if (pos >= firstEnd)
            return 0;
        const bool aligned = whole && pos % kAlignment == 0;
        for (uint64_t second = 0; pos < mdat.end && second < limit; ++second) {
            size_t got = 0;
            const uint8_t* head = reader.Read(pos, kPattern, got);
            if (got < kPattern)
                break;
            const uint32_t size = uint32_t(head[0]) << 24 | uint32_t(head[1]) << 16 |
                                  uint32_t(head[2]) << 8 | head[3];
            const uint8_t* block = reader.Read(
                pos, std::min<size_t>(std::max<uint32_t>(size, kPattern), kFreeGpsReadBytes), got);
            AddBlockFixes(resampler, second, DecodeFreeGpsBlock(block, got, FreeGpsSource::Scan));
            const uint64_t after = pos + std::max<uint32_t>(size, kPattern);
            pos = aligned ? NextAlignedHeader(src, after, mdat.end)
                          : NextHeaderIn(reader, stretches, next, after, mdat.end);
        }
        return resampler.WriteTo(store);
    }
};

}  // namespace

const TelemetryFormat& NovatekScanFormatObject() {
    static const NovatekScanFormat f;
    return f;
}
