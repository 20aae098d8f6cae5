// libFuzzer target: what the NMEA sidecar format reads from its files (formats/BlackVueLogs.h),
// over arbitrary bytes: the bytes as an NMEA log (without a start time, or with one when the
// first byte is odd), then the same bytes as 3gf records.
#include "FuzzExtraction.h"
#include "PerSecondResampler.h"
#include "formats/BlackVueLogs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxFuzzInput || size == 0)
        return 0;
    MemoryByteSource src(data, size);
    // Ten minutes of samples: more only slow the fuzzer down (the bound is tested elsewhere).
    PerSecondResampler resampler(600);
    const int64_t start = data[0] & 1 ? int64_t(data[0]) * 1000 : kNoLogStart;
    ReadNmeaLog(src, 0, size, start, resampler);
    Read3gfLog(src, 0, size, resampler);
    TelemetryStore store;
    if (resampler.WriteTo(store) != store.GetCount())
        __builtin_trap();
    tagAssistInfo sample;
    for (int i = 0; i < store.GetCount(); ++i)
        store.GetSample(i, sample);
    return 0;
}
