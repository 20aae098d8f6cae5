#pragma once

#include <QDialog>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <map>

#include "PlaybackController.h"
#include "PlaybackView.h"
#include "PlayerLayout.h"

class QLabel;
class QMenu;
class QMenuBar;
class QKeyEvent;
class QMouseEvent;
class QDropEvent;
class QSplitter;
class CLayoutColumn;
class CBitmapSlider;
class CDlgMap;
class CDlgVideo;
class CMyListCtrl;
class CPngButton;
class CSpeedDial;
class CVideoArea;
class CVideoEngine;
class CWaveFormCtrl;
class CWinXPButtonST;

// Control ids of the main window (each control's objectName is "ctl<id>").
constexpr int IDC_VIDEO_AREA = 1000;
constexpr int IDC_MAP_HOLDER = 1002;
constexpr int IDC_PLAYLIST = 1004;
constexpr int IDC_IMPORT = 1005;
constexpr int IDC_REMOVE = 1007;
constexpr int IDC_PLAY = 1008;
constexpr int IDC_STOP = 1009;
constexpr int IDC_PREV = 1010;
constexpr int IDC_NEXT = 1011;
constexpr int IDC_FULLSCREEN = 1012;
constexpr int IDC_CAPTURE = 1013;
constexpr int IDC_CYCLE = 1018;
constexpr int IDC_SEEK = 1020;
constexpr int IDC_GRAPH = 1021;
constexpr int IDC_PREV_FRAME = 1022;
constexpr int IDC_VOLUME_DOWN = 1026;
constexpr int IDC_VOLUME_UP = 1027;
constexpr int IDC_VOLUME_BAR0 = 1028;  // bars 1028..1037
constexpr int IDC_NEXT_FRAME = 1042;
constexpr int IDC_ELAPSED = 1061;
constexpr int IDC_TOTAL = 1062;
constexpr int IDC_SPEED_DIAL = 1071;

// Commands of the window (menu, remove button, unit switches).
constexpr int ID_REMOVE_ENTRY = 32772;
constexpr int ID_TOGGLE_LOCK = 32774;
constexpr int ID_ABOUT = 32778;
constexpr int ID_UNIT_MPH = 32781;
constexpr int ID_UNIT_KMH = 32789;

// The player's main window: the layout, the input, the menu and the wiring.
// Playback itself (the engine, the playlist, the telemetry store, the clock)
// is the CPlaybackController it owns; the window shows what the controller
// asks for through IPlaybackView. Its member functions are split over:
//   app/PlayerDlg.cpp        construction, initialisation, settings, teardown
//   app/PlayerDlgLayout.cpp  control placement, painting, resizing, full screen
//   app/PlayerDlgWindow.cpp  the window's place and splitters kept between runs
//   app/PlayerDlgView.cpp    IPlaybackView: what playback shows
//   app/PlayerDlgInput.cpp   keys and mouse, dropped files, import, commands
class CPlayerDlg : public QDialog, public IPlaybackView {
    Q_OBJECT
public:
    explicit CPlayerDlg(QWidget* parent = nullptr);
    ~CPlayerDlg() override;
    CPlayerDlg(const CPlayerDlg&) = delete;
    CPlayerDlg& operator=(const CPlayerDlg&) = delete;

    // ---- app/PlayerDlg.cpp -------------------------------------------------
    // The control with the given id, or null (hidden controls that nothing
    // binds are not created).
    QWidget* GetDlgItem(int nId) const;
    // The font the dialog units are measured in: DejaVu Sans, 9 points.
    static QFont DialogFont();
    // Full path of config.ini: <Pictures>/Config/config.ini.
    static QString ConfigFilePath();
    // <Pictures>/Capture, where snapshots go.
    static QString CaptureFolder();
    // The player's dark look, for the window and (through
    // CPlayerApp::ApplyStyle) every other window of the program.
    static QPalette DarkPalette();
    // The screen's DPI in device pixels: Qt's logical DPI times the device
    // pixel ratio (192 on a 200 % screen).
    static int DevicePixelDpi(const QWidget& widget);

    // What the window holds, for tests and benchmarks.
    CPlaybackController& Controller() { return m_controller; }
    CVideoEngine& VideoEngine() { return m_engine; }
    CDlgMap* MapView() const { return m_pDlgMap; }
    CDlgVideo* VideoWindow() const { return m_pDlgVideo; }
    CMyListCtrl* ListCtrl() const { return m_pListCtrl; }
    QMenuBar* MenuBar() const { return m_pMenuBar; }
    bool IsFullScreen() const { return m_bFullScreen; }
    QSplitter* MainSplitter() const { return m_pMainSplitter; }
    QSplitter* SideSplitter() const { return m_pSideSplitter; }
    const CPlayerLayout& Layout() const { return m_layout; }
    // The video area's rectangle in the window's coordinates.
    QRect VideoAreaRect() const { return m_rcVideoArea; }
    int SpeedUnit() const { return m_nSpeedUnit; }
    int Dpi() const { return m_nDpi; }
    const QString& ConfigPath() const { return m_szConfigPath; }
    void StopTimers();
    // Replace the message box and the import dialog (tests): the text shown;
    // the selected paths, empty when cancelled.
    void SetErrorHook(std::function<void(const QString&)> hook) { m_fnShowError = std::move(hook); }
    void SetOpenFileNamesHook(std::function<QStringList()> hook) {
        m_fnOpenFileNames = std::move(hook);
    }

