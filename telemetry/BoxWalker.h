#pragma once

#include <cstdint>
#include <vector>

class ByteSource;

// Upper bound on the records one extraction reads (about twelve days at one record a
// second): a table that claims more is cut there, whatever the file's size.
constexpr uint64_t kMaxRecords = uint64_t(1) << 20;

// The 8-byte header at the start of every box: 32-bit big-endian size (whole box) and type.
struct BoxHeader {
    uint64_t position = 0;  // of the header
    uint32_t size = 0;
    char type[4] = {0, 0, 0, 0};

    bool Is(const char* name) const;
    uint64_t Payload() const { return position + 8; }
    uint64_t End() const { return position + size; }
};

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

    std::vector<uint32_t> ChunkOffsets(const BoxHeader& stco, uint32_t add);
    std::vector<uint32_t> SingleTrackTable(const BoxHeader& stsz, uint32_t samplesPerSecond);

    ByteSource& m_src;
    uint64_t m_pos = 0;
    uint32_t m_boxSizeTotal = 0;  // wraps, as the camera firmware's walk does
    uint32_t m_timescale = 0;
    uint32_t m_duration = 0;
};
