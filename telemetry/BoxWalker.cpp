#include "BoxWalker.h"

#include "ByteSource.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr size_t kBlockWords = 4096;

// Reads `count` consecutive big-endian words from `start` in blocks, so a table of a
// hundred thousand entries costs a few dozen reads. A word that cannot be read is 0.
class WordBlockReader {
public:
    WordBlockReader(ByteSource& src, uint64_t start, uint64_t count)
        : m_src(src), m_next(start), m_left(count) {}

    uint32_t Next() {
        if (m_index == m_filled)
            Refill();
        if (m_index == m_filled)
            return 0;
        const uint8_t* b = m_block + 4 * m_index++;
        return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    }

private:
    void Refill() {
        size_t want = size_t(std::min<uint64_t>(m_left, kBlockWords));
        size_t got = m_src.ReadAt(m_next, m_block, 4 * want) / 4;
        m_next += 4 * uint64_t(want);
        m_left -= want;
        m_index = 0;
        if (got < want)
            std::memset(m_block + 4 * got, 0, 4 * (want - got));
        m_filled = want;
    }

    ByteSource& m_src;
    uint64_t m_next;
    uint64_t m_left;
    uint8_t m_block[4 * kBlockWords];
    size_t m_index = 0;
    size_t m_filled = 0;
};

// The duration lookup reads at most this many boxes at the top level and inside "moov".
constexpr int kDurationScanBoxes = 128;

uint64_t ReadU64BE(ByteSource& src, uint64_t position, bool& ok) {
    uint32_t high = 0, low = 0;
    ok = src.ReadU32BE(position, high) && src.ReadU32BE(position + 4, low);
    return uint64_t(high) << 32 | low;
}

// The "mvhd" among the first children of the first "moov" at the top level, or false.
bool FindMovieHeader(ByteSource& src, BoxHeader& mvhd) {
    uint64_t pos = 0, end = src.Size();
    bool inMoov = false;
    for (int boxes = 0; boxes < kDurationScanBoxes && pos < end; ++boxes) {
        BoxHeader h;
        if (!ReadBoxHeader(src, pos, h))
            return false;
        if (inMoov && h.Is("mvhd")) {
            mvhd = h;
            return true;
        }
        if (!inMoov && h.Is("moov")) {
            inMoov = true;
            boxes = 0;
            pos = h.Payload();
            end = std::min(end, h.End());
            continue;
        }
        if (h.size < 8)
            return false;
        pos = h.End();
    }
    return false;
}

// Timescale and duration of an "mvhd" or "mdhd" box. Version 0: version and flags, creation
// and modification time (32-bit each), timescale, duration (32-bit). Version 1: the two times
// and the duration are 64-bit. False when unreadable, the timescale is 0, or the duration is
// 0 or "unknown" (all ones).
bool HeaderBoxDuration(ByteSource& src, const BoxHeader& h, uint32_t& timescale,
                       uint64_t& duration) {
    uint8_t version = 0;
    if (!src.ReadExact(h.Payload(), &version, 1))
        return false;
    bool ok = false;
    if (version == 1) {
        ok = src.ReadU32BE(h.Payload() + 20, timescale);
        duration = ok ? ReadU64BE(src, h.Payload() + 24, ok) : 0;
        if (duration == ~uint64_t(0))
            duration = 0;
    } else {
        uint32_t d32 = 0;
        ok = src.ReadU32BE(h.Payload() + 12, timescale) && src.ReadU32BE(h.Payload() + 16, d32);
        duration = d32 == ~uint32_t(0) ? 0 : d32;
    }
    return ok && timescale != 0 && duration != 0;
}

// The movie's whole seconds, or 0.
uint64_t MovieSeconds(ByteSource& src) {
    BoxHeader mvhd;
    return FindMovieHeader(src, mvhd) ? HeaderBoxSeconds(src, mvhd) : 0;
}

}  // namespace

uint64_t RecordLimitForSeconds(uint64_t seconds) {
    if (seconds == 0 || seconds > kMaxRecords)
        return kMaxRecords;
    return std::min(kRecordsPerSecondMargin * seconds + kSpareRecords, kMaxRecords);
}

bool BoxHeader::Is(const char* name) const {
    return std::memcmp(type, name, 4) == 0;
}

bool ReadBoxHeader(ByteSource& src, uint64_t position, BoxHeader& h) {
    uint8_t b[8];
    if (!src.ReadExact(position, b, 8))
        return false;
    h.position = position;
    h.size = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    std::memcpy(h.type, b + 4, 4);
    return true;
}