    // ---- app/PlayerDlgLayout.cpp -------------------------------------------
    void ToggleFullScreen();
    void ShowControls(bool bShow);
    // Imports the paths in order as the import dialog does, then plays the
    // current entry unless one is playing or paused (the command line).
    void ImportPaths(const QStringList& paths);
    // The rectangle where the video window goes when leaving full screen:
    // `area` shrunk to the video's proportions, centred.
    static QRect FitVideoRect(const QRect& area, int nVideoWidth, int nVideoHeight);
    // Where the idle picture of size imgW x imgH goes in a W x H area.
    static QRect FitIdleRect(int W, int H, int imgW, int imgH);
    // Client area below the menu bar, in the window's coordinates (the whole
    // window in full screen, where the menu bar is hidden).
    QRect ClientRect() const;
    // The shape the video is given: the recording's width / height, 16:9
    // until a recording tells its own.
    double VideoAspect() const;

    // ---- app/PlayerDlgInput.cpp --------------------------------------------
    // Installed on the application by the initialisation: sees every event
    // of every object before it is delivered (check that `watched` is this
    // window or one of its descendants).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void OnDropFiles(const QStringList& paths);
    void OnImportFiles();
    void OnRemoveEntry();
    void OnCommand(int nId);
    static QString VideoNameFilter();  // the import dialog's filter, any letter case
    // The playlist's context menu: remove, lock, speed unit.
    void BuildPlaylistMenu(QMenu& menu);

    // ---- app/PlayerDlgView.cpp: IPlaybackView ------------------------------
    void DrawIdlePicture() override;
    void ShowVideoWindow(bool show) override;
    void LeaveFullScreen() override;
    void DrawSpeedDial(int nSpeed, double dHeading) override;
    int LastSpeed() const override { return m_nLastSpeed; }
    double LastHeading() const override { return m_dLastHeading; }
    void LoadGraph() override;
    void SetGraphCursor(int second) override;
    void RedrawGraph() override;
    void ShowRoute(const std::vector<tagRoutePoint>& route) override;
    void SetMapPosition(const std::string& latitude, const std::string& longitude) override;
    void SetSliderRange(int maximum) override;
    int SliderMaximum() const override;
    int SliderValue() const override;
    bool IsSliderDragging() const override;
    void SetSliderValue(int value) override;
    void EnableSlider(bool enable) override;
    void SetElapsedText(const std::string& text) override;
    void SetTotalText(const std::string& text) override;
    void ShowPlayButton(bool playing) override;
    void ShowVolumeLevel(int k) override;
    void ShowRate(double rate) override;
    void ShowTitle(const std::string& fileName) override;
    void MarkPlayingRow(int row) override;
    int RowCount() const override;
    void SelectRow(int row) override;
    void SelectAndFocusRow(int row) override;
    void ClearRowStates(int row) override;
    int FirstSelectedRow() const override;
    int FocusedRow() const override;
    void FocusPlaylist() override;
    void ShowError(const std::string& text) override;
    void BeginWait() override;
    void EndWait() override;

protected:
    // ---- app/PlayerDlgLayout.cpp -------------------------------------------
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

    // ---- app/PlayerDlgWindow.cpp -------------------------------------------
    // Closing (the close button, accept, reject) saves the window's place.
    void done(int result) override;

    // ---- app/PlayerDlgInput.cpp --------------------------------------------
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // ---- app/PlayerDlg.cpp ---------------------------------------------------
    void CreateControls();
    void OnInitDialog();
    void WriteSettings();
    void SetupTooltips();
    void SetupButtonImages();
    void SetupPlaylist();
    void SetupSeekSlider();
    void CreateMapView();
    void CreateVideoWindow();
    void ConnectControls();
    void Register(QWidget* control, int nId);

    // ---- app/PlayerDlgLayout.cpp -------------------------------------------
    void CreateColumns();
    void PlaceControls();
    void PlaceVideoColumn();
    void PlaceSideColumn();
    void PlaceVideoWindow();
    void UpdateVideoAspect();
    void EnterFullScreen();
    void ExitFullScreen();
    void RunPaintFollowUp();

    // ---- app/PlayerDlgWindow.cpp -------------------------------------------
    // Reads [Window] and shows the window where it was (maximised the first time).
    void ShowAtSavedPlace();
    void SaveWindowPlace();
    void ShowMaximisedOnScreen();
    static bool HasWindowManager();
    // The side column's width and the playlist's height the user chose.
    void ApplySidePanelWidth();
    void ApplyPlaylistHeight();
    void OnSplitterMoved(QSplitter* splitter);

