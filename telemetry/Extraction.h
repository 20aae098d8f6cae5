#pragma once

#include "ChipsetKind.h"
#include "TelemetryFormat.h"

#include <string>

class ByteSource;
class TelemetryStore;

// The one table from a playlist entry's chipset kind to its extraction.
// The player and velto-telemetry both go through it.
struct ExtractionEntry {
    const char* name;  // e.g. "ExtractTextTrack"
    int (TelemetryStore::*extract)(const std::string& path);
    int (TelemetryStore::*extractSource)(ByteSource& src);  // the same over a byte source
    TelemetryFormatId format;                               // its row in the format registry
};

const ExtractionEntry& ExtractionForKind(ChipsetKind kind);

// Runs the extraction for `kind` on `path`; same result as the member.
int ExtractForKind(TelemetryStore& store, ChipsetKind kind, const std::string& path);
