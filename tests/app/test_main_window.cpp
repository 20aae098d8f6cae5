// The real main window under Xvfb: start-up, layout, settings file, idle
// picture and full screen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "BitmapSlider.h"
#include "DialogUnits.h"
#include "DlgVideo.h"
#include "GuiTestEnvironment.h"
#include "PlayerApp.h"
#include "PlayerDlg.h"
#include "SpeedDial.h"
#include "VideoArea.h"
#include "VideoEngine.h"

namespace {

const velto::testing::GuiTestEnvironment* g_environment = nullptr;

QString ConfigPath() {
    return g_environment->HomePath() + QStringLiteral("/Pictures/Config/config.ini");
}

// A sample recording made by the samples target, or empty.
QString SampleRecording() {
    const QStringList samples = velto::testing::SampleRecordings();
    return samples.isEmpty() ? QString() : samples.first();
}

// The screen's DPI in device pixels; a run with QT_SCALE_FACTOR=2 on the
// 96 DPI test screen names the value it must be in VELTO_EXPECT_DPI (192).
int ExpectedDpi(const QWidget& window) {
    const int dpi = qRound(window.logicalDpiY() * window.devicePixelRatioF());
    const QByteArray expected = qgetenv("VELTO_EXPECT_DPI");
    if (!expected.isEmpty()) {
        EXPECT_EQ(dpi, expected.toInt())
            << "logical DPI " << window.logicalDpiY() << " ratio " << window.devicePixelRatioF();
    }
    return dpi;
}

bool IsDark(QRgb c) {
    return qRed(c) < 24 && qGreen(c) < 24 && qBlue(c) < 24;
}

// One main window for the whole program: it is expensive to start (libvlc,
// the web engine), and the layout does not change between the checks.
class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A settings file from an earlier run, with keys of its own.
        QDir().mkpath(QFileInfo(ConfigPath()).absolutePath());
        QFile ini(ConfigPath());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[System]\nDPI=144\nTheme=night\n\n[Recent]\nLast=/tmp/a.mov\n");
        ini.close();
        s_dlg = new CPlayerDlg();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(s_dlg));
        QTest::qWait(200);
    }
    static void TearDownTestSuite() {
        delete s_dlg;
        s_dlg = nullptr;
    }
    CPlayerDlg& dlg() { return *s_dlg; }
    QWidget* item(int id) { return s_dlg->GetDlgItem(id); }

    static CPlayerDlg* s_dlg;
};
CPlayerDlg* MainWindow::s_dlg = nullptr;