    // ---- app/PlayerDlgInput.cpp --------------------------------------------
    bool IsOwnWidget(QObject* object) const;
    bool HandleKeyPress(QKeyEvent* event);
    void HandleSeekPress(QMouseEvent* event);
    void HandleDoubleClick(QMouseEvent* event);
    bool HandleDrag(QDropEvent* event);
    void QueueDroppedFiles(const QStringList& paths);
    QStringList RunImportDialog();
    void ToggleLockOfSelected();   // command 32774
    void SetSpeedUnit(int nUnit);  // commands 32781 (mph) and 32789 (km/h)
    void ShowAboutBox();
    void ShowPlaylistMenu(const QPoint& globalPos);
    void ShowErrorText(const QString& text);

    // ---- fields --------------------------------------------------------------
    // Playback, with the engine it owns; the engine is released first.
    CPlaybackController m_controller;
    CVideoEngine& m_engine;

    // The widgets are children of the window, created by the constructor.
    CMyListCtrl* m_pListCtrl = nullptr;          // 1004
    CBitmapSlider* m_pSlider = nullptr;          // 1020
    CWaveFormCtrl* m_pGraph = nullptr;           // 1021
    CPngButton* m_pBtnCycle = nullptr;           // 1018, hidden
    CPngButton* m_pBtnPrev = nullptr;            // 1010
    CPngButton* m_pBtnPlay = nullptr;            // 1008
    CPngButton* m_pBtnStop = nullptr;            // 1009
    CPngButton* m_pBtnNext = nullptr;            // 1011
    CPngButton* m_pBtnFullScreen = nullptr;      // 1012, hidden
    CPngButton* m_pBtnCapture = nullptr;         // 1013
    CPngButton* m_pBtnImport = nullptr;          // 1005
    CPngButton* m_pBtnRemove = nullptr;          // 1007
    CPngButton* m_pBtnPrevFrame = nullptr;       // 1022, hidden
    CPngButton* m_pBtnNextFrame = nullptr;       // 1042, hidden
    QLabel* m_pLblRate = nullptr;                // playback speed, beside 1061
    CWinXPButtonST* m_pBtnVolumeDown = nullptr;  // 1026
    CWinXPButtonST* m_pBtnVolumeUp = nullptr;    // 1027
    std::array<QLabel*, 10> m_pVolumeBars{};     // 1028..1037
    QLabel* m_pLblElapsed = nullptr;             // 1061
    QLabel* m_pLblTotal = nullptr;               // 1062
    CVideoArea* m_pVideoArea = nullptr;          // 1000
    QLabel* m_pMapHolder = nullptr;              // 1002
    CSpeedDial* m_pSpeedDial = nullptr;          // 1071
    QMenuBar* m_pMenuBar = nullptr;
    // The columns and the splitters between them.
    QSplitter* m_pMainSplitter = nullptr;
    CLayoutColumn* m_pVideoColumn = nullptr;
    CLayoutColumn* m_pSideColumn = nullptr;
    QSplitter* m_pSideSplitter = nullptr;

    // Created by the initialisation, deleted by the destructor.
    CDlgMap* m_pDlgMap = nullptr;
    CDlgVideo* m_pDlgVideo = nullptr;

    // The clock's timers (kClockTimer, kEndCheckTimerA, kEndCheckTimerB).
    QTimer m_timer1;
    QTimer m_timer2;
    QTimer m_timer3;

    QImage m_imgIdle;  // PNG 193

    int32_t m_nSpeedUnit = 0;  // CSpeedDial's unit; the initialisation sets km/h
    bool m_bFullScreen = false;
    CPlayerLayout m_layout;
    QSize m_videoSize;  // of the recording last played; empty until one is known
    // The window's place: its normal geometry, and whether it was maximised
    // before full screen.
    QRect m_rcNormal;
    bool m_bMaximisedBeforeFullScreen = false;
    bool m_bPlacingWindow = false;  // our own geometry changes are not the user's
    bool m_bPlaceSaved = false;
    int m_nSidePanelWidth = -1;  // the user's choice; -1: the default
    int m_nPlaylistHeight = -1;
    int32_t m_nLastSpeed = 0;
    double m_dLastHeading = 180.0;
    QRect m_rcVideoArea;  // control 1000 in the window's coordinates
    QString m_szConfigPath;
    int m_nDpi = 96;

    std::map<int, QWidget*> m_controls;
    std::array<int, 10> m_nBarLit{};  // what each volume bar shows: 1 lit, 0 unlit, -1 none yet
    bool m_bPaintFollowUpQueued = false;
    QString m_szImportDir;
    quint64 m_ulLastDblClickTime = 0;
    std::function<void(const QString&)> m_fnShowError;
    std::function<QStringList()> m_fnOpenFileNames;
};
