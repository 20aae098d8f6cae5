// The playback controller of CPlayerDlg: playing a playlist entry from end to
// end, the transport commands, volume, seeking and the engine's reports.

#include "PlayerDlg.h"

#include <algorithm>

#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

#include "BitmapSlider.h"
#include "CDlgMap.h"
#include "DlgVideo.h"
#include "Extraction.h"
#include "MyListCtrl.h"
#include "WaveFormCtrl.h"

namespace {

constexpr int kSliderStepMs = 200;
constexpr int kVolumeStep = 10;
constexpr int kVolumeMax = 100;

bool IsOpen(PlayState s) {
    return s == Playing || s == Paused;
}

// A path libvlc could at least start reading. libvlc accepts any path when
// the media is created and only fails later, on its own threads.
bool IsReadableRecording(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    return info.exists() && !info.isDir() && info.isReadable();
}

}  // namespace

QString CPlayerDlg::FormatMinutesSeconds(int64_t ms) {
    const int m = ms > 0 ? static_cast<int>(ms / 1000) : 0;
    return QString::asprintf("%d:%02d", m / 60, m % 60);
}

void CPlayerDlg::FocusPlaylist() {
    if (m_pListCtrl) {
        m_pListCtrl->setFocus(Qt::OtherFocusReason);
    }
}

void CPlayerDlg::ShowError(const QString& text) {
    if (m_fnShowError) {
        m_fnShowError(text);
        return;
    }
    QMessageBox::critical(this, windowTitle(), text);
}

void CPlayerDlg::ResetTelemetryViews() {
    DrawIdlePicture();
    DrawSpeedDial(0, 180.0);
    if (m_pGraph) {
        m_pGraph->ClearTelemetry();  // empties the store as well
    } else {
        m_store.Clear();
    }
}

void CPlayerDlg::ResetPositionViews() {
    SyncTelemetry();
    if (m_pGraph) {
        m_pGraph->SetCurrentIndex(0);
    }
    if (m_pSlider) {
        m_pSlider->SetValue(0);
    }
    FocusPlaylist();
}

bool CPlayerDlg::StepToEntry(PlayDirection direction) {
    if (direction == Next) {
        const int n = m_pListCtrl ? m_pListCtrl->ItemCount() : m_fileList.GetEntryCount();
        if (m_nCurIndex >= n - 1) {
            return false;
        }
        if (m_pListCtrl) {
            m_pListCtrl->ClearSelectedAndFocused(m_nCurIndex);
        }
        ++m_nCurIndex;
    } else if (direction == Previous) {
        if (m_nCurIndex <= 0) {
            return false;
        }
        if (m_pListCtrl) {
            m_pListCtrl->ClearSelectedAndFocused(m_nCurIndex);
        }
        --m_nCurIndex;
    }
    return true;
}

void CPlayerDlg::SetUpPositionControls(double durationMs) {
    const int64_t d = durationMs > 0 ? static_cast<int64_t>(durationMs) : 0;
    if (m_pSlider) {
        m_pSlider->SetValueRange(0, static_cast<int>(d / kSliderStepMs), false);
    }
    if (m_pLblTotal) {
        m_pLblTotal->setText(FormatMinutesSeconds(d));
    }
}

void CPlayerDlg::SendRouteToMap() {
    if (!m_pDlgMap) {
        return;
    }
    m_pDlgMap->ClearPolyLine();
    m_pDlgMap->NewPolyLine();
    const int count = m_store.GetCount();
    tagAssistInfo sample;
    for (int i = 0; i < count; ++i) {
        if (m_store.GetSample(i, sample) == 0 && HasUsablePosition(sample)) {
            m_pDlgMap->PutMarkerToLine(QString::fromStdString(sample.latitude),
                                       QString::fromStdString(sample.longitude));
        }
    }
    m_pDlgMap->RenderPolyLine();
}

void CPlayerDlg::ReadVolumeOnce() {
    if (m_nVolume != -1) {
        return;
    }
    const int v = m_engine.GetVolume();
    if (v < 0) {
        return;  // no audio output yet: read it with the next recording
    }
    m_nVolume = v;
    m_engine.SetVolume(m_nVolume);
    ShowVolumeLevel(m_nVolume / 10);
}