TEST_F(MainWindow, OpensMaximisedAsPlayer) {
    EXPECT_EQ(dlg().windowTitle(), QStringLiteral("PLAYER"));
    EXPECT_TRUE(dlg().windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(dlg().isVisible());
    EXPECT_EQ(dlg().SpeedUnit(), CSpeedDial::kUnitKmh);
    EXPECT_FALSE(dlg().IsFullScreen());
    EXPECT_EQ(dlg().VideoEngine().GetState(), NoMedia);
}

// Template places in dialog units.
struct tagPlace {
    int id, x, y, cx, cy;
    bool sizeToo;  // image buttons take the size of their picture
};
const tagPlace kPlaces[] = {
    {1000, 4, 2, 285, 176, true},    {1002, 293, 20, 205, 150, true},
    {1004, 293, 173, 205, 62, true}, {1005, 294, 0, 74, 14, false},
    {1007, 379, 0, 99, 14, false},   {1010, 95, 183, 30, 26, false},
    {1009, 127, 183, 30, 26, false}, {1008, 158, 183, 30, 26, false},
    {1011, 189, 183, 30, 26, false}, {1013, 220, 184, 30, 25, false},
    {1026, 9, 188, 17, 17, true},    {1027, 67, 188, 17, 17, true},
    {1028, 28, 192, 2, 11, true},    {1037, 64, 192, 2, 11, true},
    {1061, 11, 214, 20, 8, true},    {1062, 270, 214, 17, 8, true},
    {1020, 8, 226, 280, 9, true},    {1021, 0, 243, 285, 84, true},
    {1071, 293, 239, 205, 89, true},
};

// A control's rectangle in the window's coordinates.
QRect InWindow(const QWidget* w) {
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

// The window as the user leaves it at its smallest: no control is cut off
// and each stands exactly where the dialog-unit table puts it.
TEST_F(MainWindow, AtTheMinimumSizeEveryControlIsAtItsTablePlace) {
    const QSize minimum = dlg().minimumSize();
    const QSize table = DialogUnitsToPixels(CPlayerDlg::DialogFont(), 0, 0, 503, 331).size();
    EXPECT_EQ(minimum, table + QSize(0, dlg().ClientRect().top()));
    dlg().showNormal();
    dlg().setGeometry(QRect(QPoint(40, 30), QSize(300, 200)));  // asked for less
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg().size() == minimum; }, 2000))
        << dlg().width() << "x" << dlg().height();
    QTest::qWait(50);

    const QPoint origin = dlg().ClientRect().topLeft();
    for (const tagPlace& p : kPlaces) {
        SCOPED_TRACE(p.id);
        QWidget* w = item(p.id);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->isVisible());
        const QRect want =
            DialogUnitsToPixels(dlg().font(), p.x, p.y, p.cx, p.cy).translated(origin);
        const QRect got = InWindow(w);
        EXPECT_EQ(got.topLeft(), want.topLeft());
        if (p.sizeToo) {
            EXPECT_EQ(got.size(), want.size());
        }
        EXPECT_TRUE(dlg().rect().contains(got)) << "cut off";
    }
    EXPECT_EQ(dlg().VideoAreaRect(), InWindow(item(IDC_VIDEO_AREA)));

    // Maximised again for the checks that follow (there is no window manager
    // to carry the request out).
    dlg().setGeometry(dlg().screen()->availableGeometry());
    dlg().showMaximized();
    QTest::qWait(50);
}

// On a 1920 x 1080 screen the maximised window shows the video at least 1000
// pixels wide, in its proportions (16:9 before a recording says otherwise),
// with the map, the playlist and the gauges beside it, nothing cut off.
TEST_F(MainWindow, MaximisedOnAFullHdScreenTheVideoIsLargeAndKeepsItsShape) {
    ASSERT_EQ(dlg().screen()->geometry().size(), QSize(1920, 1080))
        << "run under a 1920x1080 screen (xvfb-run -s \"-screen 0 1920x1080x24\")";
    ASSERT_TRUE(dlg().windowState() & Qt::WindowMaximized);
    const QRect area = dlg().VideoAreaRect();
    const QRect surface = dlg().VideoWindow()->geometry();
    EXPECT_GE(surface.width(), 1000);
    EXPECT_NEAR(double(surface.width()) / surface.height(), 16.0 / 9.0, 0.01);
    EXPECT_TRUE(area.contains(surface));
    EXPECT_TRUE(surface.width() == area.width() || surface.height() == area.height());

    const QRect video = InWindow(item(IDC_VIDEO_AREA));
    for (int id : {IDC_MAP_HOLDER, IDC_PLAYLIST, IDC_SPEED_DIAL}) {
        const QRect r = InWindow(item(id));
        EXPECT_GT(r.left(), video.right()) << id << ": beside the video";
        EXPECT_GE(r.width(), DialogUnitsToPixels(dlg().font(), 0, 0, 205, 1).width()) << id;
    }
    // The graph widens with the video; the transport row stays centred under it.
    EXPECT_EQ(InWindow(item(IDC_GRAPH)).width(), video.width());  // both 285 units at the minimum
    const QRect play = InWindow(item(IDC_PLAY));
    EXPECT_GT(play.top(), video.bottom());
    EXPECT_NEAR(play.center().x() - video.center().x(),
                DialogUnitsToPixels(dlg().font(), 158 + 15 - (4 + 142), 0, 0, 0).x(), 3);
    for (const tagPlace& p : kPlaces) {
        EXPECT_TRUE(item(p.id)->isVisible()) << p.id;
        EXPECT_TRUE(dlg().rect().contains(InWindow(item(p.id)))) << p.id << " cut off";
    }
}

