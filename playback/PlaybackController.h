#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FileList.h"
#include "PlaybackView.h"
#include "TelemetryStore.h"
#include "VideoEngineInterface.h"

// Which playlist entry PlayFile plays.
enum PlayDirection { Current = 0, Next = 1, Previous = 2 };

// The clock's timers, by id: timer 1 ticks every 500 ms (end check,
// telemetry sync, Play button), timers 2 and 3 every 1000 ms (end check).
enum ClockTimer { kClockTimer = 1, kEndCheckTimerA = 2, kEndCheckTimerB = 3 };
constexpr int kClockPeriodMs = 500;
constexpr int kEndCheckPeriodMs = 1000;

// One seek-slider step, in ms of recording.
constexpr int kSliderStepMs = 200;
// Volume steps of the two volume buttons; the volume never goes above kVolumeMax.
constexpr int kVolumeStep = 10;
constexpr int kVolumeMax = 100;
// Seek steps of the arrow keys, in ms.
constexpr int64_t kSeekStepMs = 5000;
constexpr int64_t kLongSeekStepMs = 60000;
// How far a frame step back goes when the frame rate is not known.
constexpr int64_t kDefaultFrameMs = 40;
// The playback speeds the rate steps go through, slowest first; 1.0 is normal.
constexpr double kPlaybackRates[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0};

// Playback: the engine, the playlist, the telemetry store, the current entry,
// the stop and drop flags and the volume. It plays an entry from start to end
// (PlayFile), runs the transport commands and the automatic advance on the
// engine's Stopped report, keeps the views in step with the playback clock,
// and writes snapshots. It shows everything through an IPlaybackView and
// never touches a widget; the window's timers call OnTimer.
// All member functions run on one thread (the window's).
class CPlaybackController : public IPlayerEventSink {
public:
    CPlaybackController(std::unique_ptr<IVideoEngine> engine, IPlaybackView& view);
    CPlaybackController(const CPlaybackController&) = delete;
    CPlaybackController& operator=(const CPlaybackController&) = delete;

    IVideoEngine& Engine() { return *m_pEngine; }
    CFileList& FileList() { return m_fileList; }
    TelemetryStore& Store() { return m_store; }
    int CurrentIndex() const { return m_nCurIndex; }
    int Volume() const { return m_nVolume; }
    double Rate() const { return m_dRate; }
    bool IsUserStop() const { return m_bUserStop; }
    bool IsDropped() const { return m_bDropped; }

    // Where OnCapture writes (the Capture folder of the user's pictures).
    void SetCaptureFolder(const std::string& folder) { m_szCaptureFolder = folder; }
    const std::string& CaptureFolder() const { return m_szCaptureFolder; }
    // The clock of the capture names (tests); the system clock by default.
    void SetCaptureClock(std::function<std::time_t()> now) { m_fnNow = std::move(now); }

    // Playing.
    void PlayFile(PlayDirection direction);
    void StopAndReset();

    // Transport commands; each ends with the focus on the playlist.
    void OnPlayPause();
    void OnStop();
    void OnPrev();
    void OnNext();
    void OnListDoubleClick();  // plays the first selected row
    void OnVolumeDown();
    void OnVolumeUp();
    void OnSeekPress();  // the slider's thumb was taken: pause while it moves
    void OnSeekRelease();
    void OnCapture();

    // Keys of the window. Each does nothing unless a recording is open.
    // Moves the playback position by `offsetMs` (negative: back), within the
    // recording; a paused recording stays paused at the new position.
    void SeekBy(int64_t offsetMs);
    // One frame forward or back, only while paused.
    void StepFrameForward();
    void StepFrameBack();
    // One step along kPlaybackRates, or back to 1.0. The speed holds for the
    // recordings that follow until it is changed.
    void RateUp();
    void RateDown();
    void ResetRate();

    // Playlist commands.
    // Adds the paths in order (a negative AddFile stops), then plays the
    // current entry unless one is playing or paused.
    void ImportPaths(const std::vector<std::string>& paths);
    // Adds the .MOV and .MP4 files among `paths`; when one was added, stops
    // what is open so that its Stopped report advances, or plays the current
    // entry when nothing is open.
    void OnDropFiles(const std::vector<std::string>& paths);
    // Command 32772: removes the focused row's entry when a row is selected.
    // Returns whether an entry was removed.
    bool RemoveFocusedEntry();
    // The remove button: the command above, then the engine forgets its media
    // when that was the removed entry's, and the current row is selected.
    void OnRemoveEntry();

    // The engine's reports (libvlc event numbers).
    void OnPlayerEvent(int type) override;

    // The clock.
    void OnTimer(int nIdEvent);
    void SyncTelemetry();
    // The views of second `k` of the recording: graph cursor, map, gauges.
    void SyncTelemetryAt(int k);
    void RefreshPosition();

    // "%d:%02d" of whole minutes and seconds; minutes are not wrapped.
    static std::string FormatMinutesSeconds(int64_t ms);
    // Time (ms) a seek to slider `value` goes to, or -1 when there is no
    // length or the slider has no range (recordings shorter than 200 ms).
    static int64_t SeekTargetMs(int value, int maximum, int64_t lengthMs);
    static int SliderValueForTime(int maximum, int64_t timeMs, int64_t lengthMs);

private:
    bool IsOpen() const;
    void ResetTelemetryViews();
    void ResetPositionViews();
    bool StepToEntry(PlayDirection direction);
    void ShowLength(int64_t lengthMs);
    void SendRouteToMap();
    void ReadVolumeOnce();
    int CurrentVolume();
    void OnPlayerStopped();
    bool RecordingHasEnded();
    int CurrentSecond();
    void ShowMapPosition(int sample, const std::string& latitude, const std::string& longitude);
    void ShowSeekTarget(int64_t timeMs);
    int64_t FrameMs();
    int64_t KnownTime();
    void ApplyRate(double rate);

    std::unique_ptr<IVideoEngine> m_pEngine;
    IPlaybackView& m_view;
    CFileList m_fileList;
    TelemetryStore m_store;

    int32_t m_nCurIndex = 0;
    bool m_bUserStop = false;
    bool m_bDropped = false;
    int32_t m_nVolume = -1;        // last given to the engine; -1 until read
    int64_t m_llShownLength = -1;  // what the slider range and total label show
    int m_nMapSample = -1;         // the sample whose position the map shows
    double m_dRate = 1.0;          // playback speed, one of kPlaybackRates
    // The last key seek or frame step, until libvlc reports the time again
    // (the clock's next tick while playing; a paused recording keeps it).
    int64_t m_llSeekTarget = -1;

    std::string m_szCaptureFolder;
    std::function<std::time_t()> m_fnNow;
};