uint64_t HeaderBoxSeconds(ByteSource& src, const BoxHeader& h) {
    uint32_t timescale = 0;
    uint64_t duration = 0;
    if (!HeaderBoxDuration(src, h, timescale, duration))
        return 0;
    return duration / timescale + (duration % timescale != 0 ? 1 : 0);
}

bool ReadMovieDuration(ByteSource& src, uint32_t& timescale, uint64_t& duration) {
    BoxHeader mvhd;
    return FindMovieHeader(src, mvhd) && HeaderBoxDuration(src, mvhd, timescale, duration);
}

bool ReadBoxExtent(ByteSource& src, const BoxHeader& h, uint64_t parentEnd, BoxExtent& out) {
    uint64_t size = h.size;
    uint64_t headerSize = 8;
    if (h.size == 1) {
        bool ok = false;
        size = ReadU64BE(src, h.position + 8, ok);
        headerSize = 16;
        if (!ok)
            return false;
    } else if (h.size == 0) {
        size = parentEnd > h.position ? parentEnd - h.position : 0;
    }
    if (size < headerSize || h.position > parentEnd || size > parentEnd - h.position)
        return false;
    out.payload = h.position + headerSize;
    out.end = h.position + size;
    return true;
}

bool FindChildBox(ByteSource& src, uint64_t begin, uint64_t end, const char* type, BoxHeader& h,
                  BoxExtent& extent) {
    uint64_t pos = begin;
    for (int i = 0; i < kMaxChildBoxes && pos + 8 <= end; ++i) {
        if (!ReadBoxHeader(src, pos, h) || !ReadBoxExtent(src, h, end, extent))
            return false;
        if (h.Is(type))
            return true;
        pos = extent.end;
    }
    return false;
}

uint64_t BoxWalker::RecordLimit() {
    if (!m_movieSecondsRead) {
        m_movieSeconds = MovieSeconds(m_src);
        m_movieSecondsRead = true;
    }
    return RecordLimitForSeconds(std::max(m_movieSeconds, m_trackSeconds));
}

// A table read from `start` holds at most what the file holds from there and what the
// recording's duration allows, before anything is allocated.
uint64_t BoxWalker::BoundedCount(uint64_t start, uint64_t claimed) {
    return std::min({claimed, m_src.WordsAvailable(start), RecordLimit()});
}

bool BoxWalker::ReadHeader(BoxHeader& h) {
    return ReadBoxHeader(m_src, m_pos, h);
}

// A size below 8 would move the walk backwards or nowhere: it ends the walk.
bool BoxWalker::SkipBox(const BoxHeader& h) {
    if (h.size < 8)
        return false;
    m_pos = h.End();
    return true;
}

bool BoxWalker::FindMoov() {
    m_pos = 0;
    for (;;) {
        BoxHeader h;
        if (!ReadHeader(h))
            return false;
        m_boxSizeTotal += h.size;
        if (h.Is("moov")) {
            Enter(h);
            return true;
        }
        if (!SkipBox(h))
            return false;
    }
}

// The first "trak" is remembered and skipped; the box after it decides: a second "trak" is
// chosen, anything else sends the walk back into the first.
bool BoxWalker::ChooseInterleavedTrack(bool& secondTrack) {
    bool seenTrak = false;
    uint64_t firstTrakPayload = 0;
    for (;;) {
        BoxHeader h;
        if (!ReadHeader(h))
            return false;
        m_boxSizeTotal += h.size;
        if (seenTrak) {
            secondTrack = h.Is("trak");
            m_pos = secondTrack ? h.Payload() : firstTrakPayload;
            return true;
        }
        if (h.Is("trak")) {
            seenTrak = true;
            firstTrakPayload = h.Payload();
        }
        if (!SkipBox(h))
            return false;
    }
}

bool BoxWalker::ChooseThirdTrack() {
    int traks = 0;
    for (;;) {
        BoxHeader h;
        if (!ReadHeader(h))
            return false;
        m_boxSizeTotal += h.size;
        if (h.Is("trak") && ++traks == 3) {
            Enter(h);
            return true;
        }
        if (!SkipBox(h))
            return false;
    }
}

