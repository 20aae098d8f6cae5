#pragma once

#include <cstdint>
#include <string>

class ByteSource;
class TelemetryStore;

// The telemetry formats the player reads: the four layouts of its own camera family (chosen
// by a sidecar or a chipset tag, see ChipsetKind.h), then the formats of cameras on the
// market. The numbers are not stored anywhere; --info prints the names.
enum class TelemetryFormatId : int32_t {
    None = 0,       // no reading: the recording gave no samples
    TextTrack,      // ChipsetKind TextTrack, TextTrackA7L
    HeaderBlocks,   // ChipsetKind HeaderBlocks
    Interleaved,    // ChipsetKind Interleaved
    UserDataIndex,  // ChipsetKind UserDataIndexFallback, UserDataIndex
    NovatekIndex,   // "freeGPS " blocks listed by "moov/gps "
    TextGps,        // NMEA and camera dialects in a text or subtitle track
    SeventyMaiGps,  // top-level "GPS " box
    Gpmf,           // "gpmd" track
    Camm,           // "camm" track
    BlackVue,       // top-level "free" box with "gps " NMEA and "3gf " accelerations
    NmeaSidecar,    // .NMEA file next to the recording
    NovatekScan,    // "freeGPS " blocks found by scanning "mdat"
};

// What a format sees of a recording: its bytes, and its path for a format that reads a file
// next to it (empty for a recording held in memory).
struct FormatContext {
    ByteSource& src;
    const std::string& path;
};

// One telemetry format: one object, one source file (telemetry/formats/<Name>Format.cpp), one
// row of the registry (FormatRegistry.cpp).
class TelemetryFormat {
public:
    virtual ~TelemetryFormat() = default;

    virtual TelemetryFormatId Id() const = 0;
    // What velto-telemetry --info prints, e.g. "Novatek freeGPS (gps index)".
    virtual const char* Name() const = 0;

    // Whether the recording is in this format. Cheap: a few box headers and small boxes, never
    // the media data (only the mdat scan, the last resort, reads into it, and a bounded part).
    virtual bool Claims(const FormatContext& ctx) const = 0;

    // Empties the store and fills it with the recording's samples (sample i = second i);
    // returns the store's count. Never throws; bounded by the recording's duration.
    virtual int Extract(const FormatContext& ctx, TelemetryStore& store) const = 0;
};
