#include "TrackSamples.h"

#include "ByteSource.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t U32At(const uint8_t* b) {
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

// A full box's table: version and flags, then (after `skip` more bytes) a 32-bit entry count
// and the entries of `entrySize` bytes, read whole. The count is bounded by what the box holds
// and by `cap` before anything is allocated.
bool ReadTable(ByteSource& src, const BoxExtent& box, uint64_t skip, size_t entrySize, uint64_t cap,
               std::vector<uint8_t>& entries, uint32_t& count) {
    uint32_t claimed = 0;
    const uint64_t countAt = box.payload + 4 + skip;
    if (countAt + 4 > box.end || !src.ReadU32BE(countAt, claimed))
        return false;
    const uint64_t room = (box.end - countAt - 4) / entrySize;
    count = uint32_t(std::min<uint64_t>({claimed, room, cap}));
    entries.resize(size_t(count) * entrySize);
    return src.ReadExact(countAt + 4, entries.data(), entries.size());
}

bool FindInStbl(ByteSource& src, const MovieTrack& t, const char* type, BoxExtent& extent) {
    BoxHeader h;
    return FindChildBox(src, t.stbl.payload, t.stbl.end, type, h, extent);
}

// "hdlr" payload: version and flags, component type, handler type at offset 8.
void ReadHandler(ByteSource& src, const BoxExtent& mdia, MovieTrack& t) {
    BoxHeader h;
    BoxExtent hdlr;
    if (FindChildBox(src, mdia.payload, mdia.end, "hdlr", h, hdlr) && hdlr.payload + 12 <= hdlr.end)
        src.ReadExact(hdlr.payload + 8, t.handler, 4);
}

// "stsd" payload: version and flags, entry count, then entries of size(4) + format(4) + ...
void ReadFormat(ByteSource& src, MovieTrack& t) {
    BoxExtent stsd;
    if (FindInStbl(src, t, "stsd", stsd) && stsd.payload + 16 <= stsd.end)
        src.ReadExact(stsd.payload + 12, t.format, 4);
}

void ReadTimescale(ByteSource& src, const BoxExtent& mdia, MovieTrack& t) {
    BoxHeader h;
    BoxExtent mdhd;
    if (!FindChildBox(src, mdia.payload, mdia.end, "mdhd", h, mdhd))
        return;
    uint8_t version = 0;
    if (src.ReadExact(mdhd.payload, &version, 1))
        src.ReadU32BE(mdhd.payload + (version == 1 ? 20 : 12), t.timescale);
}

bool ReadTrack(ByteSource& src, const BoxExtent& trak, MovieTrack& t) {
    BoxHeader h;
    BoxExtent mdia, minf;
    if (!FindChildBox(src, trak.payload, trak.end, "mdia", h, mdia))
        return false;
    ReadHandler(src, mdia, t);
    ReadTimescale(src, mdia, t);
    if (FindChildBox(src, mdia.payload, mdia.end, "minf", h, minf) &&
        FindChildBox(src, minf.payload, minf.end, "stbl", h, t.stbl))
        ReadFormat(src, t);
    else
        t.stbl = {mdia.end, mdia.end};
    return true;
}

// Sample start times from the "stts" runs (count, delta); missing ones count on by seconds.
void AssignTimes(ByteSource& src, const MovieTrack& t, std::vector<TrackSample>& samples) {
    BoxExtent stts;
    std::vector<uint8_t> runs;
    uint32_t runCount = 0;
    size_t i = 0;
    if (t.timescale != 0 && FindInStbl(src, t, "stts", stts) &&
        ReadTable(src, stts, 0, 8, kMaxTrackSamples, runs, runCount)) {
        uint64_t ticks = 0;
        for (uint32_t r = 0; r < runCount && i < samples.size(); ++r) {
            const uint32_t count = U32At(&runs[8 * r]);
            const uint32_t delta = U32At(&runs[8 * r + 4]);
            for (uint32_t k = 0; k < count && i < samples.size(); ++k, ++i) {
                samples[i].seconds = double(ticks) / t.timescale;
                samples[i].duration = double(delta) / t.timescale;
                ticks += delta;
            }
        }
        if (i > 0 && i < samples.size()) {
            const double last = samples[i - 1].seconds;
            for (size_t k = i; k < samples.size(); ++k)
                samples[k].seconds = last + double(k - i + 1);
            i = samples.size();
        }
    }
    for (; i < samples.size(); ++i)
        samples[i].seconds = double(i);
}

}  // namespace

