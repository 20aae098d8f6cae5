// CPlayerDlg: construction, initialisation, settings file and teardown.

#include "PlayerDlg.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>

#include "BitmapSlider.h"
#include "CDlgMap.h"
#include "DlgVideo.h"
#include "DpiSetting.h"
#include "LayoutColumn.h"
#include "LoadPngResource.h"
#include "MyListCtrl.h"
#include "PlayerColours.h"
#include "PngButton.h"
#include "SpeedDial.h"
#include "VideoArea.h"
#include "VideoEngine.h"
#include "WaveFormCtrl.h"
#include "WinXPButtonST.h"

// Near-black window, dark grey fields, the blue-grey text colour of the map
// placeholder for disabled text.
QPalette CPlayerDlg::DarkPalette() {
    QPalette pal;
    pal.setColor(QPalette::Window, QColor(24, 26, 30));
    pal.setColor(QPalette::WindowText, QColor(214, 220, 228));
    pal.setColor(QPalette::Base, QColor(16, 18, 22));
    pal.setColor(QPalette::AlternateBase, QColor(30, 33, 38));
    pal.setColor(QPalette::Text, QColor(214, 220, 228));
    pal.setColor(QPalette::Button, QColor(40, 44, 50));
    pal.setColor(QPalette::ButtonText, QColor(214, 220, 228));
    pal.setColor(QPalette::Highlight, QColor(52, 101, 164));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::ToolTipBase, QColor(40, 44, 50));
    pal.setColor(QPalette::ToolTipText, QColor(230, 234, 240));
    pal.setColor(QPalette::PlaceholderText, kTextBlue);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, kTextBlue.darker(150));
    pal.setColor(QPalette::Disabled, QPalette::Text, kTextBlue.darker(150));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, kTextBlue.darker(150));
    return pal;
}

CPlayerDlg::CPlayerDlg(QWidget* parent)
    : QDialog(parent),
      m_controller(std::make_unique<CVideoEngine>(), *this),
      m_engine(static_cast<CVideoEngine&>(m_controller.Engine())),
      m_layout(DialogFont()) {
    m_nBarLit.fill(-1);
    setObjectName(QStringLiteral("CPlayerDlg"));
    setFont(DialogFont());
    setPalette(DarkPalette());
    setAutoFillBackground(true);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    CreateControls();

    QImage icon;
    if (LoadPngResource(128, "ICON", icon)) {
        setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    }
    LoadPngResource(193, "PNG", m_imgIdle);
    m_pGraph->SetDataSource(&m_controller.Store());

    OnInitDialog();
}

CPlayerDlg::~CPlayerDlg() {
    StopTimers();
    qApp->removeEventFilter(this);
    // The engine goes first: libvlc must stop drawing into the video window
    // and stop reporting to this window before either is destroyed.
    m_engine.Release();
    m_controller.FileList().m_pListCtrl = nullptr;
    delete m_pDlgMap;
    m_pDlgMap = nullptr;
    delete m_pDlgVideo;
    m_pDlgVideo = nullptr;
}

void CPlayerDlg::StopTimers() {
    m_timer1.stop();
    m_timer2.stop();
    m_timer3.stop();
}

QWidget* CPlayerDlg::GetDlgItem(int nId) const {
    auto it = m_controls.find(nId);
    return it == m_controls.end() ? nullptr : it->second;
}

void CPlayerDlg::Register(QWidget* control, int nId) {
    control->setObjectName(QStringLiteral("ctl%1").arg(nId));
    m_controls[nId] = control;
}

