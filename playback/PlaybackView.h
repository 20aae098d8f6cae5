#pragma once

#include <string>
#include <vector>

// One point of the route drawn on the map: the sample's position texts.
struct tagRoutePoint {
    std::string latitude;
    std::string longitude;
};

// What the playback controller shows through the window: the video area, the
// gauges, the G-sensor graph, the map, the seek slider and time labels, the
// Play button, the volume bars and the playlist's row states. The main window
// implements it; the controller's tests use a recording fake.
class IPlaybackView {
public:
    virtual ~IPlaybackView() = default;

    // Video area.
    virtual void DrawIdlePicture() = 0;
    // Shown when a recording plays (the video area behind it turns black),
    // hidden when it stops.
    virtual void ShowVideoWindow(bool show) = 0;
    // Leaves full screen and redraws the window; nothing outside full screen.
    virtual void LeaveFullScreen() = 0;

    // Speed and heading gauges, and the values they last drew.
    virtual void DrawSpeedDial(int speed, double heading) = 0;
    virtual int LastSpeed() const = 0;
    virtual double LastHeading() const = 0;

    // G-sensor graph over the controller's telemetry store.
    virtual void LoadGraph() = 0;  // the store's samples changed
    virtual void SetGraphCursor(int second) = 0;
    virtual void RedrawGraph() = 0;

    // Map: the whole route in one go, the car's position (empty texts clear it).
    virtual void ShowRoute(const std::vector<tagRoutePoint>& route) = 0;
    virtual void SetMapPosition(const std::string& latitude, const std::string& longitude) = 0;

    // Seek slider (one step per 200 ms) and the time labels.
    virtual void SetSliderRange(int maximum) = 0;
    virtual int SliderMaximum() const = 0;
    virtual int SliderValue() const = 0;
    virtual bool IsSliderDragging() const = 0;
    virtual void SetSliderValue(int value) = 0;
    virtual void EnableSlider(bool enable) = 0;
    virtual void SetElapsedText(const std::string& text) = 0;
    virtual void SetTotalText(const std::string& text) = 0;

    // The playback speed beside the elapsed time; nothing is shown at 1.0.
    virtual void ShowRate(double rate) = 0;
    // The window's title names the recording that is open; an empty name
    // when none is.
    virtual void ShowTitle(const std::string& fileName) = 0;

    // The Play button shows Pause while playing, Play otherwise.
    virtual void ShowPlayButton(bool playing) = 0;
    virtual void ShowVolumeLevel(int lit) = 0;  // lit bars, 0..10

    // Playlist rows (row i shows entry i).
    virtual int RowCount() const = 0;
    // Adds `row` to the selection; the focused row does not change.
    virtual void SelectRow(int row) = 0;
    // Makes `row` the only selected row and the focused one.
    virtual void SelectAndFocusRow(int row) = 0;
    // Clears the selected and focused states of `row`.
    virtual void ClearRowStates(int row) = 0;
    virtual int FirstSelectedRow() const = 0;  // -1 when none
    virtual int FocusedRow() const = 0;        // -1 when none
    virtual void FocusPlaylist() = 0;
    // The "now playing" mark: on `row` only, or on no row for -1.
    virtual void MarkPlayingRow(int row) = 0;

    virtual void ShowError(const std::string& text) = 0;
    // Wait cursor around a slow engine call.
    virtual void BeginWait() = 0;
    virtual void EndWait() = 0;
};
