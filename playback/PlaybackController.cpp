#include "PlaybackController.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "CaptureFile.h"
#include "RecordingName.h"

namespace {

constexpr int kIdleSpeed = 0;
constexpr double kIdleHeading = 180.0;
const char kPlayFailed[] = "Play file failed!\n";

}  // namespace

CPlaybackController::CPlaybackController(std::unique_ptr<IVideoEngine> engine, IPlaybackView& view)
    : m_pEngine(std::move(engine)), m_view(view) {}

// ---- arithmetic of the position views ---------------------------------------

std::string CPlaybackController::FormatMinutesSeconds(int64_t ms) {
    const int m = ms > 0 ? static_cast<int>(ms / 1000) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", m / 60, m % 60);
    return text;
}

int64_t CPlaybackController::SeekTargetMs(int value, int maximum, int64_t lengthMs) {
    if (maximum <= 0 || lengthMs <= 0) {
        return -1;  // a recording shorter than one slider step, or no length yet
    }
    return static_cast<int64_t>(value) * lengthMs / maximum;
}

int CPlaybackController::SliderValueForTime(int maximum, int64_t timeMs, int64_t lengthMs) {
    if (maximum <= 0 || lengthMs <= 0 || timeMs <= 0) {
        return 0;  // no length yet, or a recording shorter than one slider step
    }
    return static_cast<int>(static_cast<int64_t>(maximum) * timeMs / lengthMs);
}

// ---- playing an entry --------------------------------------------------------

bool CPlaybackController::IsOpen() const {
    const PlayState s = m_pEngine->GetState();
    return s == Playing || s == Paused;
}

void CPlaybackController::ResetTelemetryViews() {
    m_view.DrawIdlePicture();
    m_view.DrawSpeedDial(kIdleSpeed, kIdleHeading);
    m_store.Clear();
    m_view.LoadGraph();
}

void CPlaybackController::ResetPositionViews() {
    SyncTelemetry();
    m_view.SetGraphCursor(0);
    m_view.SetSliderValue(0);
    m_view.FocusPlaylist();
}

bool CPlaybackController::StepToEntry(PlayDirection direction) {
    if (direction == Next) {
        if (m_nCurIndex >= m_view.RowCount() - 1) {
            return false;
        }
        m_view.ClearRowStates(m_nCurIndex);
        ++m_nCurIndex;
    } else if (direction == Previous) {
        if (m_nCurIndex <= 0) {
            return false;
        }
        m_view.ClearRowStates(m_nCurIndex);
        --m_nCurIndex;
    }
    return true;
}

// The slider's range and the total-time label; the length may become known
// (or exact) only once the engine plays.
void CPlaybackController::ShowLength(int64_t lengthMs) {
    const int64_t d = lengthMs > 0 ? lengthMs : 0;
    m_llShownLength = d;
    m_view.SetSliderRange(static_cast<int>(d / kSliderStepMs));
    m_view.SetTotalText(FormatMinutesSeconds(d));
}

void CPlaybackController::SendRouteToMap() {
    std::vector<tagRoutePoint> route;
    const int count = m_store.GetCount();
    route.reserve(static_cast<size_t>(count));
    tagAssistInfo sample;
    for (int i = 0; i < count; ++i) {
        if (m_store.GetSample(i, sample) == 0 && HasUsablePosition(sample)) {
            route.push_back({sample.latitude, sample.longitude});
        }
    }
    m_view.ShowRoute(route);
}

void CPlaybackController::ReadVolumeOnce() {
    if (m_nVolume != -1) {
        return;
    }
    m_nVolume = m_pEngine->GetVolume();  // -1 again when there is no audio output yet
    if (m_nVolume >= 0) {
        m_pEngine->SetVolume(m_nVolume);
    }
    m_view.ShowVolumeLevel(m_nVolume / 10);
}