TEST_F(MainWindow, HiddenControlsStayHidden) {
    for (int id : {IDC_CYCLE, IDC_FULLSCREEN, IDC_PREV_FRAME, IDC_NEXT_FRAME}) {
        ASSERT_NE(item(id), nullptr) << id;
        EXPECT_FALSE(item(id)->isVisible()) << id;
    }
    for (int id : {1014, 1015, 1016, 1017, 1019, 1039, 1040, 1053}) {
        EXPECT_EQ(item(id), nullptr) << id;
    }
    EXPECT_FALSE(dlg().VideoWindow()->isVisible());  // shown once playback starts
}

TEST_F(MainWindow, TooltipsAndMenu) {
    const std::pair<int, const char*> tips[] = {
        {1008, "Play / Pause"},
        {1009, "Stop"},
        {1010, "Prev file"},
        {1011, "Next file"},
        {1005, "Import files"},
        {1007, "Clear play list"},
        {1013, "Screen Capture to 'Pictures'"},
        {1018, "Recycle"},
        {1012, "Full screen"},
    };
    for (const auto& tip : tips) {
        EXPECT_EQ(item(tip.first)->toolTip(), QString::fromUtf8(tip.second)) << tip.first;
    }
    ASSERT_NE(dlg().MenuBar(), nullptr);
    const QList<QAction*> menus = dlg().MenuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), QStringLiteral("Info"));
    ASSERT_NE(menus[0]->menu(), nullptr);
    EXPECT_EQ(menus[0]->menu()->actions().value(0)->text(), QStringLiteral("About"));
}

TEST_F(MainWindow, ConfigFileGetsTheScreenDpiAndKeepsOtherKeys) {
    EXPECT_EQ(dlg().ConfigPath(), ConfigPath());
    QSettings ini(ConfigPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value("System/DPI").toString(), QString::number(ExpectedDpi(dlg())));
    EXPECT_EQ(ini.value("System/Theme").toString(), QStringLiteral("night"));
    EXPECT_EQ(ini.value("Recent/Last").toString(), QStringLiteral("/tmp/a.mov"));
    // The seek slider's high-DPI rule takes the same value.
    EXPECT_EQ(static_cast<CBitmapSlider*>(item(IDC_SEEK))->Dpi(), ExpectedDpi(dlg()));
}

TEST_F(MainWindow, IdlePictureFillsTheVideoAreaWithoutDistortion) {
    auto* area = static_cast<CVideoArea*>(item(IDC_VIDEO_AREA));
    ASSERT_TRUE(area->IsPictureShown());
    const QRect pic = area->PictureRect();
    ASSERT_FALSE(pic.isEmpty());
    const QImage idle(QStringLiteral(":/png/193.png"));
    ASSERT_FALSE(idle.isNull());
    // Fitted: touches two opposite sides (within the truncation of the
    // fitting arithmetic), keeps the picture's proportions.
    EXPECT_TRUE(qAbs(pic.width() - area->width()) <= 1 || qAbs(pic.height() - area->height()) <= 1);
    EXPECT_NEAR(double(pic.width()) / pic.height(), double(idle.width()) / idle.height(), 0.02);
    EXPECT_NEAR(pic.center().x(), area->rect().center().x(), 1);

    const QImage shot = area->grab().toImage();
    int bright = 0;
    for (int y = pic.top() + 2; y < pic.bottom() - 2; y += 7) {
        for (int x = pic.left() + 2; x < pic.right() - 2; x += 7) {
            bright += IsDark(shot.pixel(x, y)) ? 0 : 1;
        }
    }
    EXPECT_GT(bright, 10) << "the idle picture is not drawn";
    if (pic.left() > 1) {
        EXPECT_TRUE(IsDark(shot.pixel(0, area->height() / 2)));
    }
    if (pic.top() > 1) {
        EXPECT_TRUE(IsDark(shot.pixel(area->width() / 2, 0)));
    }
}

TEST_F(MainWindow, VolumeBarsLightUpToTheLevel) {
    const QImage lit =
        QImage(QStringLiteral(":/bitmap/156.png")).convertToFormat(QImage::Format_ARGB32);
    dlg().ShowVolumeLevel(4);
    for (int i = 0; i < 10; ++i) {
        const auto* bar = static_cast<QLabel*>(item(IDC_VOLUME_BAR0 + i));
        const QImage shown = bar->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(shown == lit, i < 4) << i;
    }
    EXPECT_TRUE(item(IDC_VOLUME_DOWN)->isEnabled());
    dlg().ShowVolumeLevel(dlg().Controller().Volume() / 10);
}

