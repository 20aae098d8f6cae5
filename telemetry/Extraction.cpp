#include "Extraction.h"

#include "TelemetryStore.h"

namespace {

// Index = chipset kind; kinds outside the table use the user-data index (row 0).
const ExtractionEntry kExtractions[] = {
    {"ExtractUserDataIndex", &TelemetryStore::ExtractUserDataIndex},  // 0, 5 and any other
    {"ExtractTextTrack", &TelemetryStore::ExtractTextTrack},          // 1
    {"ExtractTextTrack", &TelemetryStore::ExtractTextTrack},          // 2
    {"ExtractHeaderBlocks", &TelemetryStore::ExtractHeaderBlocks},    // 3
    {"ExtractInterleaved", &TelemetryStore::ExtractInterleaved},      // 4
};

}  // namespace

const ExtractionEntry& ExtractionForKind(int nChipset) {
    constexpr int kRows = int(sizeof kExtractions / sizeof kExtractions[0]);
    return nChipset > 0 && nChipset < kRows ? kExtractions[nChipset] : kExtractions[0];
}

int ExtractForKind(TelemetryStore& store, int nChipset, const std::string& path) {
    return (store.*ExtractionForKind(nChipset).extract)(path);
}
