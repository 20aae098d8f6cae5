// libFuzzer target for the chipset probe: the input is a whole recording, read from memory
// through the same ByteSource the extractions use.

#include "ByteSource.h"
#include "ChipsetProbe.h"

#include <cstddef>
#include <cstdint>

namespace {

const size_t kMaxInput = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput)
        return 0;
    MemoryByteSource src(data, size);
    const ChipsetProbeResult probe = ProbeChipset(src);
    const int kind = ChipsetKindNumber(probe.kind);
    if (kind < 0 || kind > ChipsetKindNumber(kHighestChipsetKind))
        __builtin_trap();
    // Only a tag chooses kinds 1 to 4.
    if (probe.tag == ChipsetTag::None && kind != 0 && kind != 5)
        __builtin_trap();
    return 0;
}
