// The real main window under Xvfb: start-up, layout, settings file, idle
// picture and full screen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "BitmapSlider.h"
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

// Template places in dialog units. Positions are checked against the scale
// that the video area gives, so the proportions of the template must hold.
struct tagPlace {
    int id, x, y, cx, cy;
    bool sizeToo;  // image buttons take the size of their picture
};
const tagPlace kPlaces[] = {
    {1002, 293, 20, 205, 150, true}, {1004, 293, 173, 205, 62, true},
    {1005, 294, 0, 74, 14, false},   {1007, 379, 0, 99, 14, false},
    {1010, 95, 183, 30, 26, false},  {1009, 127, 183, 30, 26, false},
    {1008, 158, 183, 30, 26, false}, {1011, 189, 183, 30, 26, false},
    {1013, 220, 184, 30, 25, false}, {1026, 9, 188, 17, 17, false},
    {1027, 67, 188, 17, 17, false},  {1028, 28, 192, 2, 11, true},
    {1037, 64, 192, 2, 11, true},    {1061, 11, 214, 20, 8, true},
    {1062, 270, 214, 17, 8, true},   {1020, 8, 226, 280, 9, true},
    {1021, 0, 243, 285, 84, true},   {1071, 293, 239, 205, 89, true},
};

TEST_F(MainWindow, VisibleControlsSitAtTheirTemplatePlaces) {
    const QRect video = item(IDC_VIDEO_AREA)->geometry();
    ASSERT_GT(video.width(), 285);  // at least one pixel per dialog unit
    const double sx = video.width() / 285.0;
    const double sy = video.height() / 176.0;
    const QPoint origin(video.left() - qRound(4 * sx), video.top() - qRound(2 * sy));
    EXPECT_GE(origin.y(), 0);
    for (const tagPlace& p : kPlaces) {
        SCOPED_TRACE(p.id);
        QWidget* w = item(p.id);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->isVisible());
        EXPECT_NEAR(w->x() - origin.x(), p.x * sx, 2.0);
        EXPECT_NEAR(w->y() - origin.y(), p.y * sy, 2.0);
        if (p.sizeToo) {
            EXPECT_NEAR(w->width(), p.cx * sx, 2.0);
            EXPECT_NEAR(w->height(), p.cy * sy, 2.0);
        }
    }
    // The controls stay inside the window and the video window covers the video area.
    for (const tagPlace& p : kPlaces) {
        EXPECT_TRUE(dlg().rect().contains(item(p.id)->geometry())) << p.id;
    }
    EXPECT_EQ(dlg().VideoWindow()->geometry(), video);
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
    // Fitted: touches two opposite sides, keeps the picture's proportions.
    EXPECT_TRUE(pic.width() == area->width() || pic.height() == area->height());
    EXPECT_NEAR(double(pic.width()) / pic.height(), double(idle.width()) / idle.height(), 0.02);
    EXPECT_EQ(pic.center().x(), area->rect().center().x());

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

    dlg().ToggleFullScreen();
    ASSERT_TRUE(dlg().IsFullScreen());
    EXPECT_EQ(dlg().VideoWindow()->geometry(), dlg().ClientRect());
    for (const tagPlace& p : kPlaces) {
        EXPECT_FALSE(item(p.id)->isVisible()) << p.id;
    }
    // The speed readout keeps its last values while full screen.
    const int speed = dlg().LastSpeed();
    dlg().DrawSpeedDial(99, 45.0);
    EXPECT_EQ(dlg().LastSpeed(), speed);

    dlg().ToggleFullScreen();
    EXPECT_FALSE(dlg().IsFullScreen());
    for (const tagPlace& p : kPlaces) {
        EXPECT_TRUE(item(p.id)->isVisible()) << p.id;
    }
    const QRect area = item(IDC_VIDEO_AREA)->geometry();
    const QRect fitted = dlg().VideoWindow()->geometry();
    const int vw = dlg().VideoEngine().GetVideoWidth();
    const int vh = dlg().VideoEngine().GetVideoHeight();
    EXPECT_TRUE(area.contains(fitted));
    EXPECT_TRUE(fitted.width() == area.width() || fitted.height() == area.height());
    EXPECT_NEAR(double(fitted.width()) / fitted.height(), double(vw) / vh, 0.02);
    EXPECT_NEAR(fitted.center().x(), area.center().x(), 1);
    EXPECT_NEAR(fitted.center().y(), area.center().y(), 1);
    // The margins the video leaves are black: the idle picture went when
    // the recording started playing.
    auto* videoArea = static_cast<CVideoArea*>(item(IDC_VIDEO_AREA));
    EXPECT_FALSE(videoArea->IsPictureShown());
    ASSERT_TRUE(fitted.top() > area.top() + 2 || fitted.left() > area.left() + 2);
    const QImage margins = videoArea->grab().toImage();
    const QPoint margin = fitted.top() > area.top() + 2
                              ? QPoint(area.width() / 2, (fitted.top() - area.top()) / 2)
                              : QPoint((fitted.left() - area.left()) / 2, area.height() / 2);
    for (int dx : {-40, 0, 40}) {
        EXPECT_TRUE(IsDark(margins.pixel(margin + QPoint(dx, 0)))) << dx;
    }

    // Any resizing of the window leaves full screen; the video covers the area again.
    dlg().ToggleFullScreen();
    ASSERT_TRUE(dlg().IsFullScreen());
    dlg().resize(dlg().width() - 10, dlg().height() - 10);
    QTest::qWait(50);
    EXPECT_FALSE(dlg().IsFullScreen());
    EXPECT_TRUE(item(IDC_PLAYLIST)->isVisible());

    dlg().Controller().OnStop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg().VideoEngine().GetState() == Stopped; }, 5000));
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
