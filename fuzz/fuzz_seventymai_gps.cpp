// libFuzzer target: the registry's 70mai "GPS " box format over arbitrary bytes.
#include "FuzzExtraction.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzFormat(TelemetryFormatId::SeventyMaiGps, data, size);
}
