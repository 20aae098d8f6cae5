// libFuzzer target: TelemetryStore::ExtractUserDataIndex over arbitrary bytes.
#include "FuzzExtraction.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzExtraction(&TelemetryStore::ExtractUserDataIndex, data, size);
}