// Looks among the following boxes for `type` and enters it. An "mdhd" met on the way gives
// the track's duration for the record limit; with `readMdhd` also the timescale (payload
// offset 12) and duration (16) for the samples a second, read as version 0 whatever it is.
bool BoxWalker::FindChild(const char* type, bool readMdhd) {
    for (;;) {
        BoxHeader h;
        if (!ReadHeader(h))
            return false;
        if (h.Is(type)) {
            Enter(h);
            return WithinTotal();
        }
        if (h.Is("mdhd"))
            m_trackSeconds = HeaderBoxSeconds(m_src, h);
        if (readMdhd && h.Is("mdhd")) {
            if (!m_src.ReadU32BE(h.Payload() + 12, m_timescale) ||
                !m_src.ReadU32BE(h.Payload() + 16, m_duration))
                return false;
        }
        if (!SkipBox(h) || !WithinTotal())
            return false;
    }
}

bool BoxWalker::DescendToStbl(bool readMdhd) {
    return WithinTotal() && FindChild("mdia", false) && FindChild("minf", readMdhd) &&
           FindChild("stbl", false);
}

// Inside "stbl": the first box of `type`, the walk left at its header.
bool BoxWalker::FindTableBox(const char* type, BoxHeader& table) {
    for (;;) {
        if (!ReadHeader(table))
            return false;
        if (table.Is(type))
            return true;
        if (!SkipBox(table) || !WithinTotal())
            return false;
    }
}

// Samples per whole second of the track. 0 when it cannot be formed: timescale 0, a track
// shorter than one second (or no "mdhd" before the table), or fewer samples than seconds.
uint32_t BoxWalker::VideoSamplesPerSecond(uint32_t sampleCount) const {
    if (m_timescale == 0)
        return 0;
    uint32_t seconds = m_duration / m_timescale;
    return seconds == 0 ? 0 : sampleCount / seconds;
}

// "stco": version and flags, entry count, then the 32-bit chunk offsets.
std::vector<uint32_t> BoxWalker::ChunkOffsets(const BoxHeader& stco, uint32_t add) {
    uint32_t entries = 0;
    if (stco.size < 8 || !m_src.ReadU32BE(stco.Payload() + 4, entries))
        return {};
    uint64_t count = BoundedCount(stco.Payload() + 8, entries);
    std::vector<uint32_t> out;
    out.reserve(size_t(count));
    WordBlockReader words(m_src, stco.Payload() + 8, count);
    for (uint64_t i = 0; i < count; ++i)
        out.push_back(words.Next() + add);  // wraps at 2^32
    return out;
}

std::vector<uint32_t> BoxWalker::TextTrackChunks() {
    BoxHeader stco;
    if (!FindMoov() || !ChooseThirdTrack() || !DescendToStbl(false) || !FindTableBox("stco", stco))
        return {};
    return ChunkOffsets(stco, 0);
}

std::vector<uint32_t> BoxWalker::InterleavedBases(int32_t& videoSamplesPerSecond) {
    bool secondTrack = false;
    if (!FindMoov() || !ChooseInterleavedTrack(secondTrack) || !DescendToStbl(true))
        return {};
    for (;;) {
        BoxHeader h;
        if (!ReadHeader(h))
            return {};
        if (h.Is("stsz")) {
            uint32_t sampleCount = 0;
            if (!m_src.ReadU32BE(h.Payload() + 8, sampleCount))
                return {};
            uint32_t perSecond = VideoSamplesPerSecond(sampleCount);
            videoSamplesPerSecond =
                int32_t(std::min<uint32_t>(perSecond, std::numeric_limits<int32_t>::max()));
            if (!secondTrack)
                return SingleTrackTable(h, perSecond);
        } else if (h.Is("stco") && secondTrack) {
            return ChunkOffsets(h, 65536);
        }
        if (!SkipBox(h) || !WithinTotal())
            return {};
    }
}

