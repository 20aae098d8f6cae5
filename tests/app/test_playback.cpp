// End to end: the real main window with real libvlc, the real map page and
// the sample recordings, under Xvfb. The controller's rules are checked
// without a window in tests/playback/PlaybackControllerTest.cpp; these check
// that the real engine, window and page carry them out.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPixmap>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>

#include <cmath>
#include <functional>
#include <string>
#include <utility>

#include "BitmapSlider.h"
#include "CDlgMap.h"
#include "GuiTestEnvironment.h"
#include "MyListCtrl.h"
#include "PlayerApp.h"
#include "PlayerDlg.h"
#include "PngButton.h"
#include "SliderEvent.h"
#include "SpeedDial.h"
#include "TelemetryStore.h"
#include "VideoArea.h"
#include "WaveFormCtrl.h"

namespace {

using velto::testing::SampleRecordings;
using velto::testing::WaitFor;

const velto::testing::GuiTestEnvironment* g_environment = nullptr;

QJsonObject MapState(CDlgMap* map) {
    QVariant result;
    bool done = false;
    map->page()->runJavaScript(QStringLiteral("window.__veltoState ? window.__veltoState() : ''"),
                               [&](const QVariant& value) {
                                   result = value;
                                   done = true;
                               });
    WaitFor([&] { return done; }, 5000);
    return QJsonDocument::fromJson(result.toString().toUtf8()).object();
}

// ---------------------------------------------------------------------------
// The main window with the four sample recordings.

class Playback : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_samples = SampleRecordings();
        if (s_samples.isEmpty()) {
            return;
        }
        s_dlg = new CPlayerDlg();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(s_dlg));
        // The route goes to the page once it is ready; wait for it here once.
        WaitFor([] { return s_dlg->MapView()->m_bPageReady; }, 20000);
    }
    static void TearDownTestSuite() {
        delete s_dlg;
        s_dlg = nullptr;
    }

    void SetUp() override {
        ASSERT_EQ(s_samples.size(), 4) << "no sample recordings (build the samples target)";
        ASSERT_NE(s_dlg, nullptr);
        // Back to an idle window with an empty playlist, as a user gets there:
        // stop, then remove every row.
        ctl().OnStop();
        while (ctl().FileList().GetEntryCount() > 0) {
            dlg().SelectAndFocusRow(0);
            dlg().OnRemoveEntry();
        }
        ASSERT_EQ(ctl().CurrentIndex(), 0);
        m_errors.clear();
        dlg().SetErrorHook([this](const QString& text) { m_errors << text; });
    }

    void TearDown() override {
        if (s_dlg) {
            dlg().SetErrorHook(nullptr);
        }
    }

    CPlayerDlg& dlg() { return *s_dlg; }
    CPlaybackController& ctl() { return s_dlg->Controller(); }
    IVideoEngine& engine() { return ctl().Engine(); }
    template <typename T>
    T* item(int id) {
        return static_cast<T*>(dlg().GetDlgItem(id));
    }

    void ImportSamples() { dlg().ImportPaths(s_samples); }

    bool WaitPlaying(int index, int timeoutMs = 8000) {
        return WaitFor(
            [&] {
                return ctl().CurrentIndex() == index && engine().GetState() == Playing &&
                       engine().GetTime() > 0;
            },
            timeoutMs);
    }

    // Seeks to 300 ms before the end instead of waiting the recording out.
    void SeekNearEnd() {
        const int64_t len = engine().GetLength();
        ASSERT_GT(len, 1000);
        engine().SetTime(len - 300);
    }

    tagAssistInfo SampleAt(int k) {
        tagAssistInfo s;
        ctl().Store().GetSample(k, s);
        return s;
    }

    static CPlayerDlg* s_dlg;
    static QStringList s_samples;
    QStringList m_errors;
};
CPlayerDlg* Playback::s_dlg = nullptr;
QStringList Playback::s_samples;

