#pragma once

// Test support, header-only: ExifTool as the oracle of the telemetry formats. Runs
//   TZ=UTC exiftool -ee -n -a -G3 -s FILE
// parses the [DocN] groups into fixes and compares them with a TelemetryStore. A missing
// exiftool is a failure, never a skip.

#include "AssistInfo.h"
#include "TelemetryStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace velto::testing {

struct OracleFix {
    double latitude = 0.0;
    double longitude = 0.0;
    std::string dateTime;  // the GPSDateTime last printed in the Doc before it, or empty
    double videoSeconds = std::numeric_limits<double>::quiet_NaN();  // NaN: no SampleTime
};

struct OracleReading {
    bool ran = false;
    std::string error;
    // In ExifTool's order; 0,0 (no fix) and values beyond +-90 / +-180 (what ExifTool prints
    // for variants whose coordinates it cannot decode) left out.
    std::vector<OracleFix> fixes;
    std::string text;  // ExifTool's whole output, for failure messages
};

inline std::string ShellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct OracleDoc {
    double sampleTime = std::numeric_limits<double>::quiet_NaN();
    double sampleDuration = std::numeric_limits<double>::quiet_NaN();
    std::vector<OracleFix> fixes;
};

// Fix k of n in a Doc that starts at t0 and lasts d lies at t0 + k d / n (FORMATS.md §4.3).
inline OracleReading RunExifTool(const std::string& path) {
    OracleReading r;
    const std::string command = "TZ=UTC exiftool -ee -n -a -G3 -s " + ShellQuoted(path) + " 2>&1";
    std::FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) {
        r.error = "cannot run exiftool";
        return r;
    }
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.text.append(buf, n);
    const int status = ::pclose(p);
    if (status != 0 || r.text.find("[Main]") == std::string::npos) {
        r.error =
            "exiftool failed (is libimage-exiftool-perl installed?): " + r.text.substr(0, 300);
        return r;
    }
    r.ran = true;
    std::map<int, OracleDoc> docs;
    std::istringstream lines(r.text);
    std::string line;
    std::map<int, double> pendingLatitude;
    std::map<int, std::string> lastTime;
    while (std::getline(lines, line)) {
        if (line.compare(0, 4, "[Doc") != 0)
            continue;
        const size_t close = line.find(']');
        const size_t colon = line.find(" : ");
        if (close == std::string::npos || colon == std::string::npos)
            continue;
        const int doc = std::atoi(line.c_str() + 4);
        std::string tag = line.substr(close + 1, colon - close - 1);
        tag.erase(0, tag.find_first_not_of(' '));
        tag.erase(tag.find_last_not_of(' ') + 1);
        const std::string value = line.substr(colon + 3);
        OracleDoc& d = docs[doc];
        if (tag == "SampleTime")
            d.sampleTime = std::atof(value.c_str());
        else if (tag == "SampleDuration")
            d.sampleDuration = std::atof(value.c_str());
        else if (tag == "GPSDateTime")
            lastTime[doc] = value;
        else if (tag == "GPSLatitude")
            pendingLatitude[doc] = std::atof(value.c_str());
        else if (tag == "GPSLongitude" && pendingLatitude.count(doc)) {
            OracleFix f;
            f.latitude = pendingLatitude[doc];
            f.longitude = std::atof(value.c_str());
            f.dateTime = lastTime[doc];
            pendingLatitude.erase(doc);
            d.fixes.push_back(f);
        }
    }
    for (auto& [number, d] : docs) {
        const size_t count = d.fixes.size();
        for (size_t k = 0; k < count; ++k) {
            OracleFix f = d.fixes[k];
            if (!std::isnan(d.sampleTime))
                f.videoSeconds =
                    d.sampleTime + (std::isnan(d.sampleDuration)
                                        ? 0.0
                                        : double(k) * d.sampleDuration / double(count));
            if ((f.latitude != 0.0 || f.longitude != 0.0) && std::fabs(f.latitude) <= 90.0 &&
                std::fabs(f.longitude) <= 180.0)
                r.fixes.push_back(f);
        }
    }
    return r;
}

inline std::vector<int> PositionedSeconds(const TelemetryStore& store) {
    std::vector<int> seconds;
    tagAssistInfo s;
    for (int i = 0; i < store.GetCount(); ++i)
        if (store.GetSample(i, s) == 0 && HasUsablePosition(s))
            seconds.push_back(i);
    return seconds;
}

inline bool Near(double a, const std::string& text, double tolerance) {
    return std::fabs(a - std::atof(text.c_str())) <= tolerance;
}

// The store agrees with ExifTool when
//  - with sample times: the seconds that hold a fix are the seconds with a usable position,
//    the first fix is sample (its second)'s position and the earliest fix of the last such
//    second is that sample's position (the resampler's "first fix of the second");
//  - without: there are as many usable positions as fixes, the first and last in order;
// positions within `tolerance` degrees.
inline ::testing::AssertionResult AgreesWithExifTool(const TelemetryStore& store,
                                                     const OracleReading& oracle,
                                                     double tolerance = 1e-5) {
    if (!oracle.ran)
        return ::testing::AssertionFailure() << oracle.error;
    if (oracle.fixes.empty())
        return ::testing::AssertionFailure() << "ExifTool reads no fix:\n" << oracle.text;
    const std::vector<int> ours = PositionedSeconds(store);
    std::vector<const OracleFix*> expected;  // per positioned second, in order
    std::vector<int> seconds;
    const bool timed = !std::isnan(oracle.fixes.front().videoSeconds);
    for (const OracleFix& f : oracle.fixes) {
        if (!timed) {
            expected.push_back(&f);
            continue;
        }
        const int second = int(std::floor(f.videoSeconds + 1e-9));
        if (seconds.empty() || seconds.back() != second) {
            if (!seconds.empty() && second < seconds.back())
                return ::testing::AssertionFailure() << "ExifTool's fixes go back in time";
            seconds.push_back(second);
            expected.push_back(&f);
        }
    }
    if (ours.size() != expected.size())
        return ::testing::AssertionFailure() << "ExifTool has fixes in " << expected.size()
                                             << " seconds, we have " << ours.size() << " positions";
    if (timed && std::vector<int>(seconds) != ours)
        return ::testing::AssertionFailure() << "the seconds with a fix differ from ExifTool's";
    for (size_t k : {size_t(0), ours.size() - 1}) {
        tagAssistInfo s;
        store.GetSample(ours[k], s);
        if (!Near(expected[k]->latitude, s.latitude, tolerance) ||
            !Near(expected[k]->longitude, s.longitude, tolerance))
            return ::testing::AssertionFailure()
                   << "second " << ours[k] << ": ours " << s.latitude << "," << s.longitude
                   << ", ExifTool " << expected[k]->latitude << "," << expected[k]->longitude;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace velto::testing
