// libFuzzer target: TelemetryStore::ExtractTextTrack over arbitrary bytes.
#include "FuzzExtraction.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzExtraction(&TelemetryStore::ExtractTextTrack, data, size);
}
