// The playback clock of CPlayerDlg: the three timers' end check, the sample
// of the current second on map, gauges and graph, and the position views.

#include "PlayerDlg.h"

#include <QEvent>
#include <QLabel>

#include "BitmapSlider.h"
#include "CDlgMap.h"
#include "PngButton.h"
#include "WaveFormCtrl.h"

namespace {

constexpr int kPlayImage = 152;
constexpr int kPauseImage = 167;

}  // namespace

// A recording libvlc gave up on (its Error state) ends like one played to
// its end, so the playlist moves on instead of showing Playing for ever.
bool CPlayerDlg::RecordingHasEnded() {
    return m_engine.IsEnded() || m_engine.IsFailed();
}

void CPlayerDlg::OnTimer(int nIdEvent) {
    // Read before the end check: the tick that stops an ended recording
    // still treats it as playing; the next tick shows the state after it.
    const PlayState s = m_engine.GetState();

    if (RecordingHasEnded()) {
        m_engine.Stop();  // its Stopped report advances to the next entry
        ResetPositionViews();
        DrawIdlePicture();
        DrawSpeedDial(0, 180.0);
    }

    if (nIdEvent == 1) {
        if (s != Stopped && s != NoMedia) {
            SyncTelemetry();
        }
        if (s == Playing) {
            ReadVolumeOnce();  // libvlc knows it once its audio output is up
        }
        UpdatePlayButton(s);
    }
}

void CPlayerDlg::UpdatePlayButton(PlayState s) {
    if (!m_pBtnPlay) {
        return;
    }
    const bool playing = s == Playing;
    const QString caption = playing ? QStringLiteral("Pause") : QStringLiteral("Play");
    if (m_pBtnPlay->text() != caption) {
        m_pBtnPlay->setText(caption);
        m_pBtnPlay->SetImage(playing ? kPauseImage : kPlayImage);
    }
}

int CPlayerDlg::CurrentSecond() {
    if (m_engine.GetState() == Stopped) {
        return 0;
    }
    const int64_t t = m_engine.GetTime();
    return static_cast<int>(t / 1000);
}

void CPlayerDlg::SyncTelemetry() {
    const int k = CurrentSecond();
    if (m_pGraph) {
        m_pGraph->SetCurrentIndex(k);  // the graph ignores values out of its range
    }
    if (k < 0 || k >= m_store.GetCount()) {
        DrawSpeedDial(0, 180.0);  // the map keeps what it showed
        return;
    }
    tagAssistInfo sample;
    if (m_store.GetSample(k, sample) != 0 || !HasUsablePosition(sample)) {
        return;
    }
    if (m_pDlgMap) {
        m_pDlgMap->SetLgtLat(QString::fromStdString(sample.latitude),
                             QString::fromStdString(sample.longitude), QStringLiteral("0"));
    }
    // NaN never compares equal, so it counts as a change.
    if (sample.speed != m_nLastSpeed || !(sample.course == m_dLastHeading)) {
        DrawSpeedDial(sample.speed, sample.course);
    }
}

int CPlayerDlg::SliderValueForTime(int maximum, int64_t timeMs, int64_t lengthMs) {
    if (maximum <= 0 || lengthMs <= 0 || timeMs <= 0) {
        return 0;  // no length yet, or a recording shorter than one slider step
    }
    return static_cast<int>(static_cast<int64_t>(maximum) * timeMs / lengthMs);
}

void CPlayerDlg::RefreshPosition() {
    const int64_t len = m_engine.GetLength();
    const int64_t t = m_engine.GetTime();
    // While paused (the slider's press pauses) the thumb is the user's: a
    // time report queued before the pause must not pull it back.
    if (m_pSlider && !m_pSlider->IsDragging() && m_engine.GetState() != Paused) {
        m_pSlider->SetValue(SliderValueForTime(m_pSlider->GetRangeMax(), t, len));
    }
    if (m_pGraph) {
        m_pGraph->update();
    }
    if (m_pLblElapsed) {
        m_pLblElapsed->setText(FormatMinutesSeconds(t));
    }
}
