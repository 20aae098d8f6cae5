// CPlayerDlg: control placement, painting, resizing, full screen, the volume
// bars, the speed readout and the command-line import.

#include <QApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>

#include "BitmapSlider.h"
#include "CDlgMap.h"
#include "DialogUnits.h"
#include "DlgVideo.h"
#include "MyListCtrl.h"
#include "PlayerDlg.h"
#include "PngButton.h"
#include "SliderEvent.h"
#include "SpeedDial.h"
#include "VideoArea.h"
#include "VideoEngine.h"
#include "WaveFormCtrl.h"
#include "WinXPButtonST.h"

namespace {

// Template position of one control, in dialog units.
struct tagControlPlace {
    int id;
    int x, y, cx, cy;
};

// The visible controls of the window; the volume bars follow a rule.
constexpr tagControlPlace kPlaces[] = {
    {IDC_VIDEO_AREA, 4, 2, 285, 176},    {IDC_MAP_HOLDER, 293, 20, 205, 150},
    {IDC_PLAYLIST, 293, 173, 205, 62},   {IDC_IMPORT, 294, 0, 74, 14},
    {IDC_REMOVE, 379, 0, 99, 14},        {IDC_PREV, 95, 183, 30, 26},
    {IDC_STOP, 127, 183, 30, 26},        {IDC_PLAY, 158, 183, 30, 26},
    {IDC_NEXT, 189, 183, 30, 26},        {IDC_CAPTURE, 220, 184, 30, 25},
    {IDC_VOLUME_DOWN, 9, 188, 17, 17},   {IDC_VOLUME_UP, 67, 188, 17, 17},
    {IDC_ELAPSED, 11, 214, 20, 8},       {IDC_TOTAL, 270, 214, 17, 8},
    {IDC_SEEK, 8, 226, 280, 9},          {IDC_GRAPH, 0, 243, 285, 84},
    {IDC_SPEED_DIAL, 293, 239, 205, 89},
};

constexpr int kVolumeBarX = 28;
constexpr int kVolumeBarStep = 4;
constexpr int kVolumeBarY = 192;
constexpr int kVolumeBarCx = 2;
constexpr int kVolumeBarCy = 11;

}  // namespace

QRect CPlayerDlg::ClientRect() const {
    const int top = m_pMenuBar ? m_pMenuBar->sizeHint().height() : 0;
    return QRect(0, top, width(), qMax(0, height() - top));
}

void CPlayerDlg::PlaceControls() {
    const QPoint origin = ClientRect().topLeft();
    m_pMenuBar->setGeometry(0, 0, width(), origin.y());
    for (const tagControlPlace& p : kPlaces) {
        if (QWidget* w = GetDlgItem(p.id)) {
            const QRect r = DialogUnitsToPixels(font(), p.x, p.y, p.cx, p.cy).translated(origin);
            // An image button took the size of one frame of its strip: it only moves.
            auto* png = qobject_cast<CPngButton*>(w);
            if (png && png->HasImage()) {
                png->move(r.topLeft());
            } else {
                w->setGeometry(r);
            }
        }
    }
    for (int i = 0; i < 10; ++i) {
        m_pVolumeBars[i]->setGeometry(DialogUnitsToPixels(font(), kVolumeBarX + kVolumeBarStep * i,
                                                          kVolumeBarY, kVolumeBarCx, kVolumeBarCy)
                                          .translated(origin));
        m_pVolumeBars[i]->setScaledContents(true);
    }
    // The hidden buttons keep their strips; they sit under the video area.
    for (QWidget* hidden :
         {static_cast<QWidget*>(m_pBtnCycle), static_cast<QWidget*>(m_pBtnFullScreen),
          static_cast<QWidget*>(m_pBtnPrevFrame), static_cast<QWidget*>(m_pBtnNextFrame)}) {
        hidden->move(origin);
    }
    m_pLblElapsed->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pLblTotal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pVideoArea->lower();
}

void CPlayerDlg::PlaceVideoWindow() {
    m_rcVideoArea = m_pVideoArea->geometry();
    if (m_pDlgVideo) {
        m_pDlgVideo->setGeometry(m_rcVideoArea);
        m_pDlgVideo->update();
    }
}

QRect CPlayerDlg::FitIdleRect(int W, int H, int imgW, int imgH) {
    if (imgW <= 0 || imgH <= 0 || W <= 0 || H <= 0) {
        return QRect();
    }
    const float r = static_cast<float>(imgW) / static_cast<float>(imgH);
    int w = static_cast<int>(H * r);
    if (w >= W) {
        w = W;
    }
    int h = static_cast<int>(w / r);
    if (h > H) {
        h = H;
        w = static_cast<int>(H * r);
    }
    return QRect((W - w) / 2, (H - h) / 2, w, h);
}