void CPlaybackController::PlayFile(PlayDirection direction) {
    const PlayState s = m_pEngine->GetState();

    // Files were dropped: stop what is open and let its Stopped report
    // advance to the next entry; start nothing here.
    if (m_bDropped) {
        m_bDropped = false;
        if (s == Playing || s == Paused) {
            m_pEngine->Stop();
            ResetPositionViews();
            return;
        }
    }

    if (s != Stopped && s != NoMedia) {
        StopAndReset();
    }

    if (!StepToEntry(direction)) {
        ResetTelemetryViews();  // end of the list: nothing plays, no wrap-around
        return;
    }

    ResetTelemetryViews();
    tagFileNode node;
    if (m_nCurIndex >= m_fileList.GetEntryCount() || m_fileList.GetEntry(m_nCurIndex, node) != 0) {
        return;
    }

    m_llSeekTarget = -1;
    if (m_pEngine->OpenAndPlay(node.strFilePath)) {
        ShowLength(static_cast<int64_t>(m_pEngine->GetDuration()));
        ReadEntryTelemetry(m_store, node);
        m_nMapSample = -1;
        m_view.LoadGraph();
        SendRouteToMap();
        m_pEngine->Play();
        if (m_dRate != 1.0) {
            m_pEngine->SetRate(m_dRate);
        }
        m_bUserStop = false;
        ReadVolumeOnce();
        m_view.ShowTitle(node.strFileName);
        m_view.MarkPlayingRow(m_nCurIndex);
    } else {
        m_view.ShowError(kPlayFailed);
    }

    m_view.FocusPlaylist();
    m_view.SelectRow(m_nCurIndex);
}

void CPlaybackController::StopAndReset() {
    m_pEngine->Stop();
    ResetPositionViews();
}

// ---- transport -----------------------------------------------------------------

void CPlaybackController::OnPlayPause() {
    m_llSeekTarget = -1;
    switch (m_pEngine->GetState()) {
        case Playing:
            m_pEngine->Pause();
            break;
        case Stopped:
            PlayFile(Current);
            break;
        case NoMedia:
            // Nothing held (start, or the held entry was removed): play the
            // current entry with its telemetry rather than an empty path.
            if (m_pEngine->GetMediaPath().empty()) {
                PlayFile(Current);
            } else {
                m_pEngine->Play();
            }
            break;
        case Paused:
            m_pEngine->Play();
            break;
    }
    m_bUserStop = false;
    m_view.FocusPlaylist();
}

void CPlaybackController::OnStop() {
    m_bUserStop = true;
    m_pEngine->Stop();
    ResetPositionViews();
}

void CPlaybackController::OnPrev() {
    m_bUserStop = true;
    PlayFile(Previous);
    m_view.FocusPlaylist();
}

void CPlaybackController::OnNext() {
    m_bUserStop = true;
    PlayFile(Next);
    m_view.FocusPlaylist();
}

void CPlaybackController::OnListDoubleClick() {
    const int row = m_view.FirstSelectedRow();
    if (row < 0) {
        return;
    }
    m_nCurIndex = row;
    m_bUserStop = true;
    PlayFile(Current);
}

// The volume the steps start from: what was last given to the engine, which
// reports a change only once its audio output has applied it (quick clicks
// would otherwise repeat the same step), else the engine's own value.
int CPlaybackController::CurrentVolume() {
    return m_nVolume >= 0 ? m_nVolume : m_pEngine->GetVolume();
}

void CPlaybackController::OnVolumeUp() {
    if (IsOpen()) {
        const int v = CurrentVolume();
        if (v < kVolumeMax) {
            m_nVolume = std::min(std::max(v, 0) + kVolumeStep, kVolumeMax);
            m_pEngine->SetVolume(m_nVolume);
        }
        m_view.ShowVolumeLevel(m_nVolume / 10);
    }
    m_view.FocusPlaylist();
}

void CPlaybackController::OnVolumeDown() {
    if (IsOpen()) {
        const int v = CurrentVolume();
        m_nVolume = v > kVolumeStep ? v - kVolumeStep : 0;
        m_pEngine->SetVolume(m_nVolume);
        m_view.ShowVolumeLevel(m_nVolume / 10);
    }
    m_view.FocusPlaylist();
}

