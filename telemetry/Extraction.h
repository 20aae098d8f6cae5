#pragma once

#include "ChipsetKind.h"

#include <string>

class TelemetryStore;

// The one table from a playlist entry's chipset kind to its extraction.
// The player and velto-telemetry both go through it.
struct ExtractionEntry {
    const char* name;  // e.g. "ExtractTextTrack"
    int (TelemetryStore::*extract)(const std::string& path);
};

const ExtractionEntry& ExtractionForKind(ChipsetKind kind);

// Runs the extraction for `kind` on `path`; same result as the member.
int ExtractForKind(TelemetryStore& store, ChipsetKind kind, const std::string& path);