// Creates the child controls in the order the window binds them: list view,
// seek slider, graph, the image buttons, the volume buttons, then the statics.
void CPlayerDlg::CreateControls() {
    CreateColumns();
    QWidget* const video = m_pVideoColumn;
    QWidget* const side = m_pSideColumn;
    m_pListCtrl = new CMyListCtrl(m_pSideSplitter);
    Register(m_pListCtrl, IDC_PLAYLIST);
    m_pSlider = new CBitmapSlider(video);
    m_pSlider->SetControlId(IDC_SEEK);
    m_pSlider->SetNotifyTarget(this);  // its parent is the video column
    Register(m_pSlider, IDC_SEEK);
    m_pGraph = new CWaveFormCtrl(video);
    Register(m_pGraph, IDC_GRAPH);

    struct ButtonSlot {
        CPngButton** slot;
        int id;
        const char* caption;
    };
    const ButtonSlot buttons[] = {
        {&m_pBtnCycle, IDC_CYCLE, "Cycle"},
        {&m_pBtnPrev, IDC_PREV, "Prev."},
        {&m_pBtnPlay, IDC_PLAY, "Play"},
        {&m_pBtnStop, IDC_STOP, "Stop"},
        {&m_pBtnNext, IDC_NEXT, "Next."},
        {&m_pBtnFullScreen, IDC_FULLSCREEN, "FullScr"},
        {&m_pBtnCapture, IDC_CAPTURE, "Capture"},
        {&m_pBtnImport, IDC_IMPORT, ""},
        {&m_pBtnRemove, IDC_REMOVE, ""},
        {&m_pBtnPrevFrame, IDC_PREV_FRAME, "PrevF"},
        {&m_pBtnNextFrame, IDC_NEXT_FRAME, "NextF"},
    };
    for (const ButtonSlot& b : buttons) {
        *b.slot = new CPngButton(b.id == IDC_IMPORT || b.id == IDC_REMOVE ? side : video);
        (*b.slot)->setText(QString::fromLatin1(b.caption));
        Register(*b.slot, b.id);
    }
    for (CPngButton* hidden : {m_pBtnCycle, m_pBtnFullScreen, m_pBtnPrevFrame, m_pBtnNextFrame}) {
        hidden->hide();
    }

    m_pBtnVolumeDown = new CWinXPButtonST(video);
    Register(m_pBtnVolumeDown, IDC_VOLUME_DOWN);
    m_pBtnVolumeUp = new CWinXPButtonST(video);
    Register(m_pBtnVolumeUp, IDC_VOLUME_UP);

    for (int i = 0; i < 10; ++i) {
        m_pVolumeBars[i] = new QLabel(video);
        Register(m_pVolumeBars[i], IDC_VOLUME_BAR0 + i);
    }
    m_pLblElapsed = new QLabel(QStringLiteral("0:00"), video);
    Register(m_pLblElapsed, IDC_ELAPSED);
    m_pLblTotal = new QLabel(QStringLiteral("0:00"), video);
    Register(m_pLblTotal, IDC_TOTAL);
    m_pLblRate = new QLabel(video);
    m_pLblRate->setObjectName(QStringLiteral("rateLabel"));
    m_pLblRate->hide();

    m_pVideoArea = new CVideoArea(video);
    Register(m_pVideoArea, IDC_VIDEO_AREA);
    m_pMapHolder = new QLabel(QStringLiteral("Loading..."), m_pSideSplitter);
    m_pMapHolder->setFrameShape(QFrame::Box);
    m_pMapHolder->setAutoFillBackground(true);
    QPalette mapPal = m_pMapHolder->palette();
    mapPal.setColor(QPalette::Window, Qt::black);
    mapPal.setColor(QPalette::WindowText, kTextBlue);
    m_pMapHolder->setPalette(mapPal);
    Register(m_pMapHolder, IDC_MAP_HOLDER);
    m_pSpeedDial = new CSpeedDial(side);
    Register(m_pSpeedDial, IDC_SPEED_DIAL);

    m_pMenuBar = new QMenuBar(this);
    QMenu* info = m_pMenuBar->addMenu(QStringLiteral("Info"));
    QAction* about = info->addAction(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, [this] { OnCommand(ID_ABOUT); });

    m_pSideSplitter->insertWidget(0, m_pMapHolder);
    m_pSideSplitter->insertWidget(1, m_pListCtrl);
}

void CPlayerDlg::OnInitDialog() {
    connect(&m_timer2, &QTimer::timeout, this, [this] { m_controller.OnTimer(kEndCheckTimerA); });
    connect(&m_timer3, &QTimer::timeout, this, [this] { m_controller.OnTimer(kEndCheckTimerB); });
    m_timer2.start(kEndCheckPeriodMs);
    m_timer3.start(kEndCheckPeriodMs);

    setWindowTitle(QStringLiteral("PLAYER"));
    m_nDpi = DevicePixelDpi(*this);
    WriteSettings();
    m_nSpeedUnit = CSpeedDial::kUnitKmh;
    m_controller.SetCaptureFolder(CaptureFolder().toStdString());

    SetupTooltips();
    SetupButtonImages();
    m_pMapHolder->setAlignment(Qt::AlignCenter);
    PlaceControls();
    SetupPlaylist();

    connect(&m_timer1, &QTimer::timeout, this, [this] {
        m_controller.OnTimer(kClockTimer);
        UpdateVideoAspect();
    });
    m_timer1.start(kClockPeriodMs);

    SetupSeekSlider();
    CreateMapView();
    CreateVideoWindow();
    PlaceVideoWindow();
    ConnectControls();

    setAcceptDrops(true);
    qApp->installEventFilter(this);

    ShowAtSavedPlace();
}

namespace {

QString PicturesFolder() {
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty()) {
        pictures = QDir::home().filePath(QStringLiteral("Pictures"));
    }
    return pictures;
}

}  // namespace

QFont CPlayerDlg::DialogFont() {
    return QFont(QStringLiteral("DejaVu Sans"), 9);
}

QString CPlayerDlg::ConfigFilePath() {
    return QDir(PicturesFolder()).filePath(QStringLiteral("Config/config.ini"));
}

QString CPlayerDlg::CaptureFolder() {
    return QDir(PicturesFolder()).filePath(QStringLiteral("Capture"));
}

int CPlayerDlg::DevicePixelDpi(const QWidget& widget) {
    return qRound(widget.logicalDpiY() * widget.devicePixelRatioF());
}

