#pragma once

#include <cstdint>
#include <string>

class ByteSource;

// How deep boxes may nest in a recording the player hands to libvlc. libvlc's MP4 reader
// recurses once per level on a thread of its own and runs out of stack some thousands of
// levels down (7,000 nested "trak" do it); real recordings stay under about 12
// (moov/trak/mdia/minf/stbl/stsd/avc1/avcC is 8).
constexpr int kMaxBoxNesting = 32;

// How many box headers one check reads at most. A recording has a few hundred boxes, a
// fragmented one of ten hours a few hundred thousand; only a file built to make the check
// slow has more, and it is refused.
constexpr uint64_t kMaxBoxesVisited = uint64_t(1) << 20;

enum class BoxNestingVerdict {
    Acceptable,    // no box deeper than kMaxBoxNesting
    TooDeep,       // a box at depth kMaxBoxNesting + 1 was found
    TooManyBoxes,  // kMaxBoxesVisited headers were read before the walk ended
};

struct BoxNesting {
    BoxNestingVerdict verdict = BoxNestingVerdict::Acceptable;
    int depth = 0;       // deepest box seen: 1 for a top-level box, 0 for none
    uint64_t boxes = 0;  // box headers read
};

// Walks the box tree of `src` without recursion (an explicit stack of at most a few frames
// per level) and measures how deep it nests. It descends only into the boxes that hold
// other boxes (moov, trak, mdia, minf, stbl, dinf, udta, edts, moof, traf, meta, ilst, the
// sample descriptions and the like), never into the media data. Sizes 0 (to the end of the
// parent) and 1 (64-bit size) are honoured, a box that claims more than its parent holds
// is cut at the parent's end, and a size too small for its header ends its level.
BoxNesting MeasureBoxNesting(ByteSource& src);

// True when `utf8Path` is a regular file that opens and whose boxes nest no deeper than
// kMaxBoxNesting within kMaxBoxesVisited headers (a file that is not made of boxes passes:
// it nests nowhere).
bool HasAcceptableBoxNesting(const std::string& utf8Path);