TEST_F(MainWindow, FullScreenNeedsPlaybackAndFitsTheVideoWhenLeft) {
    dlg().ToggleFullScreen();  // nothing plays
    EXPECT_FALSE(dlg().IsFullScreen());
    EXPECT_TRUE(item(IDC_PLAYLIST)->isVisible());

    const QString sample = SampleRecording();
    ASSERT_FALSE(sample.isEmpty()) << "no sample recordings; build the samples target";
    dlg().ImportPaths({sample});
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg().VideoEngine().GetState() == Playing; }, 15000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg().VideoEngine().GetVideoWidth() > 0; }, 5000));
    // libvlc's Playing report has been handled: the video window is up.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg().VideoWindow()->isVisible(); }, 5000));
    // The video area takes the recording's shape once libvlc knows it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QSize v(dlg().VideoEngine().GetVideoWidth(),
                          dlg().VideoEngine().GetVideoHeight());
            return dlg().VideoAspect() == double(v.width()) / v.height();
        },
        3000));

    const QList<int> mainSizes = dlg().MainSplitter()->sizes();
    const QList<int> sideSizes = dlg().SideSplitter()->sizes();
    const QRect before = dlg().geometry();
    dlg().ToggleFullScreen();
    ASSERT_TRUE(dlg().IsFullScreen());
    // The window covers the whole screen, menu bar and controls hidden; the
    // video is fitted into it with black margins.
    const QRect screen = dlg().screen()->geometry();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg().geometry() == screen; }, 2000));
    EXPECT_TRUE(dlg().windowState() & Qt::WindowFullScreen);
    EXPECT_FALSE(dlg().MenuBar()->isVisible());
    const QRect full = dlg().VideoWindow()->geometry();
    const int vw = dlg().VideoEngine().GetVideoWidth();
    const int vh = dlg().VideoEngine().GetVideoHeight();
    EXPECT_EQ(full, CPlayerDlg::FitVideoRect(QRect(QPoint(0, 0), screen.size()), vw, vh));
    EXPECT_TRUE(full.width() == screen.width() || full.height() == screen.height());
    for (const tagPlace& p : kPlaces) {
        EXPECT_FALSE(item(p.id)->isVisible()) << p.id;
    }
    // The speed readout keeps its last values while full screen.
    const int speed = dlg().LastSpeed();
    dlg().DrawSpeedDial(99, 45.0);
    EXPECT_EQ(dlg().LastSpeed(), speed);

    dlg().ToggleFullScreen();
    EXPECT_FALSE(dlg().IsFullScreen());
    QTest::qWait(50);
    EXPECT_EQ(dlg().geometry(), before);
    EXPECT_TRUE(dlg().windowState() & Qt::WindowMaximized);
    EXPECT_EQ(dlg().MainSplitter()->sizes(), mainSizes);
    EXPECT_EQ(dlg().SideSplitter()->sizes(), sideSizes);
    EXPECT_TRUE(dlg().MenuBar()->isVisible());
    for (const tagPlace& p : kPlaces) {
        EXPECT_TRUE(item(p.id)->isVisible()) << p.id;
    }
    const QRect area = dlg().VideoAreaRect();
    const QRect fitted = dlg().VideoWindow()->geometry();
    EXPECT_TRUE(area.contains(fitted));
    EXPECT_TRUE(fitted.width() == area.width() || fitted.height() == area.height());
    EXPECT_NEAR(double(fitted.width()) / fitted.height(), double(vw) / vh, 0.02);
    EXPECT_NEAR(fitted.center().x(), area.center().x(), 1);
    EXPECT_NEAR(fitted.center().y(), area.center().y(), 1);
    // The video area takes the recording's shape: no margins left to fill.
    EXPECT_NEAR(double(area.width()) / area.height(), double(vw) / vh, 0.02);
    auto* videoArea = static_cast<CVideoArea*>(item(IDC_VIDEO_AREA));
    EXPECT_FALSE(videoArea->IsPictureShown());

    // Leaving full screen another way (the window manager, a restore
    // request) brings the controls back too; resizing that comes with going
    // full screen does not leave it.
    dlg().ToggleFullScreen();
    ASSERT_TRUE(dlg().IsFullScreen());
    dlg().resize(dlg().width() - 10, dlg().height() - 10);
    QTest::qWait(50);
    EXPECT_TRUE(dlg().IsFullScreen());
    dlg().setGeometry(before);
    dlg().showMaximized();
    QTest::qWait(50);
    EXPECT_FALSE(dlg().IsFullScreen());
    EXPECT_TRUE(item(IDC_PLAYLIST)->isVisible());
    EXPECT_TRUE(dlg().MenuBar()->isVisible());

    dlg().Controller().OnStop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg().VideoEngine().GetState() == Stopped; }, 5000));
}