TEST_F(Playback, PlaysTheFirstWithItsTelemetryRouteAndPosition) {
    ImportSamples();
    ASSERT_TRUE(WaitPlaying(0));
    EXPECT_EQ(dlg().FirstSelectedRow(), 0);
    EXPECT_TRUE(item<CBitmapSlider>(IDC_SEEK)->isEnabled());
    EXPECT_EQ(item<CBitmapSlider>(IDC_SEEK)->GetRangeMax(), int(engine().GetDuration()) / 200);
    EXPECT_NE(item<QLabel>(IDC_TOTAL)->text(), "0:00");

    // The store holds the samples; the route has every usable one.
    const int count = ctl().Store().GetCount();
    ASSERT_GT(count, 0);
    EXPECT_EQ(item<CWaveFormCtrl>(IDC_GRAPH)->GetSampleCount(), count);
    int usable = 0;
    for (int i = 0; i < count; ++i) {
        usable += HasUsablePosition(SampleAt(i)) ? 1 : 0;
    }
    ASSERT_GT(usable, 0);
    ASSERT_TRUE(
        WaitFor([&] { return MapState(dlg().MapView())["polylinePoints"].toInt() == usable; }));
    EXPECT_EQ(MapState(dlg().MapView())["polylines"].toInt(), 1);

    // A few seconds in, paused so that the second cannot change under us.
    engine().SetTime(4200);
    ASSERT_TRUE(WaitFor([&] { return engine().GetTime() >= 4200; }));
    ctl().OnPlayPause();
    ASSERT_TRUE(WaitFor([&] { return engine().GetState() == Paused; }));
    QTest::qWait(700);  // at least one tick of the 500 ms clock
    const int k = int(engine().GetTime() / 1000);
    ASSERT_GE(k, 4);
    ASSERT_LT(k, count);
    const tagAssistInfo s = SampleAt(k);
    ASSERT_TRUE(HasUsablePosition(s));
    EXPECT_EQ(item<CWaveFormCtrl>(IDC_GRAPH)->GetCurrentIndex(), k);
    EXPECT_EQ(item<CSpeedDial>(IDC_SPEED_DIAL)->DrawnSpeed(), s.speed);
    EXPECT_EQ(dlg().LastHeading(), s.course);
    ASSERT_TRUE(WaitFor([&] {
        const QJsonArray marker = MapState(dlg().MapView())["marker"].toArray();
        return marker.size() == 2 &&
               std::abs(marker[0].toDouble() - std::stod(s.latitude)) < 1e-6 &&
               std::abs(marker[1].toDouble() - std::stod(s.longitude)) < 1e-6;
    }));
    EXPECT_EQ(item<CPngButton>(IDC_PLAY)->text(), "Play");  // paused
    ctl().OnPlayPause();
    ASSERT_TRUE(WaitFor([&] { return item<CPngButton>(IDC_PLAY)->text() == "Pause"; }));
}

TEST_F(Playback, AdvancesThroughAllFourOnceEachAndStopsAfterTheLast) {
    ImportSamples();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(WaitPlaying(i));
        EXPECT_GT(ctl().Store().GetCount(), 0);
        SeekNearEnd();
        if (i < 3) {
            ASSERT_TRUE(WaitFor([&] { return ctl().CurrentIndex() == i + 1; }));
        }
    }
    ASSERT_TRUE(WaitFor([&] { return engine().GetState() == Stopped; }));
    QTest::qWait(1200);  // a further tick must not start anything
    EXPECT_EQ(engine().GetState(), Stopped);
    EXPECT_EQ(ctl().CurrentIndex(), 3);
    EXPECT_TRUE(item<CVideoArea>(IDC_VIDEO_AREA)->IsPictureShown());
    EXPECT_EQ(item<QLabel>(IDC_ELAPSED)->text(), "0:00");
    EXPECT_EQ(item<CBitmapSlider>(IDC_SEEK)->GetValue(), 0);
    EXPECT_FALSE(item<CBitmapSlider>(IDC_SEEK)->isEnabled());
    EXPECT_EQ(ctl().Store().GetCount(), 0);
    EXPECT_EQ(item<CPngButton>(IDC_PLAY)->text(), "Play");
    EXPECT_TRUE(m_errors.isEmpty());
}

TEST_F(Playback, CaptureKeepsThePlayStateAndWritesAJpeg) {
    ImportSamples();
    ASSERT_TRUE(WaitPlaying(0));
    QTest::qWait(500);  // a frame on screen
    const QDir folder(CPlayerDlg::CaptureFolder());
    EXPECT_TRUE(folder.absolutePath().startsWith(g_environment->HomePath()));
    const int before = folder.exists() ? int(folder.entryList(QDir::Files).size()) : 0;

    ctl().OnCapture();
    EXPECT_EQ(engine().GetState(), Playing);
    ctl().OnPlayPause();
    ASSERT_TRUE(WaitFor([&] { return engine().GetState() == Paused; }));
    ctl().OnCapture();
    EXPECT_EQ(engine().GetState(), Paused);
    QTest::qWait(600);
    EXPECT_EQ(engine().GetState(), Paused);

    const QStringList files = folder.entryList({"*.JPG"}, QDir::Files, QDir::Name);
    ASSERT_EQ(int(files.size()), before + 2);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d(-\\d+)?\\.JPG$")
                        .match(name)
                        .hasMatch());
        QFile f(folder.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray head = f.read(3);
        EXPECT_EQ(head, QByteArray("\xFF\xD8\xFF", 3));
    }

    // Nothing open: no file.
    ctl().OnStop();
    ctl().OnCapture();
    EXPECT_EQ(int(folder.entryList({"*.JPG"}, QDir::Files).size()), before + 2);
}

TEST_F(Playback, AnUnreadableRecordingEndsLikeAnEndedOne) {
    QTemporaryDir dir;
    const QString junk = dir.filePath("JUNK.MOV");
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QByteArray bytes(256 * 1024, '\0');
        for (int i = 0; i < bytes.size(); ++i) {
            bytes[i] = char((i * 7919) >> 3);
        }
        f.write(bytes);
    }
    dlg().ImportPaths({junk, s_samples[1]});
    // libvlc opens the file and then gives up on it; the clock must not leave
    // the player showing Playing for ever: the playlist moves on.
    EXPECT_TRUE(WaitPlaying(1, 10000));
}

}  // namespace

int main(int argc, char** argv) {
    const velto::testing::GuiTestEnvironment environment;
    g_environment = &environment;
    qputenv("XDG_PICTURES_DIR", environment.HomePath().toUtf8() + "/Pictures");
    CPlayerApp::PrepareProcess();
    QApplication app(argc, argv);
    CPlayerApp::ApplyStyle(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
