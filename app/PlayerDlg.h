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
#include <map>

#include "FileList.h"
#include "TelemetryStore.h"
#include "VideoEngine.h"

class QLabel;
class QMenuBar;
class CBitmapSlider;
class CDlgMap;
class CDlgVideo;
class CMyListCtrl;
class CPngButton;
class CSpeedDial;
class CVideoArea;
class CWaveFormCtrl;
class CWinXPButtonST;

// Which playlist entry PlayFile plays.
enum PlayDirection { Current = 0, Next = 1, Previous = 2 };

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
constexpr int IDC_SEEK_ALT = 1023;
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
constexpr int ID_TUTORIAL_PAGE = 32775;
constexpr int ID_HOME_PAGE = 32776;
constexpr int ID_SHOP_PAGE = 32777;
constexpr int ID_ABOUT = 32778;
constexpr int ID_UNIT_MPH = 32781;
constexpr int ID_UNIT_KMH = 32789;

// The player's main window. It owns the engine, the playlist, the telemetry
// store and every control, and wires them together. Its member functions are
// split by concern over several files:
//   app/PlayerDlg.cpp            construction, initialisation, settings, teardown
//   app/PlayerDlgLayout.cpp      control placement, painting, resizing, full screen,
//                                volume bars, speed dial, command-line import
//   playback/PlayerDlgPlayback.cpp   playing entries, transport, volume, seek, engine reports
//   playback/PlayerDlgClock.cpp      timers, telemetry sync, position refresh
//   playback/PlayerDlgSnapshot.cpp   frame capture
//   app/PlayerDlgInput.cpp           keys and mouse, dropped files, import, remove, commands
class CPlayerDlg : public QDialog, public IPlayerEventSink {
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
    // Full path of config.ini: <Pictures>/Config/config.ini.
    static QString ConfigFilePath();
    // The player's dark look, for the window and (through
    // CPlayerApp::ApplyStyle) every other window of the program.
    static QPalette DarkPalette();

    // ---- app/PlayerDlgLayout.cpp -------------------------------------------
    void DrawIdlePicture();
    void DrawSpeedDial(int nSpeed, double dHeading);
    void ShowVolumeLevel(int k);
    void ToggleFullScreen();
    void ShowControls(bool bShow);
    // Imports the paths in order as the import dialog does (a negative
    // AddFile stops the loop), then plays the current entry unless one is
    // playing or paused, and focuses the playlist. Used for the command line;
    // OnImportFiles may call it with the dialog's selection.
    void ImportPaths(const QStringList& paths);
    // The rectangle where the video window goes when leaving full screen:
    // `area` shrunk to the video's proportions, centred.
    static QRect FitVideoRect(const QRect& area, int nVideoWidth, int nVideoHeight);
    // Where the idle picture of size imgW x imgH goes in a W x H area.
    static QRect FitIdleRect(int W, int H, int imgW, int imgH);
    // Dialog units to pixels with the dialog font's base units.
    QRect DialogUnitsToPixels(int x, int y, int cx, int cy) const;
    // Client area below the menu bar, in the window's coordinates.
    QRect ClientRect() const;

    // ---- playback/PlayerDlgPlayback.cpp (controller developer) -------------
    void PlayFile(PlayDirection direction);
    void StopAndReset();
    void OnPlayPause();
    void OnStop();
    void OnPrev();
    void OnNext();
    void OnListDoubleClick();
    void OnVolumeDown();
    void OnVolumeUp();
    void OnSeekRelease();
    void OnPlayerEvent(int type) override;

    // ---- playback/PlayerDlgClock.cpp (controller developer) ----------------
    void OnTimer(int nIdEvent);
    void SyncTelemetry();
    void RefreshPosition();

    // ---- playback/PlayerDlgSnapshot.cpp (controller developer) -------------
    void OnCapture();

    // ---- app/PlayerDlgInput.cpp (controller developer) ---------------------
    // Installed on the application by the initialisation: sees every event
    // of every object before it is delivered (check that `watched` is this
    // window or one of its descendants).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void OnDropFiles(const QStringList& paths);
    void OnImportFiles();
    void OnRemoveEntry();
    void OnCommand(int nId);

    // ---- controller developer: further declarations go here ----------------
    // (small in-place additions only; keep them grouped by file)
    // playback/PlayerDlgPlayback.cpp
    static QString FormatMinutesSeconds(int64_t ms);  // "%d:%02d", minutes not wrapped
    // Time (ms) a seek to slider `value` goes to, or -1 when there is no
    // length or the slider has no range (recordings shorter than 200 ms).
    static int64_t SeekTargetMs(int value, int maximum, int64_t lengthMs);
    void FocusPlaylist();
    // "Play file failed!\n" and the lock failure: a critical message box,
    // or m_fnShowError when set (tests).
    void ShowError(const QString& text);
    std::function<void(const QString&)> m_fnShowError;

