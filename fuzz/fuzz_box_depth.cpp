// libFuzzer target for the box-nesting check that guards libvlc: any bytes give a verdict
// within the bounds, without recursion and without reading past the input.

#include "BoxNesting.h"
#include "ByteSource.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (size_t(1) << 20))
        return 0;
    MemoryByteSource src(data, size);
    const BoxNesting n = MeasureBoxNesting(src);
    if (n.boxes > kMaxBoxesVisited || n.depth > kMaxBoxNesting + 1 ||
        (n.verdict == BoxNestingVerdict::Acceptable && n.depth > kMaxBoxNesting) ||
        (n.verdict == BoxNestingVerdict::TooDeep && n.depth != kMaxBoxNesting + 1))
        __builtin_trap();
    return 0;
}
