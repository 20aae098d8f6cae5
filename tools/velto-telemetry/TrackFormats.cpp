#include "TrackFormats.h"

#include "TelemetryStore.h"
#include "TextEscape.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

const char kGpxExtensionNamespace[] = "urn:x-velto-player:telemetry:1";

namespace {

// A sample whose position can go on a map: usable by the player's rule, and
// both texts plain decimal degrees within range.
struct Position {
    int second;
    std::string lat, lon;
    tagAssistInfo sample;
};

std::vector<Position> MappablePositions(const TelemetryStore& store) {
    std::vector<Position> out;
    for (int i = 0; i < store.GetCount(); ++i) {
        Position p{i, {}, {}, {}};
        if (store.GetSample(i, p.sample) != 0 || !HasUsablePosition(p.sample))
            continue;
        if (!CoordinateNumber(p.sample.latitude, 90.0, p.lat))
            continue;
        if (!CoordinateNumber(p.sample.longitude, 180.0, p.lon))
            continue;
        out.push_back(std::move(p));
    }
    return out;
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
    std::fprintf(out, "        <extensions>\n        <velto:telemetry>\n");
    std::fprintf(out, "          <velto:second>%d</velto:second>\n", p.second);
    std::fprintf(out, "          <velto:speed_kmh>%d</velto:speed_kmh>\n",
                 static_cast<int>(s.speed));
    WriteGpxExtensionValue(out, "course", "%.6g", s.course);
    WriteGpxExtensionValue(out, "accel_x", "%.3f", s.accelX);
    WriteGpxExtensionValue(out, "accel_y", "%.3f", s.accelY);
    WriteGpxExtensionValue(out, "accel_z", "%.3f", s.accelZ);
    std::fprintf(out, "        </velto:telemetry>\n        </extensions>\n      </trkpt>\n");
}

void WriteGeoJsonRoute(std::FILE* out, const std::vector<Position>& positions,
                       const std::string& trackName) {
    std::fprintf(out, "{\"type\":\"Feature\",\"properties\":{\"name\":%s,\"feature\":\"route\"},",
                 JsonQuoted(trackName).c_str());
    std::fprintf(out, "\"geometry\":{\"type\":\"LineString\",\"coordinates\":[");
    for (size_t i = 0; i < positions.size(); ++i) {
        std::fprintf(out, "%s[%s,%s]", i ? "," : "", positions[i].lon.c_str(),
                     positions[i].lat.c_str());
    }
    std::fprintf(out, "]}}");
}

void WriteGeoJsonPoint(std::FILE* out, const Position& p) {
    const tagAssistInfo& s = p.sample;
    std::fprintf(out, "{\"type\":\"Feature\",\"properties\":{\"second\":%d,\"speed_kmh\":%d,",
                 p.second, static_cast<int>(s.speed));
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
                     static_cast<int>(s.speed), s.course);
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
    for (const Position& p : MappablePositions(store))
        WriteGpxPoint(out, p);
    std::fprintf(out, "    </trkseg>\n  </trk>\n</gpx>\n");
}

void WriteGeoJson(std::FILE* out, const TelemetryStore& store, const std::string& trackName) {
    const std::vector<Position> positions = MappablePositions(store);
    std::fprintf(out, "{\"type\":\"FeatureCollection\",\"features\":[\n");
    bool first = true;
    if (positions.size() >= 2) {
        WriteGeoJsonRoute(out, positions, trackName);
        first = false;
    }
    for (const Position& p : positions) {
        std::fprintf(out, "%s", first ? "" : ",\n");
        WriteGeoJsonPoint(out, p);
        first = false;
    }
    std::fprintf(out, "\n]}\n");
}
