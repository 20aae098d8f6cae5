#include "WindowSettings.h"

#include <cstdint>
#include <vector>

#include "SettingsFile.h"

namespace {

const char kSection[] = "Window";
const char kGeometry[] = "Geometry";
const char kMaximized[] = "Maximized";
const char kSidePanelWidth[] = "SidePanelWidth";
const char kPlaylistHeight[] = "PlaylistHeight";

// A decimal integer with an optional '-', nothing else, within [lo, hi].
bool ParseInt(const std::string& text, int lo, int hi, int& out) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        ++i;
    if (i >= text.size() || text.size() - i > 9)  // nine digits cannot overflow
        return false;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    if (negative)
        value = -value;
    if (value < lo || value > hi)
        return false;
    out = static_cast<int>(value);
    return true;
}

// Exactly `count` comma-separated integers, the i-th within [lo[i], hi[i]].
bool ParseList(const std::string& text, size_t count, const int* lo, const int* hi,
               std::vector<int>& out) {
    out.clear();
    size_t begin = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t comma = text.find(',', begin);
        const bool last = i + 1 == count;
        if ((comma == std::string::npos) != last)
            return false;  // too few or too many parts
        const size_t end = last ? text.size() : comma;
        int value = 0;
        if (!ParseInt(text.substr(begin, end - begin), lo[i], hi[i], value))
            return false;
        out.push_back(value);
        begin = end + 1;
    }
    return true;
}

bool Written(CSettingsFile::SaveResult r) {
    return r == CSettingsFile::SaveResult::Saved || r == CSettingsFile::SaveResult::Unchanged;
}

}  // namespace

tagWindowSettings ReadWindowSettings(const std::string& utf8Path) {
    tagWindowSettings s;
    CSettingsFile ini;
    if (ini.Load(utf8Path) != CSettingsFile::LoadResult::Loaded)
        return s;
    using W = tagWindowSettings;
    std::string text;
    if (ini.Get(kSection, kGeometry, text)) {
        const int lo[] = {-W::kMaxCoordinate, -W::kMaxCoordinate, 1, 1};
        const int hi[] = {W::kMaxCoordinate, W::kMaxCoordinate, W::kMaxExtent, W::kMaxExtent};
        std::vector<int> v;
        if (ParseList(text, 4, lo, hi, v)) {
            s.hasGeometry = true;
            s.x = v[0];
            s.y = v[1];
            s.width = v[2];
            s.height = v[3];
        }
    }
    int value = 0;
    if (ini.Get(kSection, kMaximized, text) && ParseInt(text, 0, 1, value)) {
        s.hasMaximized = true;
        s.maximized = value == 1;
    }
    if (ini.Get(kSection, kSidePanelWidth, text) && ParseInt(text, 0, W::kMaxExtent, value))
        s.sidePanelWidth = value;
    if (ini.Get(kSection, kPlaylistHeight, text) && ParseInt(text, 0, W::kMaxExtent, value))
        s.playlistHeight = value;
    return s;
}

bool WriteWindowSettings(const std::string& utf8Path, const tagWindowSettings& s) {
    CSettingsFile ini;
    const CSettingsFile::LoadResult loaded = ini.Load(utf8Path);
    if (loaded != CSettingsFile::LoadResult::Loaded && loaded != CSettingsFile::LoadResult::Missing)
        return false;
    bool ok = true;
    if (s.hasGeometry) {
        ok = ini.Set(kSection, kGeometry,
                     std::to_string(s.x) + "," + std::to_string(s.y) + "," +
                         std::to_string(s.width) + "," + std::to_string(s.height)) &&
             ok;
    }
    if (s.hasMaximized)
        ok = ini.Set(kSection, kMaximized, s.maximized ? "1" : "0") && ok;
    if (s.sidePanelWidth >= 0)
        ok = ini.Set(kSection, kSidePanelWidth, std::to_string(s.sidePanelWidth)) && ok;
    if (s.playlistHeight >= 0)
        ok = ini.Set(kSection, kPlaylistHeight, std::to_string(s.playlistHeight)) && ok;
    return ok && Written(ini.Save());
}
