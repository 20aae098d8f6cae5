// libFuzzer target: TelemetryStore::ExtractUserDataIndex over arbitrary bytes.
#include "ByteSource.h"
#include "TelemetryStore.h"

#include <cstddef>
#include <cstdint>

namespace {
constexpr size_t kMaxInput = 1 << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput)
        return 0;
    MemoryByteSource src(data, size);
    TelemetryStore store;
    const int count = store.ExtractUserDataIndex(src);
    if (count != store.GetCount())
        __builtin_trap();
    tagAssistInfo sample;
    for (int i = 0; i < count; ++i)
        store.GetSample(i, sample);
    return 0;
}