// ---- keys ---------------------------------------------------------------------

void CPlaybackController::SeekBy(int64_t offsetMs) {
    if (!IsOpen()) {
        return;
    }
    // libvlc takes a seek on its own thread: a key held down asks again
    // before the time it reports has moved, so steps add to the last target.
    const int64_t from = KnownTime();
    const int64_t len = m_pEngine->GetLength();
    int64_t t = std::max<int64_t>(from + offsetMs, 0);
    if (len > 0) {
        t = std::min(t, len);
    }
    m_pEngine->SetTime(t);
    ShowSeekTarget(t);
}

// libvlc does not report the time of a frame it stepped to: the controller
// counts the steps from the last time it knew.
void CPlaybackController::StepFrameForward() {
    if (m_pEngine->GetState() != Paused) {
        return;
    }
    const int64_t from = KnownTime();
    const int64_t len = m_pEngine->GetLength();
    m_pEngine->NextFrame();
    const int64_t t = from + FrameMs();
    ShowSeekTarget(len > 0 ? std::min(t, len) : t);
}

void CPlaybackController::StepFrameBack() {
    if (m_pEngine->GetState() != Paused) {
        return;
    }
    SeekBy(-FrameMs());
}

int64_t CPlaybackController::FrameMs() {
    const double fps = m_pEngine->GetFps();
    return fps > 0.0 ? std::max<int64_t>(std::llround(1000.0 / fps), 1) : kDefaultFrameMs;
}

// The time the recording is at: a seek libvlc has not reported yet counts.
int64_t CPlaybackController::KnownTime() {
    return m_llSeekTarget >= 0 ? m_llSeekTarget : m_pEngine->GetTime();
}

void CPlaybackController::ShowSeekTarget(int64_t timeMs) {
    m_llSeekTarget = timeMs;
    if (!m_view.IsSliderDragging()) {
        m_view.SetSliderValue(
            SliderValueForTime(m_view.SliderMaximum(), timeMs, m_pEngine->GetLength()));
    }
    m_view.SetElapsedText(FormatMinutesSeconds(timeMs));
    SyncTelemetryAt(static_cast<int>(timeMs / 1000));
    m_view.RedrawGraph();
}

void CPlaybackController::ApplyRate(double rate) {
    if (!IsOpen() || rate == m_dRate || !m_pEngine->SetRate(rate)) {
        return;
    }
    m_dRate = rate;
    m_view.ShowRate(rate);
}

void CPlaybackController::RateUp() {
    for (double rate : kPlaybackRates) {
        if (rate > m_dRate) {
            ApplyRate(rate);
            return;
        }
    }
}

void CPlaybackController::RateDown() {
    double slower = m_dRate;
    for (double rate : kPlaybackRates) {
        if (rate < m_dRate) {
            slower = rate;
        }
    }
    ApplyRate(slower);
}

void CPlaybackController::ResetRate() {
    ApplyRate(1.0);
}

void CPlaybackController::OnSeekPress() {
    if (m_pEngine->GetState() == Playing) {
        m_pEngine->Pause();  // the release seeks and resumes
    }
}

void CPlaybackController::OnSeekRelease() {
    m_view.FocusPlaylist();
    if (!IsOpen()) {
        return;
    }
    m_llSeekTarget = -1;
    const int64_t t =
        SeekTargetMs(m_view.SliderValue(), m_view.SliderMaximum(), m_pEngine->GetLength());
    if (t >= 0) {
        m_pEngine->SetTime(t);
    }
    m_pEngine->Play();
    RefreshPosition();
}

