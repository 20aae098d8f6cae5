#include "CommandLine.h"

#include "FormatRegistry.h"

#include <cstdlib>
#include <string>

namespace {

bool ParseKind(const std::string& text, std::optional<ChipsetKind>& kind) {
    if (text.empty() || text.size() > 3)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    ChipsetKind parsed;
    if (!ChipsetKindFromNumber(std::atoi(text.c_str()), parsed))
        return false;
    kind = parsed;
    return true;
}

bool ParseFormat(const std::string& text, OutputFormat& format) {
    if (text == "csv") {
        format = OutputFormat::Csv;
    } else if (text == "gpx") {
        format = OutputFormat::Gpx;
    } else if (text == "geojson") {
        format = OutputFormat::GeoJson;
    } else {
        return false;
    }
    return true;
}

// "--name=value" or "--name value"; false when the value is missing.
bool TakeValue(const std::string& arg, const char* name, int argc, const char* const argv[], int& i,
               std::string& value, bool& matched) {
    const std::string flag = std::string("--") + name;
    matched = false;
    if (arg == flag) {
        matched = true;
        if (i + 1 >= argc)
            return false;
        value = argv[++i];
        return true;
    }
    if (arg.compare(0, flag.size() + 1, flag + "=") == 0) {
        matched = true;
        value = arg.substr(flag.size() + 1);
        return true;
    }
    return true;
}

bool CheckFileCount(const CommandLine& cl, std::string& error) {
    if (cl.mode == CommandLine::Mode::Probe || cl.mode == CommandLine::Mode::Info) {
        if (cl.files.empty())
            error = cl.mode == CommandLine::Mode::Probe ? "--probe needs at least one FILE"
                                                        : "--info needs at least one FILE";
    } else if (cl.files.empty()) {
        error = "no FILE given";
    } else if (cl.files.size() > 1) {
        error = "one FILE at a time (use --probe for several)";
    }
    return error.empty();
}

}  // namespace

bool ParseCommandLine(int argc, const char* const argv[], CommandLine& out, std::string& error) {
    CommandLine cl;
    bool kindGiven = false, formatGiven = false, probe = false, info = false, optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            cl.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            out = CommandLine();
            out.mode = CommandLine::Mode::Help;
            return true;
        }
        if (arg == "--probe") {
            probe = true;
            continue;
        }
        if (arg == "--info") {
            info = true;
            continue;
        }
        std::string value;
        bool matched = false;
        if (!TakeValue(arg, "kind", argc, argv, i, value, matched)) {
            error = "--kind needs a number from 0 to 5";
            return false;
        }
        if (matched) {
            if (!ParseKind(value, cl.kind)) {
                error = "--kind needs a number from 0 to 5, not '" + value + "'";
                return false;
            }
            kindGiven = true;
            continue;
        }
        if (!TakeValue(arg, "format", argc, argv, i, value, matched)) {
            error = "--format needs csv, gpx or geojson";
            return false;
        }
        if (matched) {
            if (!ParseFormat(value, cl.format)) {
                error = "--format needs csv, gpx or geojson, not '" + value + "'";
                return false;
            }
            formatGiven = true;
            continue;
        }
        error = "unknown option '" + arg + "'";
        return false;
    }
    if (probe && info) {
        error = "--probe and --info do not go together";
        return false;
    }
    if (probe || info) {
        if (kindGiven || formatGiven) {
            error = probe ? "--probe takes no --kind or --format"
                          : "--info takes no --kind or --format";
            return false;
        }
        cl.mode = probe ? CommandLine::Mode::Probe : CommandLine::Mode::Info;
    }
    if (!CheckFileCount(cl, error))
        return false;
    out = cl;
    return true;
}

#define VELTO_TELEMETRY_SYNOPSIS                                          \
    "Usage: velto-telemetry [--kind N] [--format csv|gpx|geojson] FILE\n" \
    "       velto-telemetry --probe FILE...\n"                            \
    "       velto-telemetry --info FILE...\n"

const char* UsageSynopsis() {
    return VELTO_TELEMETRY_SYNOPSIS;
}

namespace {

const char kUsageHead[] = VELTO_TELEMETRY_SYNOPSIS
    "\n"
    "Prints the GPS and G-sensor telemetry that a dash camera stored in a\n"
    "recording, as the player reads it.\n"
    "\n"
    "  --kind N          read the telemetry layout N instead of the one the player\n"
    "                    detects (sidecar lookup, then the chipset tag):\n"
    "                    1, 2 text track; 3 header blocks; 4 interleaved;\n"
    "                    0, 5 user-data index. Without it the telemetry is\n"
    "                    read as the player reads it (see FORMATS below)\n"
    "  --format FORMAT   csv (default): a header line, then one row per sample:\n"
    "                      second,accel_x,accel_y,accel_z,latitude,longitude,\n"
    "                      speed_kmh,course\n"
    "                    latitude and longitude are the texts the player holds,\n"
    "                    as they are (empty, \"0\", or what the camera wrote)\n"
    "                    gpx: a GPX 1.1 track of the samples with a valid\n"
    "                      position; speed, course and accelerations in its\n"
    "                      extensions\n"
    "                    geojson: a FeatureCollection with the route as a\n"
    "                      LineString and one Point per sample with a valid\n"
    "                      position\n"
    "                    GPX and GeoJSON carry only valid positions: both texts\n"
    "                    plain decimal degrees within range. Every format\n"
    "                    writes a negative speed as 0, as the player shows it\n"
    "  --probe           for each FILE print one tab-separated line: kind,\n"
    "                    recording time, \"ReadOnly\" or empty, sidecar path or\n"
    "                    empty, file path; a backslash, TAB, newline or carriage\n"
    "                    return in a field is written \\\\, \\t, \\n or \\r\n"
    "  --info            for each FILE print one tab-separated line: format\n"
    "                    read, kind, samples, samples with a position, UTC\n"
    "                    time of the first fix (ISO 8601) or empty, duration\n"
    "                    in seconds or empty, file path (escaped as --probe)\n"
    "  -h, --help        show this text\n"
    "\n"
    "FORMATS: a .DAT sidecar or a chipset tag of the player's own cameras\n"
    "chooses one of their four layouts. Other recordings are read in the\n"
    "first of these formats that they carry:\n";

const char kUsageTail[] =
    "and otherwise as a user-data index, only when the index looks as that\n"
    "layout writes it. A tagged recording whose layout gives no position is\n"
    "read in one of the formats above when it carries one. Every format gives\n"
    "one sample a second; GPX writes each point's UTC time where it is known.\n"
    "\n"
    "A relative FILE is read from the working directory, as the player would\n"
    "read it by its full path; it is printed as given.\n"
    "\n"
    "Exit status: 0 when the file was read (also when it holds no samples),\n"
    "1 when a FILE cannot be opened as a regular file, 2 for usage errors.\n";

// The real cameras' formats in the order they are tried: the registry's order.
std::string FormatList() {
    std::string list;
    for (const FormatRow* row = FormatRegistryBegin(); row != FormatRegistryEnd(); ++row)
        if (!IsChipsetLayoutFormat(row->id))
            list += std::string("                    ") + row->format->Name() + "\n";
    return list;
}

}  // namespace

const char* UsageText() {
    static const std::string text = std::string(kUsageHead) + FormatList() + kUsageTail;
    return text.c_str();
}
