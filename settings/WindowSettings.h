#pragma once

#include <string>

// Where the main window was and how it was divided, kept between runs in the settings file's
// [Window] section:
//
//   [Window]
//   Geometry=x,y,width,height   the normal (not maximised, not full-screen) geometry
//   Maximized=1                 1 or 0
//   SidePanelWidth=420          the side column's width, pixels
//   PlaylistHeight=260          the playlist's height under the map, pixels
//
// Each value that is missing, malformed or out of range reads as "not saved" on its own.
struct tagWindowSettings {
    bool hasGeometry = false;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool hasMaximized = false;
    bool maximized = false;
    int sidePanelWidth = -1;  // -1: not saved
    int playlistHeight = -1;  // -1: not saved

    // Bounds of what is read back: anything beyond them is no real window.
    static constexpr int kMaxCoordinate = 1000000;
    static constexpr int kMaxExtent = 100000;
};

// Reads the [Window] section of `utf8Path` (bounded, as CSettingsFile reads).
tagWindowSettings ReadWindowSettings(const std::string& utf8Path);
// Writes the values that are set into the [Window] section, changing only those lines; a
// missing file is created. False when the file was left alone or could not be written.
bool WriteWindowSettings(const std::string& utf8Path, const tagWindowSettings& settings);
