// libFuzzer target: the player's entry point over arbitrary bytes, as an untagged recording
// (every format of the registry is offered it) and as each decided kind.
#include "FuzzExtraction.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxFuzzInput || size == 0)
        return 0;
    MemoryByteSource src(data, size);
    TelemetryStore store;
    const ChipsetKind kind = ChipsetKind(data[0] % (ChipsetKindNumber(kHighestChipsetKind) + 1));
    const TelemetryReading r = ReadTelemetry(store, src, "", kind, data[0] & 0x80);
    if (r.count != store.GetCount() || r.name == nullptr)
        __builtin_trap();
    tagAssistInfo sample;
    for (int i = 0; i < r.count; ++i)
        store.GetSample(i, sample);
    return 0;
}
