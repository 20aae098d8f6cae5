#include "Extraction.h"

#include "TelemetryStore.h"

namespace {

// Index = chipset kind; a value outside the table uses the user-data index (row 0).
using Id = TelemetryFormatId;
using S = TelemetryStore;

const ExtractionEntry kExtractions[] = {
    // UserDataIndexFallback
    {"ExtractUserDataIndex", &S::ExtractUserDataIndex, &S::ExtractUserDataIndex, Id::UserDataIndex},
    // TextTrack
    {"ExtractTextTrack", &S::ExtractTextTrack, &S::ExtractTextTrack, Id::TextTrack},
    // TextTrackA7L
    {"ExtractTextTrack", &S::ExtractTextTrack, &S::ExtractTextTrack, Id::TextTrack},
    // HeaderBlocks
    {"ExtractHeaderBlocks", &S::ExtractHeaderBlocks, &S::ExtractHeaderBlocks, Id::HeaderBlocks},
    // Interleaved
    {"ExtractInterleaved", &S::ExtractInterleaved, &S::ExtractInterleaved, Id::Interleaved},
    // UserDataIndex
    {"ExtractUserDataIndex", &S::ExtractUserDataIndex, &S::ExtractUserDataIndex, Id::UserDataIndex},
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