// Where the user left the window and its splitters is where the next start
// puts them; a saved place off every screen is not used.
TEST_F(MainWindow, SplittersAndPlaceSurviveARestart) {
    auto first = std::make_unique<CPlayerDlg>();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first.get()));
    QTest::qWait(100);
    const auto drag = [](QSplitter* splitter, QPoint by) {
        QSplitterHandle* handle = splitter->handle(1);
        const QPoint from = handle->rect().center();
        // One move: the handle follows the mouse, so later positions would
        // count from where it went.
        QTest::mousePress(handle, Qt::LeftButton, {}, from);
        QTest::mouseMove(handle, from + by);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, from + by);
    };
    const QList<int> mainBefore = first->MainSplitter()->sizes();
    const QList<int> sideBefore = first->SideSplitter()->sizes();
    drag(first->MainSplitter(), QPoint(-150, 0));
    drag(first->SideSplitter(), QPoint(0, -60));
    const QList<int> mainSizes = first->MainSplitter()->sizes();
    const QList<int> sideSizes = first->SideSplitter()->sizes();
    ASSERT_EQ(mainSizes.value(1), mainBefore.value(1) + 150);
    ASSERT_EQ(sideSizes.value(1), sideBefore.value(1) + 60);
    first->close();
    first.reset();

    QSettings ini(ConfigPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value("Window/SidePanelWidth").toInt(), mainSizes.value(1));
    EXPECT_EQ(ini.value("Window/PlaylistHeight").toInt(), sideSizes.value(1));
    EXPECT_EQ(ini.value("Window/Maximized").toString(), QStringLiteral("1"));
    EXPECT_FALSE(ini.value("System/DPI").toString().isEmpty());

    auto second = std::make_unique<CPlayerDlg>();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(second.get()));
    QTest::qWait(100);
    EXPECT_TRUE(second->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(second->MainSplitter()->sizes(), mainSizes);
    EXPECT_EQ(second->SideSplitter()->sizes(), sideSizes);
    second.reset();

    // A normal window comes back where it was; one saved off every screen,
    // or of an absurd size, opens centred on the screen instead.
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    struct {
        const char* geometry;
        QRect want;  // empty: centred
    } const cases[] = {
        {"100,80,1000,700", QRect(100, 80, 1000, 700)},
        {"-5000,-5000,1000,700", QRect()},
        {"100,80,1000,99999", QRect()},
        {"100,80,1000", QRect()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.geometry);
        ini.setValue("Window/Geometry", QString::fromLatin1(c.geometry));
        ini.setValue("Window/Maximized", 0);
        ini.sync();
        // QSettings quotes lists: write the line as the user would.
        QFile file(ConfigPath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray text = file.readAll();
        file.close();
        text.replace(QByteArray("\"") + c.geometry + "\"", c.geometry);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();

        CPlayerDlg third;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&third));
        EXPECT_FALSE(third.windowState() & Qt::WindowMaximized);
        if (!c.want.isEmpty()) {
            EXPECT_EQ(third.geometry(), c.want);
        } else {
            EXPECT_TRUE(free.contains(third.geometry()));
            EXPECT_NEAR(third.geometry().center().x(), free.center().x(), 2);
        }
    }
}

