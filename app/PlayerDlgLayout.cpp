// CPlayerDlg: the columns and their splitters, control placement, painting,
// resizing, full screen and the command-line import.

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QSplitter>
#include <QTimer>

#include "BitmapSlider.h"
#include "CDlgMap.h"
#include "DlgVideo.h"
#include "LayoutColumn.h"
#include "MyListCtrl.h"
#include "PlayerDlg.h"
#include "PngButton.h"
#include "SliderEvent.h"
#include "SpeedDial.h"
#include "VideoArea.h"
#include "VideoEngine.h"
#include "WaveFormCtrl.h"
#include "WinXPButtonST.h"

// The window below the menu bar is a horizontal splitter: the video column
// and the side column; in the side column a vertical splitter holds the map
// above the playlist. Each column places its own controls (CPlayerLayout)
// whenever it changes size.
void CPlayerDlg::CreateColumns() {
    m_pMainSplitter = new QSplitter(Qt::Horizontal, this);
    m_pMainSplitter->setObjectName(QStringLiteral("mainSplitter"));
    m_pMainSplitter->setChildrenCollapsible(false);
    m_pMainSplitter->setOpaqueResize(true);
    m_pVideoColumn = new CLayoutColumn;
    m_pVideoColumn->setObjectName(QStringLiteral("videoColumn"));
    m_pSideColumn = new CLayoutColumn;
    m_pSideColumn->setObjectName(QStringLiteral("sideColumn"));
    m_pMainSplitter->addWidget(m_pVideoColumn);
    m_pMainSplitter->addWidget(m_pSideColumn);
    // The video column takes what the window gains; the side column keeps
    // the width the user gave it.
    m_pMainSplitter->setStretchFactor(0, 1);
    m_pMainSplitter->setStretchFactor(1, 0);
    m_pMainSplitter->setHandleWidth(m_layout.MainHandleWidth());
    const int minHeight = m_layout.MinimumClientSize().height();
    m_pVideoColumn->setMinimumSize(m_layout.VideoColumnMinWidth(), minHeight);
    m_pSideColumn->setMinimumSize(m_layout.SideColumnMinWidth(), minHeight);

    m_pSideSplitter = new QSplitter(Qt::Vertical, m_pSideColumn);
    m_pSideSplitter->setObjectName(QStringLiteral("sideSplitter"));
    m_pSideSplitter->setChildrenCollapsible(false);
    m_pSideSplitter->setHandleWidth(m_layout.SideHandleWidth());

    connect(m_pMainSplitter, &QSplitter::splitterMoved, this,
            [this] { OnSplitterMoved(m_pMainSplitter); });
    connect(m_pSideSplitter, &QSplitter::splitterMoved, this,
            [this] { OnSplitterMoved(m_pSideSplitter); });
    m_pVideoColumn->SetPlacer([this] { PlaceVideoColumn(); });
    m_pSideColumn->SetPlacer([this] { PlaceSideColumn(); });
}

QRect CPlayerDlg::ClientRect() const {
    if (m_bFullScreen) {
        return rect();
    }
    const int top = m_pMenuBar ? m_pMenuBar->sizeHint().height() : 0;
    return QRect(0, top, width(), qMax(0, height() - top));
}

double CPlayerDlg::VideoAspect() const {
    if (m_videoSize.width() > 0 && m_videoSize.height() > 0) {
        return double(m_videoSize.width()) / m_videoSize.height();
    }
    return CPlayerLayout::kDefaultAspect;
}