// config.ini records the screen's DPI in [System] DPI; every other byte of
// the user's file stays as it is. Failures are silent: the player runs on.
void CPlayerDlg::WriteSettings() {
    m_szConfigPath = ConfigFilePath();
    QDir().mkpath(QFileInfo(m_szConfigPath).absolutePath());
    WriteDpiSetting(m_szConfigPath.toStdString(), m_nDpi);
}

void CPlayerDlg::SetupTooltips() {
    const std::pair<QWidget*, const char*> tips[] = {
        {m_pBtnPlay, "Play / Pause"},
        {m_pBtnStop, "Stop"},
        {m_pBtnPrev, "Prev file"},
        {m_pBtnNext, "Next file"},
        {m_pBtnCapture, "Screen Capture to 'Pictures'"},
        {m_pBtnImport, "Import files"},
        {m_pBtnRemove, "Clear play list"},
        {m_pBtnCycle, "Recycle"},
        {m_pBtnFullScreen, "Full screen"},
    };
    for (const auto& tip : tips) {
        tip.first->setToolTip(QString::fromUtf8(tip.second));
    }
}

void CPlayerDlg::SetupButtonImages() {
    const std::pair<CPngButton*, int> strips[] = {
        {m_pBtnCycle, 149},  {m_pBtnPrev, 153},       {m_pBtnPlay, 152},      {m_pBtnStop, 155},
        {m_pBtnNext, 151},   {m_pBtnFullScreen, 189}, {m_pBtnCapture, 161},   {m_pBtnImport, 164},
        {m_pBtnRemove, 162}, {m_pBtnPrevFrame, 192},  {m_pBtnNextFrame, 191},
    };
    for (const auto& strip : strips) {
        strip.first->SetImage(strip.second);
    }
    const QRgb magenta = qRgb(255, 0, 255);
    m_pBtnVolumeDown->SetFlatMode(true);
    m_pBtnVolumeDown->AssignBitmaps(211, magenta, 211, magenta);
    m_pBtnVolumeUp->SetFlatMode(true);
    m_pBtnVolumeUp->AssignBitmaps(210, magenta, 210, magenta);
}

void CPlayerDlg::SetupPlaylist() {
    m_controller.FileList().m_pListCtrl = m_pListCtrl;
}

void CPlayerDlg::SetupSeekSlider() {
    m_pSlider->SetColourChannel(qRgb(128, 128, 128), 0, m_nDpi);
    m_pSlider->SetThumbBitmaps(179, 179, true, CBitmapSlider::kTransparentFromPixel, 0, 0);
    m_pSlider->SetFocusRectFlag(false, false);
    m_pSlider->SetValueRange(0, 100, false);
    m_pSlider->SetValue(0);
    m_pSlider->setEnabled(false);
    m_pSlider->show();
}

void CPlayerDlg::CreateMapView() {
    m_pDlgMap = new CDlgMap(m_pMapHolder);
    m_pDlgMap->FixSize();
    m_pDlgMap->show();
    if (qEnvironmentVariableIsSet("VELTO_TRACE_STARTUP")) {
        connect(m_pDlgMap, &CDlgMap::pageReady, this, [] {
            fprintf(stderr, "velto-player: map page ready at %lld ms since the epoch\n",
                    static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        });
    }
}

void CPlayerDlg::CreateVideoWindow() {
    m_pDlgVideo = new CDlgVideo(this);
    m_pDlgVideo->hide();
    m_engine.SetVideoWindow(m_pDlgVideo->VideoWindowId());
    m_engine.AttachVideoWindow(m_engine.m_hVideoWnd);
    m_engine.AttachEvents(&m_controller, [this](std::function<void()> fn) {
        QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
    });
}

void CPlayerDlg::ConnectControls() {
    CPlaybackController* c = &m_controller;
    connect(m_pBtnPlay, &QPushButton::clicked, this, [c] { c->OnPlayPause(); });
    connect(m_pBtnStop, &QPushButton::clicked, this, [c] { c->OnStop(); });
    connect(m_pBtnPrev, &QPushButton::clicked, this, [c] { c->OnPrev(); });
    connect(m_pBtnNext, &QPushButton::clicked, this, [c] { c->OnNext(); });
    connect(m_pBtnCapture, &QPushButton::clicked, this, [c] { c->OnCapture(); });
    connect(m_pBtnImport, &QPushButton::clicked, this, [this] { OnImportFiles(); });
    connect(m_pBtnRemove, &QPushButton::clicked, this, [this] { OnRemoveEntry(); });
    connect(m_pBtnVolumeDown, &QPushButton::clicked, this, [c] { c->OnVolumeDown(); });
    connect(m_pBtnVolumeUp, &QPushButton::clicked, this, [c] { c->OnVolumeUp(); });
    connect(m_pListCtrl, &CMyListCtrl::rowDoubleClicked, this, [c] { c->OnListDoubleClick(); });
}