// One slot per second of video. The "stsz" payload is read as K words from its sample-count
// word on (K counted from the box size, so the last two words are the next box's header),
// w[0] the count and w[j] the size of sample j: slot (L + 1) / sps - 1 receives w[L] for
// every L divisible by sps. The box after "stsz" is taken as the chunk-offset table: for
// every 30th chunk offset c[j] (j + 1 = 30 q), slot q - 1 becomes slot + c[j] rounded up to
// a multiple of 32 KiB. So with 30 samples a second, one per chunk, slot k - 1 holds the end
// of video sample 30 k rounded up to the next 32 KiB boundary.
// Slots that no sample size reached are left out.
std::vector<uint32_t> BoxWalker::SingleTrackTable(const BoxHeader& stsz, uint32_t sps) {
    if (sps == 0 || stsz.size < 8)
        return {};
    const uint64_t sizesStart = stsz.Payload() + 8;
    const uint64_t k = std::min(uint64_t(stsz.size - 8) / 4, m_src.WordsAvailable(sizesStart));
    if (k == 0)
        return {};
    const uint64_t slotCount = std::min<uint64_t>(k / sps + 1, RecordLimit());
    std::vector<uint32_t> slots(size_t(slotCount), 0);
    std::vector<bool> filled(size_t(slotCount), false);

    // Only the sizes of samples sps, 2 sps, ... up to the last slot are used. Far apart, they
    // are read one by one; close together, in blocks.
    const uint64_t wanted = std::min(k, slotCount * sps + 1);
    const auto place = [&](uint64_t l, uint32_t w) {
        const uint64_t slot = (l + 1) / sps - 1;
        if (slot < slotCount) {
            slots[size_t(slot)] = w;
            filled[size_t(slot)] = true;
        }
    };
    if (sps > kBlockWords) {
        for (uint64_t l = sps; l < wanted; l += sps) {
            uint32_t w = 0;
            m_src.ReadU32BE(sizesStart + 4 * l, w);
            place(l, w);
        }
    } else {
        WordBlockReader sizes(m_src, sizesStart, wanted);
        for (uint64_t l = 0; l < wanted; ++l) {
            const uint32_t w = sizes.Next();
            if (l != 0 && l % sps == 0)
                place(l, w);
        }
    }

    m_pos = stsz.End();
    BoxHeader offsetsBox;
    if (!ReadHeader(offsetsBox) || offsetsBox.size < 8)
        return {};
    const uint64_t offsetsStart = offsetsBox.Payload() + 8;  // after version, flags, count
    const uint64_t m = std::min(
        {uint64_t(offsetsBox.size - 8) / 4, m_src.WordsAvailable(offsetsStart), 30 * slotCount});
    WordBlockReader offsets(m_src, offsetsStart, m);
    for (uint64_t j = 0; j < m; ++j) {
        uint32_t c = offsets.Next();
        if (j == 0 || (j + 1) % 30 != 0)
            continue;
        uint64_t q = (j + 1) / 30;
        if (q <= slotCount) {
            uint32_t& slot = slots[size_t(q - 1)];
            slot = (slot + c + 32767u) & ~uint32_t(32767);
        }
    }

    std::vector<uint32_t> bases;
    for (size_t i = 0; i < slots.size(); ++i)
        if (filled[i])
            bases.push_back(slots[i]);
    return bases;
}

// The entry count (int32) lies 12 bytes after the "udta" box, the (base, size) pairs from
// 16 bytes after it. A count above 500 is read as 200; the pairs end at the first short read.
std::vector<uint32_t> BoxWalker::UserDataIndexBases() {
    if (!FindMoov())
        return {};
    BoxHeader udta;
    for (;;) {
        if (!ReadHeader(udta))
            return {};
        if (udta.Is("udta"))
            break;
        if (!SkipBox(udta))
            return {};
    }
    const uint64_t after = udta.End();
    uint32_t raw = 0;
    if (!m_src.ReadU32BE(after + 12, raw))
        return {};
    int32_t count = int32_t(raw);
    if (count > 500)
        count = 200;
    if (count <= 0)
        return {};
    std::vector<uint32_t> bases;
    for (int32_t i = 0; i < count; ++i) {
        uint8_t pair[8];
        if (!m_src.ReadExact(after + 16 + 8 * uint64_t(i), pair, 8))
            break;
        bases.push_back(uint32_t(pair[0]) << 24 | uint32_t(pair[1]) << 16 | uint32_t(pair[2]) << 8 |
                        pair[3]);
    }
    return bases;
}

// s1 at 0, s2 at s1, s3 at s1 + s2, P = s1 + s2 + s3, s4 and the fourth box's type at P.
// The header is the payload of the fifth box when the fourth is "free", else of the fourth.
bool BoxWalker::HeaderBlockPosition(uint64_t& headerPosition) {
    uint32_t s1 = 0, s2 = 0, s3 = 0, s4 = 0;
    char type[4];
    if (!m_src.ReadU32BE(0, s1) || s1 == 0)
        return false;
    if (!m_src.ReadU32BE(s1, s2) || s2 == 0)
        return false;
    if (!m_src.ReadU32BE(uint64_t(s1) + s2, s3) || s3 == 0)
        return false;
    const uint64_t p = uint64_t(s1) + s2 + s3;
    if (!m_src.ReadU32BE(p, s4) || s4 == 0 || !m_src.ReadExact(p + 4, type, 4))
        return false;
    headerPosition = std::memcmp(type, "free", 4) == 0 ? p + s4 + 8 : p + 8;
    return true;
}
