#include "BoxNesting.h"

#include "ByteSource.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Reads box headers through one block, so a walk over a few thousand small boxes costs a
// few reads rather than one read per header.
class HeaderReader {
public:
    explicit HeaderReader(ByteSource& src) : m_src(src) {}

    bool Read(uint64_t position, void* dst, size_t count) {
        if (position < m_start || position - m_start + count > m_filled) {
            m_start = position;
            m_filled = m_src.ReadAt(position, m_block, sizeof m_block);
        }
        if (position - m_start + count > m_filled)
            return false;
        std::memcpy(dst, m_block + (position - m_start), count);
        return true;
    }

    bool U32(uint64_t position, uint32_t& out) {
        uint8_t b[4];
        if (!Read(position, b, 4))
            return false;
        out = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
        return true;
    }

    bool U64(uint64_t position, uint64_t& out) {
        uint32_t high = 0, low = 0;
        if (!U32(position, high) || !U32(position + 4, low))
            return false;
        out = uint64_t(high) << 32 | low;
        return true;
    }

private:
    ByteSource& m_src;
    uint64_t m_start = 0;
    size_t m_filled = 0;
    uint8_t m_block[512];
};

// What the boxes read in one frame are: plain boxes, the entries of a sample description
// ("stsd"), or the items of a metadata list ("ilst").
enum class Level { Boxes, SampleEntries, MetadataItems };

// A run of sibling boxes still to read: from `next` to `end`, at `depth` (1: top level).
struct Frame {
    uint64_t next;
    uint64_t end;
    int depth;
    Level level;
};

// Boxes whose payload is made of boxes. `skip` bytes of their own come first (version and
// flags, an entry count).
struct ContainerRule {
    char type[5];
    uint32_t skip;
    Level children;
};

constexpr ContainerRule kContainers[] = {
    {"moov", 0, Level::Boxes},         {"foov", 0, Level::Boxes},         {"trak", 0, Level::Boxes},
    {"mdia", 0, Level::Boxes},         {"minf", 0, Level::Boxes},         {"stbl", 0, Level::Boxes},
    {"dinf", 0, Level::Boxes},         {"udta", 0, Level::Boxes},         {"edts", 0, Level::Boxes},
    {"mvex", 0, Level::Boxes},         {"moof", 0, Level::Boxes},         {"traf", 0, Level::Boxes},
    {"mfra", 0, Level::Boxes},         {"tref", 0, Level::Boxes},         {"gmhd", 0, Level::Boxes},
    {"wave", 0, Level::Boxes},         {"sinf", 0, Level::Boxes},         {"schi", 0, Level::Boxes},
    {"rinf", 0, Level::Boxes},         {"tapt", 0, Level::Boxes},         {"clip", 0, Level::Boxes},
    {"matt", 0, Level::Boxes},         {"imap", 0, Level::Boxes},         {"hnti", 0, Level::Boxes},
    {"rmra", 0, Level::Boxes},         {"rmda", 0, Level::Boxes},         {"iprp", 0, Level::Boxes},
    {"ipco", 0, Level::Boxes},         {"cmov", 0, Level::Boxes},         {"strk", 0, Level::Boxes},
    {"ilst", 0, Level::MetadataItems}, {"stsd", 8, Level::SampleEntries}, {"dref", 8, Level::Boxes},
};

const ContainerRule* FindContainer(const char type[4]) {
    for (const ContainerRule& rule : kContainers) {
        if (std::memcmp(rule.type, type, 4) == 0)
            return &rule;
    }
    return nullptr;
}

class NestingWalk {
public:
    explicit NestingWalk(ByteSource& src) : m_reader(src) {
        m_frames.reserve(4 * kMaxBoxNesting);
        m_frames.push_back({0, src.Size(), 1, Level::Boxes});
    }