bool MovieTrack::HandlerIs(const char* type) const {
    return std::memcmp(handler, type, 4) == 0;
}

bool MovieTrack::FormatIs(const char* type) const {
    return std::memcmp(format, type, 4) == 0;
}

std::vector<MovieTrack> ListMovieTracks(ByteSource& src) {
    std::vector<MovieTrack> tracks;
    BoxHeader h;
    BoxExtent moov;
    if (!FindChildBox(src, 0, src.Size(), "moov", h, moov))
        return tracks;
    uint64_t pos = moov.payload;
    for (int i = 0; i < kMaxChildBoxes && tracks.size() < size_t(kMaxTracks); ++i) {
        BoxExtent child;
        if (pos + 8 > moov.end || !ReadBoxHeader(src, pos, h) ||
            !ReadBoxExtent(src, h, moov.end, child))
            break;
        MovieTrack t;
        if (h.Is("trak") && ReadTrack(src, child, t))
            tracks.push_back(t);
        pos = child.end;
    }
    return tracks;
}

std::vector<TrackSample> ReadTrackSamples(ByteSource& src, const MovieTrack& track) {
    std::vector<TrackSample> samples;
    BoxExtent stsz, stsc, stco;
    bool wide = false;
    if (!FindInStbl(src, track, "stsz", stsz) || !FindInStbl(src, track, "stsc", stsc))
        return samples;
    if (!FindInStbl(src, track, "stco", stco)) {
        if (!FindInStbl(src, track, "co64", stco))
            return samples;
        wide = true;
    }
    // "stsz": version and flags, uniform size, count, then the sizes when uniform is 0.
    uint32_t uniform = 0, sampleCount = 0;
    std::vector<uint8_t> sizes, runs, offsets;
    if (!src.ReadU32BE(stsz.payload + 4, uniform))
        return samples;
    if (uniform != 0) {
        if (!src.ReadU32BE(stsz.payload + 8, sampleCount))
            return samples;
    } else if (!ReadTable(src, stsz, 4, 4, kMaxTrackSamples, sizes, sampleCount)) {
        return samples;
    }
    uint32_t runCount = 0, chunkCount = 0;
    if (!ReadTable(src, stsc, 0, 12, kMaxTrackSamples, runs, runCount) ||
        !ReadTable(src, stco, 0, wide ? 8 : 4, kMaxTrackSamples, offsets, chunkCount))
        return samples;

    const uint64_t wanted = std::min<uint64_t>(sampleCount, kMaxTrackSamples);
    samples.reserve(size_t(std::min<uint64_t>(wanted, uint64_t(chunkCount) * 64 + 64)));
    uint32_t run = 0;
    bool pastEnd = false;
    for (uint32_t chunk = 0; chunk < chunkCount && samples.size() < wanted && !pastEnd; ++chunk) {
        // The run that covers chunk + 1 (first chunks are 1-based).
        while (run + 1 < runCount && U32At(&runs[12 * (run + 1)]) <= chunk + 1)
            ++run;
        if (runCount == 0 || U32At(&runs[12 * run]) > chunk + 1)
            break;
        const uint32_t perChunk = U32At(&runs[12 * run + 4]);
        uint64_t offset =
            wide ? uint64_t(U32At(&offsets[8 * chunk])) << 32 | U32At(&offsets[8 * chunk + 4])
                 : U32At(&offsets[4 * chunk]);
        for (uint32_t k = 0; k < perChunk && samples.size() < wanted; ++k) {
            pastEnd = offset >= src.Size();
            if (pastEnd)
                break;
            TrackSample s;
            s.offset = offset;
            s.size = uniform != 0 ? uniform : U32At(&sizes[4 * samples.size()]);
            offset += s.size;
            samples.push_back(s);
        }
    }
    AssignTimes(src, track, samples);
    return samples;
}
