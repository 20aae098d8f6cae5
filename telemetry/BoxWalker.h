#pragma once

#include <cstdint>
#include <vector>

class ByteSource;

// Upper bound on the records one extraction reads, whatever the file claims: 65536 is
// more than 18 hours at one record a second, far longer than any camera records into one
// file. It holds where the recording gives no duration to bound the records by.
constexpr uint64_t kMaxRecords = uint64_t(1) << 16;

// Where the recording gives its duration ("mvhd", or the track's "mdhd"), the layouts that
// store one record a second read at most kRecordsPerSecondMargin records a second of it
// (rounded up), plus kSpareRecords: a recording cannot hold more, and a table that claims
// more points its entries at records it does not have.
constexpr uint64_t kRecordsPerSecondMargin = 2;
constexpr uint64_t kSpareRecords = 60;

// The records a recording of `seconds` can hold (0: no duration known, kMaxRecords).
uint64_t RecordLimitForSeconds(uint64_t seconds);

// The 8-byte header at the start of every box: 32-bit big-endian size (whole box) and type.
struct BoxHeader {
    uint64_t position = 0;  // of the header
    uint32_t size = 0;
    char type[4] = {0, 0, 0, 0};

    bool Is(const char* name) const;
    uint64_t Payload() const { return position + 8; }
    uint64_t End() const { return position + size; }
};

// Reads the header at `position`; false on a short read. The one box-header reader of the
// walks below and of the chipset probe.
bool ReadBoxHeader(ByteSource& src, uint64_t position, BoxHeader& h);

// Where a box's payload starts and where the box ends, as the readers of the real cameras'
// formats take them: a size of 1 means a 64-bit size follows the type (payload 16 bytes in),
// 0 means the box runs to `parentEnd`. False when the size is below the header, the 64-bit
// size cannot be read, or the box reaches past `parentEnd`.
struct BoxExtent {
    uint64_t payload = 0;
    uint64_t end = 0;
};
bool ReadBoxExtent(ByteSource& src, const BoxHeader& h, uint64_t parentEnd, BoxExtent& out);

// The first child of type `type` among the boxes from `begin` to `end` (at most
// kMaxChildBoxes are looked at): its header and extent; false when there is none.
constexpr int kMaxChildBoxes = 1024;
bool FindChildBox(ByteSource& src, uint64_t begin, uint64_t end, const char* type, BoxHeader& h,
                  BoxExtent& extent);

// The movie's duration from the "mvhd" among the first children of the first top-level
// "moov": its timescale and duration (version 0 or 1); false when there is none, the
// timescale is 0 or the duration 0 or "unknown".
bool ReadMovieDuration(ByteSource& src, uint32_t& timescale, uint64_t& duration);

// Whole seconds (rounded up) of an "mvhd" or "mdhd" box whose header is `h`: timescale and
// duration of version 0 (32-bit duration) or version 1 (64-bit); 0 when they cannot be read,
// the timescale is 0 or the duration is 0 or "unknown" (all ones).
uint64_t HeaderBoxSeconds(ByteSource& src, const BoxHeader& h);

// Walks a recording's box structure to where each layout keeps its telemetry records and
// turns the sample tables into record positions. It reads headers one after another,
// descends by type name and stops at the first thing that does not fit; it does not
// validate the container. A box whose size is below 8 (including 0, "to the end of the
// file", and 1, "64-bit size follows") ends the walk. Positions are 64-bit; below the
// chosen track they are bounded by the 32-bit running total of the box sizes, so a walk
// that reaches past 4 GiB there ends.
class BoxWalker {
public:
    explicit BoxWalker(ByteSource& src) : m_src(src) {}

    // Text-track layout: the chunk offsets of the third track's "stco"; each is the
    // position of one text record.
    std::vector<uint32_t> TextTrackChunks();

    // Interleaved layout: record base positions (the record itself lies 48 bytes further).
    // The second track's chunk offsets plus 65536, or the single-track table of the first
    // track. Sets `videoSamplesPerSecond` when the walk reaches the "stsz" box (0 when it
    // cannot be formed).
    std::vector<uint32_t> InterleavedBases(int32_t& videoSamplesPerSecond);

    // User-data-index layout: the base positions listed after the "udta" box.
    std::vector<uint32_t> UserDataIndexBases();

    // Header-block layout: the position of the 16-byte "pelrix1" header, from the sizes of
    // the first four top-level boxes; false when there is none.
    bool HeaderBlockPosition(uint64_t& headerPosition);

    // The most records the recording can hold by its duration (RecordLimitForSeconds of the
    // longer of the movie's and the walked track's duration). The table walks above apply it
    // themselves; the header-block reading asks for it.
    uint64_t RecordLimit();

private:
    bool ReadHeader(BoxHeader& h);
    bool SkipBox(const BoxHeader& h);
    void Enter(const BoxHeader& h) { m_pos = h.Payload(); }
    bool WithinTotal() const { return m_pos <= m_boxSizeTotal; }

    bool FindMoov();
    bool ChooseInterleavedTrack(bool& secondTrack);
    bool ChooseThirdTrack();
    bool FindChild(const char* type, bool readMdhd);
    bool DescendToStbl(bool readMdhd);
    bool FindTableBox(const char* type, BoxHeader& table);
    uint32_t VideoSamplesPerSecond(uint32_t sampleCount) const;

    uint64_t BoundedCount(uint64_t start, uint64_t claimed);
    std::vector<uint32_t> ChunkOffsets(const BoxHeader& stco, uint32_t add);
    std::vector<uint32_t> SingleTrackTable(const BoxHeader& stsz, uint32_t samplesPerSecond);

    ByteSource& m_src;
    uint64_t m_pos = 0;
    uint32_t m_boxSizeTotal = 0;  // wraps, as the camera firmware's walk does
    uint32_t m_timescale = 0;
    uint32_t m_duration = 0;
    bool m_movieSecondsRead = false;
    uint64_t m_movieSeconds = 0;  // of "mvhd"
    uint64_t m_trackSeconds = 0;  // of the walked track's "mdhd"
};
