#pragma once

#include "ChipsetKind.h"
#include "TelemetryFormat.h"

#include <cstddef>
#include <string>

class ByteSource;
class TelemetryStore;

// The one registry of telemetry formats, in priority order: the four layouts of the chipset
// kinds first, then the real cameras' formats, the mdat scan last.
struct FormatRow {
    TelemetryFormatId id;
    const TelemetryFormat* format;
};

const FormatRow* FormatRegistryBegin();
const FormatRow* FormatRegistryEnd();

// Whether `id` is one of the four layouts that a chipset kind chooses.
bool IsChipsetLayoutFormat(TelemetryFormatId id);

// The format with `id`, or null (None has none).
const TelemetryFormat* FormatById(TelemetryFormatId id);
// Its name, or "none".
const char* FormatName(TelemetryFormatId id);

// The format that reads the layout of a chipset kind (the ExtractForKind table).
TelemetryFormatId FormatForKind(ChipsetKind kind);

// Which reading gave the samples in the store.
struct TelemetryReading {
    TelemetryFormatId format = TelemetryFormatId::None;
    const char* name = "none";
    int count = -1;  // samples; -1 when the recording cannot be opened
};

// The one entry point of the player and velto-telemetry. `kindDecided`: a .DAT sidecar or a
// chipset tag chose `kind` (the playlist entry knows).
//  1. Decided: the layout of `kind` is read, to the byte as ExtractForKind reads it. When it
//     yields no sample with a usable position while a real camera format claims the
//     recording, that format is read instead (cameras of other families may carry our tags).
//  2. Not decided: the real camera formats are offered the recording in registry order; the
//     first that claims it reads it (when it gives no usable position, a later claimer that
//     gives one is used instead).
//  3. Otherwise the user-data index is read only when the rule "plausible user-data index"
//     (UserDataIndexIsPlausible) holds; else the store stays empty (format None).
// Empties the store first; a path under 4 characters or one that does not open as a regular
// file gives count -1.
TelemetryReading ReadTelemetry(TelemetryStore& store, const std::string& path, ChipsetKind kind,
                               bool kindDecided);
// The same over any byte source; `path` may be empty.
TelemetryReading ReadTelemetry(TelemetryStore& store, ByteSource& src, const std::string& path,
                               ChipsetKind kind, bool kindDecided);

// Rule "plausible user-data index", for a recording that no tag chose: the entry count word
// 12 bytes after "moov/udta" is 1 to 500 (the layout writes one entry a second and at most
// 500), every listed record (base + 48, 232 bytes) lies inside the file, and every record's
// sentence begins with a name the sentence parser accepts ("$GPRMC", "$GNRMC", "$GLRMC" or
// "$GPGGA").
bool UserDataIndexIsPlausible(ByteSource& src);
