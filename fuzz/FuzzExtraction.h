// What every extraction fuzz target does: run one TelemetryStore extraction
// over the input bytes and read every sample it stored back.
#pragma once

#include "ByteSource.h"
#include "TelemetryStore.h"

#include <cstddef>
#include <cstdint>

// The ByteSource form of one of TelemetryStore's extractions.
using Extraction = int (TelemetryStore::*)(ByteSource&);

// Inputs beyond this size are skipped: they only slow the fuzzer down.
constexpr size_t kMaxFuzzInput = 1 << 20;

// Runs extract over the bytes; traps when the count it returns is not the
// number of samples stored. Returns 0, as LLVMFuzzerTestOneInput must.
inline int FuzzExtraction(Extraction extract, const uint8_t* data, size_t size) {
    if (size > kMaxFuzzInput)
        return 0;
    MemoryByteSource src(data, size);
    TelemetryStore store;
    const int count = (store.*extract)(src);
    if (count != store.GetCount())
        __builtin_trap();
    tagAssistInfo sample;
    for (int i = 0; i < count; ++i)
        store.GetSample(i, sample);
    return 0;
}

// What every format fuzz target does: offer the input to one registry format as a recording
// held in memory (no path) and, when it claims it, extract it and read every sample back.
#include "FormatRegistry.h"

inline int FuzzFormat(TelemetryFormatId id, const uint8_t* data, size_t size) {
    const TelemetryFormat* format = FormatById(id);
    if (size > kMaxFuzzInput || format == nullptr)
        return 0;
    MemoryByteSource src(data, size);
    const std::string noPath;
    const FormatContext ctx{src, noPath};
    TelemetryStore store;
    format->Claims(ctx);
    const int count = format->Extract(ctx, store);
    if (count != store.GetCount())
        __builtin_trap();
    tagAssistInfo sample;
    for (int i = 0; i < count; ++i)
        store.GetSample(i, sample);
    return 0;
}