void CPlaybackController::OnCapture() {
    const PlayState s = m_pEngine->GetState();
    if (s == Stopped || s == NoMedia) {
        return;
    }
    const bool resume = s == Playing;
    if (resume) {
        m_pEngine->Pause();
    }

    std::error_code ec;
    std::filesystem::create_directories(m_szCaptureFolder, ec);  // a failure shows below
    const std::time_t now = m_fnNow ? m_fnNow() : std::time(nullptr);
    const std::string path = CreateCaptureFile(m_szCaptureFolder, CaptureStamp(now));
    if (!path.empty()) {
        m_view.BeginWait();
        if (m_pEngine->TakeSnapshot(path) != 0) {
            unlink(path.c_str());  // no frame: leave no empty file behind
        }
        m_view.EndWait();
    }

    if (resume) {
        m_pEngine->Play();
    }
    m_view.FocusPlaylist();
}

// ---- playlist commands ------------------------------------------------------------

void CPlaybackController::ImportPaths(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (m_fileList.AddFile(path, nullptr, UpperExtension(path)) < 0) {
            break;
        }
    }
    if (m_fileList.GetEntryCount() == 0) {
        return;
    }
    if (!IsOpen()) {
        PlayFile(Current);
    }
    m_view.FocusPlaylist();
}

void CPlaybackController::OnDropFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return;
    }
    m_bDropped = true;
    int added = 0;
    for (const std::string& path : paths) {
        const std::string ext = UpperExtension(path);
        struct stat st;
        if (!IsRecordingExtension(ext) || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
            continue;
        }
        if (m_fileList.AddFile(path, nullptr, ext) < 0) {
            break;
        }
        ++added;
    }
    if (added > 0) {
        PlayFile(Current);  // with m_bDropped set: stops what is open, starts nothing
    }
}

bool CPlaybackController::RemoveFocusedEntry() {
    if (m_view.FirstSelectedRow() < 0) {
        return false;
    }
    const int row = m_view.FocusedRow();
    if (row < 0 || row >= m_fileList.GetEntryCount()) {
        return false;
    }
    const bool wasCurrent = row == m_nCurIndex;
    if (wasCurrent && m_pEngine->GetState() != Stopped) {
        // Views first: the Stopped report of StopAndReset may start the
        // entry that follows, and its telemetry must stay.
        m_store.Clear();
        m_view.LoadGraph();
        m_view.SetMapPosition(std::string(), std::string());
        m_nMapSample = -1;
        if (IsOpen()) {
            StopAndReset();  // m_bUserStop untouched: the report advances
        }
    }

    m_fileList.RemoveEntry(row);
    const int count = m_fileList.GetEntryCount();
    if (row < count) {
        m_view.ClearRowStates(row);
    }
    if (wasCurrent) {
        m_nCurIndex = row < count ? row : std::max(count - 1, 0);
    } else if (row < m_nCurIndex) {
        --m_nCurIndex;  // keep pointing at the same recording
    }
    return true;
}

void CPlaybackController::OnRemoveEntry() {
    const PlayState before = m_pEngine->GetState();
    const int current = m_nCurIndex;
    const int focused = m_view.FocusedRow();
    const bool removed = RemoveFocusedEntry();
    if (removed) {
        m_view.MarkPlayingRow(IsOpen() ? m_nCurIndex : -1);
    }
    // Forget the held media only when it was the removed entry's, or when
    // nothing plays; a recording that plays on keeps its state.
    if (removed && (focused == current || before == Stopped || before == NoMedia)) {
        m_pEngine->SetState(NoMedia);
        m_pEngine->ClearMediaPath();
    }
    if (m_view.RowCount() > 0) {
        m_view.FocusPlaylist();
        m_view.SelectAndFocusRow(m_nCurIndex);
    } else {
        m_nCurIndex = 0;
    }
}

// ---- the engine's reports ----------------------------------------------------------

void CPlaybackController::OnPlayerEvent(int type) {
    switch (type) {
        case kEventPlaying:
            m_view.ShowVideoWindow(true);
            m_pEngine->SetState(Playing);
            m_view.EnableSlider(true);
            break;
        case kEventPaused:
            m_pEngine->SetState(Paused);
            break;
        case kEventStopped:
            OnPlayerStopped();
            break;
        case kEventTimeChanged:
            RefreshPosition();
            break;
        case kEventLengthChanged: {
            const int64_t len = m_pEngine->GetLength();
            if (len > 0 && len != m_llShownLength && IsOpen()) {
                ShowLength(len);
            }
            break;
        }
        default:
            break;  // Opening and anything else
    }
}

