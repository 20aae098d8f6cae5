#pragma once

#include <cstdio>
#include <string>

class TelemetryStore;

// The three outputs of velto-telemetry, written sample by sample from the store in store
// order (no copy of the samples). `trackName` names the route in GPX and GeoJSON (the
// recording's file name). A negative speed is written 0 (ShownSpeed).

// Every sample: second,accel_x,accel_y,accel_z,latitude,longitude,speed_kmh,course, the
// coordinate texts as the store holds them.
void WriteCsv(std::FILE* out, const TelemetryStore& store);

// GPX 1.1: one track point per sample with a valid position (usable, and both texts plain
// decimal degrees within range); second, speed, course and accelerations in the point's
// extensions.
void WriteGpx(std::FILE* out, const TelemetryStore& store, const std::string& trackName);

// GeoJSON FeatureCollection: the route as a LineString (two valid positions or
// more), then one Point per sample with a valid position and its values.
void WriteGeoJson(std::FILE* out, const TelemetryStore& store, const std::string& trackName);

// The namespace of the GPX extension elements.
extern const char kGpxExtensionNamespace[];