// Integer fitting of the video's proportions into `area`. Products are taken
// in 64 bits so that large sizes cannot overflow; negative sizes count as 0.
QRect CPlayerDlg::FitVideoRect(const QRect& area, int nVideoWidth, int nVideoHeight) {
    const long long vw = qMax(0, nVideoWidth);
    const long long vh = qMax(0, nVideoHeight);
    int left = area.left();
    int top = area.top();
    const int W = area.width();
    const int H = area.height();
    int w = W;
    int h = H;
    if (H * vw > W * vh) {
        h = static_cast<int>(W * vh / vw);
        top += (H - h) / 2;
    } else if (H * vw < W * vh) {
        w = static_cast<int>(H * vw / vh);
        left += (W - w) / 2;
    }
    return QRect(left, top, w, h);
}

void CPlayerDlg::ShowControls(bool bShow) {
    QWidget* const controls[] = {
        m_pVideoArea,
        m_pBtnVolumeDown,
        m_pBtnVolumeUp,
    };
    for (QWidget* w : controls) {
        w->setVisible(bShow);
    }
    for (QLabel* bar : m_pVolumeBars) {
        bar->setVisible(bShow);
    }
    QWidget* const rest[] = {
        m_pLblElapsed, m_pLblTotal,  m_pSlider,     m_pGraph,    m_pSpeedDial,
        m_pMapHolder,  m_pBtnPrev,   m_pBtnStop,    m_pBtnPlay,  m_pBtnNext,
        m_pBtnImport,  m_pBtnRemove, m_pBtnCapture, m_pListCtrl,
    };
    for (QWidget* w : rest) {
        w->setVisible(bShow);
    }
    if (m_pDlgMap) {
        m_pDlgMap->setVisible(bShow);
    }
}

void CPlayerDlg::ToggleFullScreen() {
    const PlayState s = m_engine.GetState();
    const int vw = m_engine.GetVideoWidth();
    const int vh = m_engine.GetVideoHeight();
    if (!m_pDlgVideo) {
        return;
    }
    if (!m_bFullScreen) {
        if (s != Playing) {
            return;
        }
        m_bFullScreen = true;
        ShowControls(false);
        m_pDlgVideo->setGeometry(ClientRect());
        m_pDlgVideo->raise();
        m_pDlgVideo->FillBlack();
        m_pDlgVideo->repaint();
    } else {
        m_bFullScreen = false;
        ShowControls(true);
        m_rcVideoArea = m_pVideoArea->geometry();
        m_pDlgVideo->setGeometry(FitVideoRect(m_rcVideoArea, vw, vh));
        m_pDlgVideo->update();
        m_pDlgVideo->FillBlack();
    }
    m_pListCtrl->setFocus();
}

void CPlayerDlg::ImportPaths(const QStringList& paths) {
    std::vector<std::string> list;
    list.reserve(static_cast<size_t>(paths.size()));
    for (const QString& path : paths) {
        list.push_back(path.toStdString());
    }
    m_controller.ImportPaths(list);
}

bool CPlayerDlg::event(QEvent* e) {
    if (e->type() == CSliderEvent::Moved) {
        const auto* slider = static_cast<CSliderEvent*>(e);
        if (slider->ControlId() == IDC_SEEK) {
            m_controller.OnSeekRelease();
        }
        return true;
    }
    if (e->type() == CSliderEvent::Moving) {
        return true;
    }
    return QDialog::event(e);
}

void CPlayerDlg::paintEvent(QPaintEvent* e) {
    QDialog::paintEvent(e);
    // What the window shows besides its controls is brought up to date once
    // the paint is over (controls must not be repainted from inside it).
    if (!m_bPaintFollowUpQueued) {
        m_bPaintFollowUpQueued = true;
        QTimer::singleShot(0, this, [this] { RunPaintFollowUp(); });
    }
}

void CPlayerDlg::RunPaintFollowUp() {
    m_bPaintFollowUpQueued = false;
    if (isMinimized()) {
        return;
    }
    const PlayState s = m_engine.GetState();
    if (s == NoMedia || s == Stopped) {
        if (!m_pVideoArea->IsPictureShown()) {
            DrawIdlePicture();
        }
        const bool dialCurrent = m_pSpeedDial->HasDrawing() &&
                                 m_pSpeedDial->DrawnNeedleSpeed() == m_nLastSpeed &&
                                 m_pSpeedDial->DrawnHeading() == m_dLastHeading &&
                                 m_pSpeedDial->DrawnUnit() == m_nSpeedUnit;
        if (!dialCurrent) {
            DrawSpeedDial(m_nLastSpeed, m_dLastHeading);
        }
    }
    ShowVolumeLevel(m_controller.Volume() / 10);
}

void CPlayerDlg::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (m_pMenuBar) {
        m_pMenuBar->setGeometry(0, 0, width(), ClientRect().top());
    }
    // Near the screen's width, maximising keeps the current size.
    if (QScreen* scr = screen()) {
        if (!isMaximized() && width() >= scr->geometry().width() - 80) {
            setMaximumSize(size());
        } else if (!isMaximized()) {
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
    }
    if (!m_pDlgVideo) {
        return;
    }
    if (m_bFullScreen) {
        ToggleFullScreen();
    } else {
        PlaceVideoWindow();
    }
    DrawSpeedDial(m_nLastSpeed, m_dLastHeading);
}
