#pragma once

#include "ChipsetKind.h"

#include <optional>
#include <string>
#include <vector>

// The arguments of velto-telemetry:
//   velto-telemetry [--kind N] [--format csv|gpx|geojson] FILE
//   velto-telemetry --probe FILE...
//   velto-telemetry --info FILE...
enum class OutputFormat { Csv, Gpx, GeoJson };

struct CommandLine {
    enum class Mode { Extract, Probe, Info, Help };
    Mode mode = Mode::Extract;
    std::optional<ChipsetKind> kind;  // none: detect it as the playlist does
    OutputFormat format = OutputFormat::Csv;
    std::vector<std::string> files;
};

// Fills `out` from argv; false with a one-line reason in `error` on a usage
// error.
bool ParseCommandLine(int argc, const char* const argv[], CommandLine& out, std::string& error);

// The synopsis lines, and the whole text printed by --help.
const char* UsageSynopsis();
const char* UsageText();