void CPlayerDlg::PlaceControls() {
    const QRect client = ClientRect();
    // Never larger than the screen's free area: on a smaller screen the
    // window fits it, and the layout's right and bottom edges lie beyond.
    QSize minimum = m_layout.MinimumClientSize() + QSize(0, client.top());
    if (const QScreen* scr = screen()) {
        minimum = minimum.boundedTo(scr->availableGeometry().size());
    }
    setMinimumSize(minimum);
    if (m_bFullScreen) {
        return;
    }
    m_pMenuBar->setGeometry(0, 0, width(), client.top());
    m_pMainSplitter->setGeometry(client);
    m_pMapHolder->setMinimumSize(m_layout.DialogRect(IDC_MAP_HOLDER).size());
    m_pListCtrl->setMinimumSize(m_layout.DialogRect(IDC_PLAYLIST).size());
    ApplySidePanelWidth();
    m_pLblElapsed->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pLblTotal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pLblRate->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

namespace {

// An image button keeps the size of one frame of its strip: it only moves.
void Place(QWidget* w, const QRect& r) {
    auto* png = qobject_cast<CPngButton*>(w);
    if (png && png->HasImage()) {
        png->move(r.topLeft());
    } else {
        w->setGeometry(r);
    }
}

}  // namespace

void CPlayerDlg::PlaceVideoColumn() {
    if (!m_pVideoArea) {
        return;
    }
    const std::map<int, QRect> rects = m_layout.VideoColumn(m_pVideoColumn->size(), VideoAspect());
    for (const auto& [id, r] : rects) {
        if (QWidget* w = id == kLayoutRateLabel ? m_pLblRate : GetDlgItem(id)) {
            Place(w, r);
        }
        if (id >= IDC_VOLUME_BAR0 && id < IDC_VOLUME_BAR0 + 10) {
            m_pVolumeBars[id - IDC_VOLUME_BAR0]->setScaledContents(true);
        }
    }
    // The hidden buttons keep their strips; they sit under the video area.
    for (QWidget* hidden :
         {static_cast<QWidget*>(m_pBtnCycle), static_cast<QWidget*>(m_pBtnFullScreen),
          static_cast<QWidget*>(m_pBtnPrevFrame), static_cast<QWidget*>(m_pBtnNextFrame)}) {
        hidden->move(m_pVideoArea->pos());
    }
    m_pVideoArea->lower();
    PlaceVideoWindow();
}

void CPlayerDlg::PlaceSideColumn() {
    if (!m_pSpeedDial) {
        return;
    }
    const std::map<int, QRect> rects = m_layout.SideColumn(m_pSideColumn->size());
    for (const auto& [id, r] : rects) {
        if (QWidget* w = id == kLayoutSideSplitter ? m_pSideSplitter : GetDlgItem(id)) {
            Place(w, r);
        }
    }
    ApplyPlaylistHeight();
}

// The video window over the video area, in the video's proportions; in full
// screen over the whole window. The margins it leaves are black.
void CPlayerDlg::PlaceVideoWindow() {
    if (m_pVideoArea) {
        m_rcVideoArea = QRect(m_pVideoArea->mapTo(this, QPoint(0, 0)), m_pVideoArea->size());
    }
    if (!m_pDlgVideo) {
        return;
    }
    const QSize shape = m_videoSize.isEmpty() ? QSize(16, 9) : m_videoSize;
    const QRect area = m_bFullScreen ? rect() : m_rcVideoArea;
    const QRect fitted = FitVideoRect(area, shape.width(), shape.height());
    if (m_pDlgVideo->geometry() != fitted) {
        m_pDlgVideo->setGeometry(fitted);
        m_pDlgVideo->update();
    }
}

// The recording's size becomes known a little after it starts playing; the
// video area then takes its shape.
void CPlayerDlg::UpdateVideoAspect() {
    const PlayState s = m_engine.GetState();
    if (s != Playing && s != Paused) {
        return;
    }
    const QSize size(m_engine.GetVideoWidth(), m_engine.GetVideoHeight());
    if (size.isEmpty() || size == m_videoSize) {
        return;
    }
    m_videoSize = size;
    PlaceVideoColumn();
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

// Every control but the video lives in the menu bar and the two columns.
void CPlayerDlg::ShowControls(bool bShow) {
    m_pMenuBar->setVisible(bShow);
    m_pMainSplitter->setVisible(bShow);
}

void CPlayerDlg::ToggleFullScreen() {
    if (!m_pDlgVideo) {
        return;
    }
    if (!m_bFullScreen) {
        if (m_engine.GetState() != Playing) {
            return;
        }
        EnterFullScreen();
    } else {
        ExitFullScreen();
    }
    m_pListCtrl->setFocus();
}

// The window itself goes full screen; the video window is fitted into it.
void CPlayerDlg::EnterFullScreen() {
    m_bMaximisedBeforeFullScreen = isMaximized();
    m_bFullScreen = true;
    ShowControls(false);
    m_bPlacingWindow = true;
    // Without a window manager nobody carries the request out: the window
    // takes the screen itself (before the request: a geometry set on a
    // full-screen window would take the state away again).
    if (QScreen* scr = screen(); scr && !HasWindowManager()) {
        setGeometry(scr->geometry());
    }
    showFullScreen();
    m_bPlacingWindow = false;
    PlaceVideoWindow();
    m_pDlgVideo->raise();
    m_pDlgVideo->FillBlack();
    update();
}

// Back to the window as it was: maximised or at its normal geometry, with the
// splitters where they were.
void CPlayerDlg::ExitFullScreen() {
    m_bFullScreen = false;
    m_bPlacingWindow = true;
    if (windowState() & Qt::WindowFullScreen) {
        if (m_bMaximisedBeforeFullScreen) {
            ShowMaximisedOnScreen();
        } else {
            if (m_rcNormal.isValid()) {
                setGeometry(m_rcNormal);
            }
            showNormal();
        }
    }
    m_bPlacingWindow = false;
    ShowControls(true);
    PlaceControls();
    PlaceVideoWindow();
    m_pDlgVideo->FillBlack();
    update();
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
    if (m_bFullScreen) {
        QPainter(this).fillRect(rect(), Qt::black);  // the margins around the video
    }
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

// A full-screen window is resized by going full screen: the video follows
// the window and full screen stays.
void CPlayerDlg::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (!m_bPlacingWindow && windowState() == Qt::WindowNoState && isVisible()) {
        m_rcNormal = geometry();
    }
    if (!m_pDlgVideo) {
        return;
    }
    PlaceControls();
    PlaceVideoWindow();
    DrawSpeedDial(m_nLastSpeed, m_dLastHeading);
}

void CPlayerDlg::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    if (!m_bPlacingWindow && windowState() == Qt::WindowNoState && isVisible()) {
        m_rcNormal = geometry();
    }
}

// Leaving full screen by other means (the window manager, a maximise or
// restore request) brings the controls back as well.
void CPlayerDlg::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && m_bFullScreen && !m_bPlacingWindow &&
        !(windowState() & Qt::WindowFullScreen)) {
        ExitFullScreen();
    }
}
