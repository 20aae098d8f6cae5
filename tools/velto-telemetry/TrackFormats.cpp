#include "TrackFormats.h"

#include "TelemetryStore.h"
#include "TextEscape.h"
#include "UtcTime.h"

#include <cmath>
#include <cstdio>
#include <string>

const char kGpxExtensionNamespace[] = "urn:x-velto-player:telemetry:1";

namespace {

// A sample whose position can go on a map: usable by the player's rule, and both texts
// plain decimal degrees within range. The writers take the samples one at a time from the
// store, so a document costs no copy of the samples.
struct Position {
    int second = 0;
    std::string lat, lon;
    tagAssistInfo sample;
};

bool MappablePosition(const TelemetryStore& store, int index, Position& p) {
    p.second = index;
    return store.GetSample(index, p.sample) == 0 && HasUsablePosition(p.sample) &&
           CoordinateNumber(p.sample.latitude, 90.0, p.lat) &&
           CoordinateNumber(p.sample.longitude, 180.0, p.lon);
}

// Calls `write` for every mappable sample in store order.
template <typename Write>
void ForEachPosition(const TelemetryStore& store, Write write) {
    Position p;
    for (int i = 0; i < store.GetCount(); ++i) {
        if (MappablePosition(store, i, p))
            write(p);
    }
}

// Whether the store holds at least `n` mappable samples.
bool HasPositions(const TelemetryStore& store, int n) {
    Position p;
    for (int i = 0; i < store.GetCount() && n > 0; ++i) {
        if (MappablePosition(store, i, p))
            --n;
    }
    return n == 0;
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A JSON number, or null for what JSON cannot hold.
std::string JsonNumber(const char* format, double value) {
    return std::isfinite(value) ? Format(format, value) : "null";
}

void WriteGpxExtensionValue(std::FILE* out, const char* name, const char* format, double value) {
    if (!std::isfinite(value))
        return;
    std::fprintf(out, "          <velto:%s>%s</velto:%s>\n", name, Format(format, value).c_str(),
                 name);
}

void WriteGpxPoint(std::FILE* out, const Position& p) {
    const tagAssistInfo& s = p.sample;
    std::fprintf(out, "      <trkpt lat=\"%s\" lon=\"%s\">\n", p.lat.c_str(), p.lon.c_str());
    if (HasUtcTime(s))
        std::fprintf(out, "        <time>%s</time>\n", IsoUtcText(s.utcMillis).c_str());
    std::fprintf(out, "        <extensions>\n        <velto:telemetry>\n");
    std::fprintf(out, "          <velto:second>%d</velto:second>\n", p.second);
    std::fprintf(out, "          <velto:speed_kmh>%d</velto:speed_kmh>\n",
                 static_cast<int>(ShownSpeed(s.speed)));
    WriteGpxExtensionValue(out, "course", "%.6g", s.course);
    WriteGpxExtensionValue(out, "accel_x", "%.3f", s.accelX);
    WriteGpxExtensionValue(out, "accel_y", "%.3f", s.accelY);
    WriteGpxExtensionValue(out, "accel_z", "%.3f", s.accelZ);
    std::fprintf(out, "        </velto:telemetry>\n        </extensions>\n      </trkpt>\n");
}

void WriteGeoJsonRoute(std::FILE* out, const TelemetryStore& store, const std::string& trackName) {
    std::fprintf(out, "{\"type\":\"Feature\",\"properties\":{\"name\":%s,\"feature\":\"route\"},",
                 JsonQuoted(trackName).c_str());
    std::fprintf(out, "\"geometry\":{\"type\":\"LineString\",\"coordinates\":[");
    bool first = true;
    ForEachPosition(store, [&](const Position& p) {
        std::fprintf(out, "%s[%s,%s]", first ? "" : ",", p.lon.c_str(), p.lat.c_str());
        first = false;
    });
    std::fprintf(out, "]}}");
}

void WriteGeoJsonPoint(std::FILE* out, const Position& p) {
    const tagAssistInfo& s = p.sample;
    std::fprintf(out, "{\"type\":\"Feature\",\"properties\":{\"second\":%d,\"speed_kmh\":%d,",
                 p.second, static_cast<int>(ShownSpeed(s.speed)));
    std::fprintf(out, "\"course\":%s,\"accel_x\":%s,\"accel_y\":%s,\"accel_z\":%s},",
                 JsonNumber("%.6g", s.course).c_str(), JsonNumber("%.3f", s.accelX).c_str(),
                 JsonNumber("%.3f", s.accelY).c_str(), JsonNumber("%.3f", s.accelZ).c_str());
    std::fprintf(out, "\"geometry\":{\"type\":\"Point\",\"coordinates\":[%s,%s]}}", p.lon.c_str(),
                 p.lat.c_str());
}

}  // namespace

void WriteCsv(std::FILE* out, const TelemetryStore& store) {
    std::fprintf(out, "second,accel_x,accel_y,accel_z,latitude,longitude,speed_kmh,course\n");
    for (int i = 0; i < store.GetCount(); ++i) {
        tagAssistInfo s;
        if (store.GetSample(i, s) != 0)
            break;
        std::fprintf(out, "%d,%.3f,%.3f,%.3f,%s,%s,%d,%.6g\n", i, s.accelX, s.accelY, s.accelZ,
                     CsvField(s.latitude).c_str(), CsvField(s.longitude).c_str(),
                     static_cast<int>(ShownSpeed(s.speed)), s.course);
    }
}

void WriteGpx(std::FILE* out, const TelemetryStore& store, const std::string& trackName) {
    std::fprintf(out,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<gpx version=\"1.1\" creator=\"velto-telemetry\"\n"
                 "     xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
                 "     xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
                 "     xmlns:velto=\"%s\"\n"
                 "     xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
                 "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n"
                 "  <trk>\n    <name>%s</name>\n    <trkseg>\n",
                 kGpxExtensionNamespace, XmlEscaped(trackName).c_str());
    ForEachPosition(store, [out](const Position& p) { WriteGpxPoint(out, p); });
    std::fprintf(out, "    </trkseg>\n  </trk>\n</gpx>\n");
}

void WriteGeoJson(std::FILE* out, const TelemetryStore& store, const std::string& trackName) {
    std::fprintf(out, "{\"type\":\"FeatureCollection\",\"features\":[\n");
    bool first = true;
    if (HasPositions(store, 2)) {
        WriteGeoJsonRoute(out, store, trackName);
        first = false;
    }
    ForEachPosition(store, [&](const Position& p) {
        std::fprintf(out, "%s", first ? "" : ",\n");
        WriteGeoJsonPoint(out, p);
        first = false;
    });
    std::fprintf(out, "\n]}\n");
}