void CPlayerDlg::PlayFile(PlayDirection direction) {
    const PlayState s = m_engine.GetState();

    // Files were dropped: stop what is open and let its Stopped report
    // advance to the next entry; start nothing here.
    if (m_bDropped) {
        m_bDropped = false;
        if (IsOpen(s)) {
            m_engine.Stop();
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
    if (m_fileList.GetEntryCount() == 0 || m_nCurIndex >= m_fileList.GetEntryCount() ||
        m_fileList.GetEntry(m_nCurIndex, node) != 0) {
        return;
    }

    if (IsReadableRecording(node.strFilePath) && m_engine.OpenAndPlay(node.strFilePath)) {
        SetUpPositionControls(m_engine.GetDuration());
        ReadEntryTelemetry(m_store, node);
        if (m_pGraph) {
            m_pGraph->LoadTelemetry();
        }
        SendRouteToMap();
        m_engine.Play();
        m_bUserStop = false;
        ReadVolumeOnce();
    } else {
        ShowError(QStringLiteral("Play file failed!\n"));
    }

    FocusPlaylist();
    if (m_pListCtrl) {
        m_pListCtrl->SetSelected(m_nCurIndex);
    }
}

void CPlayerDlg::StopAndReset() {
    m_engine.Stop();
    ResetPositionViews();
}

void CPlayerDlg::OnPlayPause() {
    switch (m_engine.GetState()) {
        case Playing:
            m_engine.Pause();
            break;
        case Stopped:
            PlayFile(Current);
            break;
        case NoMedia:
            // Nothing held (start, or the held entry was removed): play the
            // current entry with its telemetry rather than an empty path.
            if (m_engine.GetMediaPath().empty()) {
                PlayFile(Current);
            } else {
                m_engine.Play();
            }
            break;
        case Paused:
            m_engine.Play();
            break;
    }
    m_bUserStop = false;
    FocusPlaylist();
}

void CPlayerDlg::OnStop() {
    m_bUserStop = true;
    m_engine.Stop();
    ResetPositionViews();
}

void CPlayerDlg::OnPrev() {
    m_bUserStop = true;
    PlayFile(Previous);
    FocusPlaylist();
}

void CPlayerDlg::OnNext() {
    m_bUserStop = true;
    PlayFile(Next);
    FocusPlaylist();
}

void CPlayerDlg::OnListDoubleClick() {
    const int row = m_pListCtrl ? m_pListCtrl->FirstSelected() : -1;
    if (row < 0) {
        return;
    }
    m_nCurIndex = row;
    m_bUserStop = true;
    PlayFile(Current);
}

// The volume the steps start from: what was last given to libvlc, which
// reports a change only once its audio output has applied it (quick
// clicks would otherwise repeat the same step), else libvlc's own value.
int CPlayerDlg::CurrentVolume() {
    return m_nVolume >= 0 ? m_nVolume : m_engine.GetVolume();
}

void CPlayerDlg::OnVolumeUp() {
    if (IsOpen(m_engine.GetState())) {
        int v = CurrentVolume();
        if (v < kVolumeMax) {
            v = std::min(std::max(v, 0) + kVolumeStep, kVolumeMax);
            m_engine.SetVolume(v);
            m_nVolume = v;
        }
        ShowVolumeLevel(m_nVolume / 10);
    }
    FocusPlaylist();
}

void CPlayerDlg::OnVolumeDown() {
    if (IsOpen(m_engine.GetState())) {
        const int v = CurrentVolume();
        const int n = v > kVolumeStep ? v - kVolumeStep : 0;
        m_engine.SetVolume(n);
        m_nVolume = n;
        ShowVolumeLevel(n / 10);
    }
    FocusPlaylist();
}

int64_t CPlayerDlg::SeekTargetMs(int value, int maximum, int64_t lengthMs) {
    if (maximum <= 0 || lengthMs <= 0) {
        return -1;  // a recording shorter than one slider step, or no length yet
    }
    return static_cast<int64_t>(value) * lengthMs / maximum;
}

void CPlayerDlg::OnSeekRelease() {
    FocusPlaylist();
    if (!IsOpen(m_engine.GetState()) || !m_pSlider) {
        return;
    }
    const int64_t t =
        SeekTargetMs(m_pSlider->GetValue(), m_pSlider->GetRangeMax(), m_engine.GetLength());
    if (t >= 0) {
        m_engine.SetTime(t);
    }
    m_engine.Play();
    RefreshPosition();
}

void CPlayerDlg::OnPlayerEvent(int type) {
    switch (type) {
        case kEventPlaying:
            if (m_pDlgVideo) {
                m_pDlgVideo->show();
            }
            m_engine.SetState(Playing);
            if (m_pSlider) {
                m_pSlider->setEnabled(true);
            }
            break;
        case kEventPaused:
            m_engine.SetState(Paused);
            break;
        case kEventStopped:
            OnPlayerStopped();
            break;
        case kEventTimeChanged:
            RefreshPosition();
            break;
        default:
            break;  // Opening and anything else
    }
}

void CPlayerDlg::OnPlayerStopped() {
    if (m_pDlgVideo) {
        m_pDlgVideo->hide();
    }
    m_engine.SetState(Stopped);
    if (m_bFullScreen) {
        ToggleFullScreen();
        repaint();
    }
    if (m_pLblElapsed) {
        m_pLblElapsed->setText(QStringLiteral("0:00"));
    }
    // Runs inside the engine's Stop(): the next entry starts before Stop
    // returns, so the command that stopped sees the advance already done.
    if (!m_bUserStop) {
        PlayFile(Next);
    }
    if (m_pSlider) {
        m_pSlider->SetValue(0);
        m_pSlider->setEnabled(false);
    }
}