    // playback/PlayerDlgClock.cpp
    static int SliderValueForTime(int maximum, int64_t timeMs, int64_t lengthMs);

    // playback/PlayerDlgSnapshot.cpp
    static QString CaptureFolder();  // <Pictures>/Capture
    // <folder>/<stamp>.JPG, or <stamp>-2.JPG, -3, ... when taken already.
    static QString CaptureFilePath(const QString& folder, const QString& stamp);

    // app/PlayerDlgInput.cpp
    static QString VideoNameFilter();  // the import dialog's filter, any letter case
    void OnSeekPress(QMouseEvent* event);
    void ToggleLockOfSelected();   // command 32774
    void SetSpeedUnit(int nUnit);  // commands 32781 (0, mph) and 32789 (1, km/h)
    void ShowAboutBox();
    // The playlist's context menu: remove, lock, speed unit.
    void BuildPlaylistMenu(class QMenu& menu);
    void ShowPlaylistMenu(const QPoint& globalPos);
    // Replaces the import dialog (tests): the selected paths, empty when cancelled.
    std::function<QStringList()> m_fnOpenFileNames;

private:
    // playback/PlayerDlgPlayback.cpp
    void ResetTelemetryViews();
    void ResetPositionViews();
    bool StepToEntry(PlayDirection direction);
    void SetUpPositionControls(double durationMs);
    void SendRouteToMap();
    void ReadVolumeOnce();
    int CurrentVolume();
    void OnPlayerStopped();
    // playback/PlayerDlgClock.cpp
    bool RecordingHasEnded();
    void UpdatePlayButton(PlayState s);
    int CurrentSecond();
    // app/PlayerDlgInput.cpp
    struct tagRemoval {
        bool bRemoved = false;
        bool bWasCurrent = false;
    };
    tagRemoval RemoveFocusedEntry();  // command 32772
    bool IsOwnWidget(QObject* object) const;
    bool HandleKeyPress(QKeyEvent* event);
    void HandleDoubleClick(QMouseEvent* event);
    bool HandleDrag(QDropEvent* event);
    void QueueDroppedFiles(const QStringList& paths);
    QStringList RunImportDialog();
    QString m_szImportDir;
    quint64 m_ulLastDblClickTime = 0;

public:
    // ---- end of controller developer's section ---------------------------

    // ---- fields --------------------------------------------------------------
    // Members are constructed in this order; the widgets are children of the
    // window and are created by the constructor in the same order.
    CVideoEngine m_engine;
    CFileList m_fileList;
    TelemetryStore m_store;
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
    CWinXPButtonST* m_pBtnVolumeDown = nullptr;  // 1026
    CWinXPButtonST* m_pBtnVolumeUp = nullptr;    // 1027
    std::array<QLabel*, 10> m_pVolumeBars{};     // 1028..1037
    QLabel* m_pLblElapsed = nullptr;             // 1061
    QLabel* m_pLblTotal = nullptr;               // 1062
    CVideoArea* m_pVideoArea = nullptr;          // 1000
    QLabel* m_pMapHolder = nullptr;              // 1002
    CSpeedDial* m_pSpeedDial = nullptr;          // 1071
    QMenuBar* m_pMenuBar = nullptr;

    // Created by the initialisation, deleted by the destructor.
    CDlgMap* m_pDlgMap = nullptr;
    CDlgVideo* m_pDlgVideo = nullptr;

    // Timers 1 (500 ms), 2 and 3 (1000 ms); each tick calls OnTimer(id).
    QTimer m_timer1;
    QTimer m_timer2;
    QTimer m_timer3;

    QImage m_imgIdle;  // PNG 193

    int32_t m_nCurIndex = 0;
    bool m_bUserStop = false;
    bool m_bDropped = false;
    int32_t m_nVolume = -1;
    int32_t m_nSpeedUnit = 0;  // 1 km/h, 0 mph; the initialisation sets 1
    bool m_bFullScreen = false;
    int32_t m_nLastSpeed = 0;
    double m_dLastHeading = 180.0;
    QRect m_rcVideoArea;  // control 1000 in the window's coordinates
    QString m_szConfigPath;
    int m_nDpi = 96;

protected:
    // ---- app/PlayerDlgLayout.cpp -------------------------------------------
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // ---- app/PlayerDlgInput.cpp (controller developer) ---------------------
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
    void PlaceControls();
    void PlaceVideoWindow();
    void RunPaintFollowUp();

    std::map<int, QWidget*> m_controls;
    std::array<int, 10> m_nBarLit{};  // what each volume bar shows: 1 lit, 0 unlit, -1 none yet
    bool m_bPaintFollowUpQueued = false;
};
