// libFuzzer target: the registry format NovatekIndex over arbitrary bytes.
#include "FuzzExtraction.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzFormat(TelemetryFormatId::NovatekIndex, data, size);
}