    BoxNesting Run() {
        BoxNesting result;
        while (!m_frames.empty()) {
            Frame& frame = m_frames.back();
            Box box;
            if (!NextBox(frame, box)) {
                m_frames.pop_back();
                continue;
            }
            const Frame parent = frame;  // the push below may move the frames
            ++result.boxes;
            result.depth = std::max(result.depth, parent.depth);
            if (parent.depth > kMaxBoxNesting) {
                result.verdict = BoxNestingVerdict::TooDeep;
                break;
            }
            if (result.boxes >= kMaxBoxesVisited) {
                result.verdict = BoxNestingVerdict::TooManyBoxes;
                break;
            }
            Descend(box, parent);
        }
        return result;
    }

private:
    struct Box {
        char type[4];
        uint64_t payload;  // first byte after the header
        uint64_t end;      // cut at the parent's end
    };

    // Reads the header at frame.next and moves frame.next past the box. False when no
    // whole header fits before the frame's end or the size cannot be a box's.
    bool NextBox(Frame& frame, Box& box) {
        const uint64_t at = frame.next;
        if (at >= frame.end || frame.end - at < 8)
            return false;
        uint32_t size32 = 0;
        if (!m_reader.U32(at, size32) || !m_reader.Read(at + 4, box.type, 4))
            return false;
        uint64_t header = 8;
        uint64_t size = size32;
        if (size32 == 1) {
            header = 16;
            if (frame.end - at < 16 || !m_reader.U64(at + 8, size))
                return false;
        } else if (size32 == 0) {
            size = frame.end - at;  // to the end of the parent
        }
        if (std::memcmp(box.type, "uuid", 4) == 0)
            header += 16;
        if (size < header)
            return false;
        box.payload = at + header;
        box.end = size > frame.end - at ? frame.end : at + size;
        frame.next = box.end;
        return box.payload <= box.end;
    }

    void Push(uint64_t from, const Box& box, int depth, Level level) {
        if (from < box.end)
            m_frames.push_back({from, box.end, depth, level});
    }

    void Descend(const Box& box, const Frame& parent) {
        const int depth = parent.depth + 1;
        if (const ContainerRule* rule = FindContainer(box.type)) {
            Push(box.payload + rule->skip, box, depth, rule->children);
        } else if (std::memcmp(box.type, "meta", 4) == 0) {
            DescendMeta(box, depth);
        } else if (parent.level == Level::SampleEntries) {
            DescendSampleEntry(box, depth);
        } else if (parent.level == Level::MetadataItems) {
            Push(box.payload, box, depth, Level::Boxes);
        }
    }

    // "meta" is a full box (4 bytes of version and flags before its children) in ISO files
    // and a plain container in QuickTime ones, whose first child follows at once.
    void DescendMeta(const Box& box, int depth) {
        uint32_t first = 0;
        if (!m_reader.U32(box.payload, first))
            return;
        Push(box.payload + (first == 0 ? 4 : 0), box, depth, Level::Boxes);
    }

    // A sample entry's own fields come before its boxes: 78 bytes in a video entry, 28, 44
    // or 64 in a sound entry (by the version at payload offset 8). The entry's kind is not
    // known here, so both places are walked.
    void DescendSampleEntry(const Box& box, int depth) {
        static constexpr uint64_t kVideoFields = 78;
        static constexpr uint64_t kSoundFields[] = {28, 44, 64};
        Push(box.payload + kVideoFields, box, depth, Level::Boxes);
        uint8_t version[2];
        if (m_reader.Read(box.payload + 8, version, 2)) {
            const unsigned v = unsigned(version[0]) << 8 | version[1];
            if (v < 3)
                Push(box.payload + kSoundFields[v], box, depth, Level::Boxes);
        }
    }

    HeaderReader m_reader;
    std::vector<Frame> m_frames;
};

}  // namespace

BoxNesting MeasureBoxNesting(ByteSource& src) {
    return NestingWalk(src).Run();
}

bool HasAcceptableBoxNesting(const std::string& utf8Path) {
    FileByteSource file;
    if (!file.Open(utf8Path))
        return false;
    return MeasureBoxNesting(file).verdict == BoxNestingVerdict::Acceptable;
}
