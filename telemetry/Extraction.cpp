#include "Extraction.h"

#include "TelemetryStore.h"

namespace {

// Index = chipset kind; a value outside the table uses the user-data index (row 0).
const ExtractionEntry kExtractions[] = {
    {"ExtractUserDataIndex", &TelemetryStore::ExtractUserDataIndex},  // UserDataIndexFallback
    {"ExtractTextTrack", &TelemetryStore::ExtractTextTrack},          // TextTrack
    {"ExtractTextTrack", &TelemetryStore::ExtractTextTrack},          // TextTrackA7L
    {"ExtractHeaderBlocks", &TelemetryStore::ExtractHeaderBlocks},    // HeaderBlocks
    {"ExtractInterleaved", &TelemetryStore::ExtractInterleaved},      // Interleaved
    {"ExtractUserDataIndex", &TelemetryStore::ExtractUserDataIndex},  // UserDataIndex
};

}  // namespace

const ExtractionEntry& ExtractionForKind(ChipsetKind kind) {
    constexpr int kRows = int(sizeof kExtractions / sizeof kExtractions[0]);
    const int row = ChipsetKindNumber(kind);
    return row >= 0 && row < kRows ? kExtractions[row] : kExtractions[0];
}

int ExtractForKind(TelemetryStore& store, ChipsetKind kind, const std::string& path) {
    return (store.*ExtractionForKind(kind).extract)(path);
}