// A first start makes the Config folder and writes the screen's DPI.
TEST_F(MainWindow, FirstStartCreatesTheSettingsFile) {
    ASSERT_TRUE(QDir(QFileInfo(ConfigPath()).absolutePath()).removeRecursively());
    auto second = std::make_unique<CPlayerDlg>();
    ASSERT_TRUE(QFileInfo::exists(ConfigPath()));
    QSettings ini(ConfigPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.childGroups(), QStringList({"System"}));
    EXPECT_EQ(ini.value("System/DPI").toString(), QString::number(ExpectedDpi(*second)));
    EXPECT_EQ(second->SpeedUnit(), CSpeedDial::kUnitKmh);
}

// Pure fitting rules: the idle picture and the video leaving full screen.
TEST(Fitting, IdlePicture) {
    struct Case {
        int W, H, iw, ih;
        QRect want;
    } cases[] = {
        {400, 200, 200, 200, QRect(100, 0, 200, 200)},  // square into wide: full height
        {200, 400, 200, 200, QRect(0, 100, 200, 200)},  // square into tall: full width
        {300, 300, 600, 300, QRect(0, 75, 300, 150)},   // wide picture into square
        {100, 100, 0, 50, QRect()},                     // broken picture: nothing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CPlayerDlg::FitIdleRect(c.W, c.H, c.iw, c.ih), c.want)
            << c.W << "x" << c.H << " " << c.iw << "x" << c.ih;
    }
}

TEST(Fitting, VideoLeavingFullScreen) {
    const QRect area(10, 20, 400, 400);
    struct Case {
        int vw, vh;
        QRect want;
    } cases[] = {
        {1920, 1080, QRect(10, 107, 400, 225)},  // 16:9: bars above and below
        {1080, 1920, QRect(97, 20, 225, 400)},   // portrait: bars left and right
        {640, 640, area},                        // same shape: unchanged
        {0, 480, QRect(210, 20, 0, 400)},        // no width: zero-wide, nothing fails
        {640, 0, QRect(10, 220, 400, 0)},        // no height: zero-high
        {0, 0, area},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CPlayerDlg::FitVideoRect(area, c.vw, c.vh), c.want) << c.vw << "x" << c.vh;
    }
}

TEST(StartUp, CommandLineKeepsRecordingsInOrder) {
    QTemporaryDir dir;
    for (const char* name : {"b.MOV", "a.mp4", "c.avi"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QStringList rejected;
    const QStringList got =
        CPlayerApp::RecordingsFromArguments({dir.filePath("b.MOV"), dir.filePath("c.avi"),
                                             dir.filePath("missing.mov"), dir.filePath("a.mp4")},
                                            &rejected);
    EXPECT_EQ(got, QStringList({dir.filePath("b.MOV"), dir.filePath("a.mp4")}));
    EXPECT_EQ(rejected, QStringList({dir.filePath("c.avi"), dir.filePath("missing.mov")}));
}

// libvlc embeds its video in an X11 window: under Wayland the player asks
// for xcb, unless the user chose a platform.
TEST(StartUp, WaylandSessionsUseXcb) {
    const QByteArray savedWayland = qgetenv("WAYLAND_DISPLAY");
    const QByteArray savedPlatform = qgetenv("QT_QPA_PLATFORM");
    struct Case {
        const char* wayland;
        const char* platform;
        const char* want;
    } cases[] = {
        {"wayland-0", nullptr, "xcb"},
        {"wayland-0", "offscreen", "offscreen"},
        {nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        c.wayland ? qputenv("WAYLAND_DISPLAY", c.wayland) : qunsetenv("WAYLAND_DISPLAY");
        c.platform ? qputenv("QT_QPA_PLATFORM", c.platform) : qunsetenv("QT_QPA_PLATFORM");
        CPlayerApp::ChoosePlatform();
        if (c.want) {
            EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray(c.want));
        } else {
            EXPECT_FALSE(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));
        }
    }
    savedWayland.isNull() ? qunsetenv("WAYLAND_DISPLAY") : qputenv("WAYLAND_DISPLAY", savedWayland);
    savedPlatform.isNull() ? qunsetenv("QT_QPA_PLATFORM")
                           : qputenv("QT_QPA_PLATFORM", savedPlatform);
}

}  // namespace

int main(int argc, char** argv) {
    const velto::testing::GuiTestEnvironment environment;
    g_environment = &environment;
    CPlayerApp::PrepareProcess();
    QApplication app(argc, argv);
    CPlayerApp::ApplyStyle(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
