// CPlayerDlg as the playback controller's view: what playback shows in the
// window's controls.

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>

#include "BitmapSlider.h"
#include "CDlgMap.h"
#include "DlgVideo.h"
#include "LoadPngResource.h"
#include "MyListCtrl.h"
#include "PlayerDlg.h"
#include "PngButton.h"
#include "SpeedDial.h"
#include "VideoArea.h"
#include "WaveFormCtrl.h"
#include "WinXPButtonST.h"

namespace {

constexpr int kPlayImage = 152;
constexpr int kPauseImage = 167;

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPixmap BitmapOf(int id) {
    QImage image;
    LoadPngResource(id, "BITMAP", image);
    return QPixmap::fromImage(image);
}

}  // namespace

void CPlayerDlg::DrawIdlePicture() {
    m_pVideoArea->ShowPicture(m_imgIdle);
}

// The idle picture stays for as long as nothing plays: once a recording
// plays, the margins the video leaves in the area are black.
void CPlayerDlg::ShowVideoWindow(bool show) {
    if (!m_pDlgVideo) {
        return;
    }
    if (show) {
        m_pVideoArea->ClearPicture();
        m_pDlgVideo->show();
    } else {
        m_pDlgVideo->hide();
    }
}

void CPlayerDlg::LeaveFullScreen() {
    if (m_bFullScreen) {
        ToggleFullScreen();
        repaint();
    }
}

void CPlayerDlg::DrawSpeedDial(int nSpeed, double dHeading) {
    if (m_bFullScreen) {
        return;
    }
    m_nLastSpeed = m_pSpeedDial->Draw(nSpeed, dHeading, m_nSpeedUnit);
    m_dLastHeading = dHeading;
}

void CPlayerDlg::LoadGraph() {
    m_pGraph->LoadTelemetry();
}

void CPlayerDlg::SetGraphCursor(int second) {
    if (m_pGraph->GetCurrentIndex() != second) {
        m_pGraph->SetCurrentIndex(second);
    }
}

void CPlayerDlg::RedrawGraph() {
    m_pGraph->update();
}

void CPlayerDlg::ShowRoute(const std::vector<tagRoutePoint>& route) {
    if (!m_pDlgMap) {
        return;
    }
    m_pDlgMap->ClearPolyLine();
    m_pDlgMap->NewPolyLine();
    for (const tagRoutePoint& point : route) {
        m_pDlgMap->PutMarkerToLine(FromUtf8(point.latitude), FromUtf8(point.longitude));
    }
    m_pDlgMap->RenderPolyLine();
}

// The speed argument of the page's position call is always "0"; a cleared
// position sends three empty texts.
void CPlayerDlg::SetMapPosition(const std::string& latitude, const std::string& longitude) {
    if (!m_pDlgMap) {
        return;
    }
    const bool clear = latitude.empty() && longitude.empty();
    m_pDlgMap->SetLgtLat(FromUtf8(latitude), FromUtf8(longitude),
                         clear ? QString() : QStringLiteral("0"));
}

void CPlayerDlg::SetSliderRange(int maximum) {
    m_pSlider->SetValueRange(0, maximum, false);
}

int CPlayerDlg::SliderMaximum() const {
    return m_pSlider->GetRangeMax();
}

int CPlayerDlg::SliderValue() const {
    return m_pSlider->GetValue();
}

bool CPlayerDlg::IsSliderDragging() const {
    return m_pSlider->IsDragging();
}

void CPlayerDlg::SetSliderValue(int value) {
    m_pSlider->SetValue(value);
}

void CPlayerDlg::EnableSlider(bool enable) {
    m_pSlider->setEnabled(enable);
}

void CPlayerDlg::SetElapsedText(const std::string& text) {
    m_pLblElapsed->setText(FromUtf8(text));
}

void CPlayerDlg::SetTotalText(const std::string& text) {
    m_pLblTotal->setText(FromUtf8(text));
}

// The caption and image change only when the caption is not the one wanted.
void CPlayerDlg::ShowPlayButton(bool playing) {
    const QString caption = playing ? QStringLiteral("Pause") : QStringLiteral("Play");
    if (m_pBtnPlay->text() != caption) {
        m_pBtnPlay->setText(caption);
        m_pBtnPlay->SetImage(playing ? kPauseImage : kPlayImage);
    }
}

void CPlayerDlg::ShowVolumeLevel(int k) {
    static const QPixmap lit = BitmapOf(156);
    static const QPixmap unlit = BitmapOf(157);
    for (int i = 0; i < 10; ++i) {
        const int want = i < k ? 1 : 0;
        if (m_nBarLit[i] != want) {
            m_nBarLit[i] = want;
            m_pVolumeBars[i]->setPixmap(want ? lit : unlit);
        }
    }
    m_pBtnVolumeDown->setEnabled(true);
    m_pBtnVolumeUp->setEnabled(true);
}

// "1.5x" beside the elapsed time; nothing at normal speed.
void CPlayerDlg::ShowRate(double rate) {
    if (rate == 1.0) {
        m_pLblRate->hide();
        return;
    }
    m_pLblRate->setText(QString::number(rate) + QLatin1Char('x'));
    m_pLblRate->show();
}

void CPlayerDlg::ShowTitle(const std::string& fileName) {
    setWindowTitle(fileName.empty() ? QStringLiteral("PLAYER")
                                    : QStringLiteral("PLAYER - ") + FromUtf8(fileName));
}

void CPlayerDlg::MarkPlayingRow(int row) {
    m_pListCtrl->SetPlayingRow(row);
}

int CPlayerDlg::RowCount() const {
    return m_pListCtrl->ItemCount();
}

void CPlayerDlg::SelectRow(int row) {
    m_pListCtrl->SelectRow(row);
}

void CPlayerDlg::SelectAndFocusRow(int row) {
    m_pListCtrl->SetSelected(row);
}

void CPlayerDlg::ClearRowStates(int row) {
    m_pListCtrl->ClearSelectedAndFocused(row);
}

int CPlayerDlg::FirstSelectedRow() const {
    return m_pListCtrl->FirstSelected();
}

int CPlayerDlg::FocusedRow() const {
    return m_pListCtrl->FocusedRow();
}

void CPlayerDlg::FocusPlaylist() {
    m_pListCtrl->setFocus(Qt::OtherFocusReason);
}

void CPlayerDlg::ShowError(const std::string& text) {
    ShowErrorText(FromUtf8(text));
}

// "Play file failed!\n" and the lock failure: a critical message box, or
// the test's hook when one is set.
void CPlayerDlg::ShowErrorText(const QString& text) {
    if (m_fnShowError) {
        m_fnShowError(text);
        return;
    }
    QMessageBox::critical(this, windowTitle(), text);
}

void CPlayerDlg::BeginWait() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CPlayerDlg::EndWait() {
    QApplication::restoreOverrideCursor();
}
