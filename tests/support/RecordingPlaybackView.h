#pragma once

// A recording fake of the main window for the playback controller's tests:
// it keeps what the controller last showed (and a few counters), and the
// playlist rows with their selected and focused states, since it is the
// playlist's view as well.

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PlaybackView.h"
#include "PlaylistView.h"
#include "TelemetryStore.h"

namespace velto::testing {

class RecordingPlaybackView : public IPlaybackView, public IPlaylistView {
public:
    struct Row {
        std::string number, fileName, dateTime, lock;
        int image = -1;
    };

    const TelemetryStore* store = nullptr;  // the store the graph shows

    // Video area and gauges.
    bool idlePictureShown = true;
    int idlePictureDraws = 0;
    bool videoWindowShown = false;
    bool fullScreen = false;
    int speed = 0;
    double heading = 180.0;
    int dialDraws = 0;
    // Graph, map.
    int graphSamples = 0;
    int graphLoads = 0;
    int graphCursor = 0;
    std::vector<tagRoutePoint> route;
    int routeCalls = 0;
    std::vector<std::pair<std::string, std::string>> mapPositions;
    // Slider, labels, buttons.
    int sliderMax = 100;
    int sliderValue = 0;
    bool sliderEnabled = false;
    bool sliderDragging = false;
    std::string elapsed = "0:00";
    std::string total = "0:00";
    bool playButtonShowsPause = false;
    double rate = 1.0;
    std::string title;  // the file name the title shows; empty: "PLAYER" alone
    int playingRow = -1;
    int volumeLit = -1;
    int focusCalls = 0;
    std::vector<std::string> errors;
    int waits = 0;
    // Playlist rows.
    std::vector<Row> rows;
    std::set<int> selected;
    int focused = -1;

    // IPlaybackView
    void DrawIdlePicture() override {
        idlePictureShown = true;
        ++idlePictureDraws;
    }
    void ShowVideoWindow(bool show) override {
        videoWindowShown = show;
        if (show) {
            idlePictureShown = false;
        }
    }
    void LeaveFullScreen() override { fullScreen = false; }
    void DrawSpeedDial(int s, double h) override {
        if (fullScreen) {
            return;
        }
        speed = s;
        heading = h;
        ++dialDraws;
    }
    int LastSpeed() const override { return speed; }
    double LastHeading() const override { return heading; }
    void LoadGraph() override {
        graphSamples = store ? store->GetCount() : 0;
        graphCursor = 0;
        ++graphLoads;
    }
    void SetGraphCursor(int second) override {
        if (second >= 0 && second <= graphSamples) {
            graphCursor = second;
        }
    }
    void RedrawGraph() override {}
    void ShowRoute(const std::vector<tagRoutePoint>& r) override {
        route = r;
        ++routeCalls;
    }
    void SetMapPosition(const std::string& lat, const std::string& lng) override {
        mapPositions.emplace_back(lat, lng);
    }
    void SetSliderRange(int maximum) override { sliderMax = maximum; }
    int SliderMaximum() const override { return sliderMax; }
    int SliderValue() const override { return sliderValue; }
    bool IsSliderDragging() const override { return sliderDragging; }
    void SetSliderValue(int v) override {
        sliderValue = v < 0 ? 0 : (v > sliderMax ? sliderMax : v);
    }
    void EnableSlider(bool enable) override { sliderEnabled = enable; }
    void SetElapsedText(const std::string& text) override { elapsed = text; }
    void SetTotalText(const std::string& text) override { total = text; }
    void ShowRate(double r) override { rate = r; }
    void ShowTitle(const std::string& fileName) override { title = fileName; }
    void ShowPlayButton(bool playing) override { playButtonShowsPause = playing; }
    void ShowVolumeLevel(int lit) override { volumeLit = lit; }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    void SelectRow(int row) override {
        if (row >= 0 && row < RowCount()) {
            selected.insert(row);
        }
    }
    void SelectAndFocusRow(int row) override {
        if (row >= 0 && row < RowCount()) {
            selected = {row};
            focused = row;
        }
    }
    void ClearRowStates(int row) override {
        selected.erase(row);
        if (focused == row) {
            focused = -1;
        }
    }
    int FirstSelectedRow() const override { return selected.empty() ? -1 : *selected.begin(); }
    int FocusedRow() const override { return focused; }
    void FocusPlaylist() override { ++focusCalls; }
    void MarkPlayingRow(int row) override { playingRow = row; }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    void BeginWait() override { ++waits; }
    void EndWait() override {}

    // IPlaylistView
    int GetRowCount() const override { return RowCount(); }
    void AppendRow(const std::string& number, const std::string& fileName,
                   const std::string& dateTime, const std::string& lock) override {
        rows.push_back({number, fileName, dateTime, lock, -1});
    }
    // The rows below move up, and so do their states.
    void DeleteRow(int row) override {
        if (row < 0 || row >= RowCount()) {
            return;
        }
        rows.erase(rows.begin() + row);
        std::set<int> moved;
        for (int r : selected) {
            if (r != row) {
                moved.insert(r > row ? r - 1 : r);
            }
        }
        selected = moved;
        if (playingRow == row) {
            playingRow = -1;
        } else if (playingRow > row) {
            --playingRow;
        }
        if (focused == row) {
            focused = -1;
        } else if (focused > row) {
            --focused;
        }
    }
    void SetLockText(int row, const std::string& lock) override { rows.at(row).lock = lock; }
    void SetRowImage(int row, int image) override { rows.at(row).image = image; }

    // The user clicks a row: it becomes the only selected one and the focused one.
    void Click(int row) { SelectAndFocusRow(row); }
};

}  // namespace velto::testing