void CPlaybackController::OnPlayerStopped() {
    m_view.ShowVideoWindow(false);
    m_pEngine->SetState(Stopped);
    m_llSeekTarget = -1;
    m_view.ShowTitle(std::string());
    m_view.MarkPlayingRow(-1);
    m_view.LeaveFullScreen();
    m_view.SetElapsedText(FormatMinutesSeconds(0));
    // Runs inside the engine's Stop(): the next entry starts before Stop
    // returns, so the command that stopped sees the advance already done.
    if (!m_bUserStop) {
        PlayFile(Next);
    }
    m_view.SetSliderValue(0);
    m_view.EnableSlider(false);
}

// ---- the clock -------------------------------------------------------------------------

// A recording the engine gave up on ends like one played to its end, so the
// playlist moves on instead of showing Playing for ever.
bool CPlaybackController::RecordingHasEnded() {
    return m_pEngine->IsEnded() || m_pEngine->IsFailed();
}

void CPlaybackController::OnTimer(int nIdEvent) {
    // Read before the end check: the tick that stops an ended recording
    // still treats it as playing; the next tick shows the state after it.
    const PlayState s = m_pEngine->GetState();

    if (RecordingHasEnded()) {
        m_pEngine->Stop();  // its Stopped report advances to the next entry
        ResetPositionViews();
        m_view.DrawIdlePicture();
        m_view.DrawSpeedDial(kIdleSpeed, kIdleHeading);
    }

    if (nIdEvent == kClockTimer) {
        if (s != Paused) {
            m_llSeekTarget = -1;  // libvlc has taken the last seek by now
        }
        if (s != Stopped && s != NoMedia) {
            SyncTelemetry();
        }
        m_view.ShowPlayButton(s == Playing);
    }
}

int CPlaybackController::CurrentSecond() {
    if (m_pEngine->GetState() == Stopped) {
        return 0;
    }
    return static_cast<int>(KnownTime() / 1000);
}

// The map moves only when the sample changes: a paused recording, or one
// that stays within one second, costs the map nothing.
void CPlaybackController::ShowMapPosition(int sample, const std::string& latitude,
                                          const std::string& longitude) {
    if (sample == m_nMapSample) {
        return;
    }
    m_nMapSample = sample;
    m_view.SetMapPosition(latitude, longitude);
}

void CPlaybackController::SyncTelemetry() {
    SyncTelemetryAt(CurrentSecond());
}

void CPlaybackController::SyncTelemetryAt(int k) {
    m_view.SetGraphCursor(k);  // the graph ignores values out of its range
    if (k < 0 || k >= m_store.GetCount()) {
        m_view.DrawSpeedDial(kIdleSpeed, kIdleHeading);  // the map keeps what it showed
        return;
    }
    tagAssistInfo sample;
    if (m_store.GetSample(k, sample) != 0 || !HasUsablePosition(sample)) {
        return;
    }
    ShowMapPosition(k, sample.latitude, sample.longitude);
    // NaN never compares equal, so it counts as a change.
    if (sample.speed != m_view.LastSpeed() || !(sample.course == m_view.LastHeading())) {
        m_view.DrawSpeedDial(sample.speed, sample.course);
    }
}

void CPlaybackController::RefreshPosition() {
    const int64_t len = m_pEngine->GetLength();
    const int64_t t = m_pEngine->GetTime();
    // While paused (the slider's press pauses) the thumb is the user's: a
    // time report queued before the pause must not pull it back.
    if (!m_view.IsSliderDragging() && m_pEngine->GetState() != Paused) {
        m_view.SetSliderValue(SliderValueForTime(m_view.SliderMaximum(), t, len));
    }
    m_view.RedrawGraph();
    m_view.SetElapsedText(FormatMinutesSeconds(t));
}
