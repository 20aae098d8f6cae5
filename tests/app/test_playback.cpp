// The playback controller, clock and capture of the real main window: real
// libvlc, the real map page, the sample recordings, under Xvfb.

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

bool SamePixmap(const QPixmap& a, const char* resource) {
    return !a.isNull() && a.toImage() == QPixmap(QString::fromLatin1(resource)).toImage();
}

int LitBars(CPlayerDlg& dlg) {
    int lit = 0;
    for (QLabel* bar : dlg.m_pVolumeBars) {
        lit += SamePixmap(bar->pixmap(), ":/bitmap/156.png") ? 1 : 0;
    }
    return lit;
}

// ---------------------------------------------------------------------------
// Arithmetic of the position views, without a window.

TEST(PositionArithmetic, SliderValueForTime) {
    struct {
        int max;
        int64_t t, len;
        int want;
    } const cases[] = {
        {75, 7500, 15000, 37},   // half way
        {75, 15000, 15000, 75},  // the end
        {75, 0, 15000, 0},
        {0, 100, 150, 0},  // shorter than one slider step: no division by zero
        {75, 5000, 0, 0},  // length not known yet
        {75, -1, 15000, 0},
        {18000, 3599999, 3600000, 17999},  // an hour, 64-bit product
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CPlayerDlg::SliderValueForTime(c.max, c.t, c.len), c.want)
            << c.max << " " << c.t << " " << c.len;
    }
}

TEST(PositionArithmetic, SeekTarget) {
    EXPECT_EQ(CPlayerDlg::SeekTargetMs(37, 75, 15000), 7400);
    EXPECT_EQ(CPlayerDlg::SeekTargetMs(18000, 18000, 3600000), 3600000);
    EXPECT_EQ(CPlayerDlg::SeekTargetMs(0, 0, 150), -1);  // slider without range
    EXPECT_EQ(CPlayerDlg::SeekTargetMs(10, 75, 0), -1);  // no length yet
    EXPECT_EQ(CPlayerDlg::SeekTargetMs(10, 75, -1), -1);
}

TEST(PositionArithmetic, MinutesAndSeconds) {
    EXPECT_EQ(CPlayerDlg::FormatMinutesSeconds(0), "0:00");
    EXPECT_EQ(CPlayerDlg::FormatMinutesSeconds(999), "0:00");
    EXPECT_EQ(CPlayerDlg::FormatMinutesSeconds(15040), "0:15");
    EXPECT_EQ(CPlayerDlg::FormatMinutesSeconds((75 * 60 + 3) * 1000), "75:03");
    EXPECT_EQ(CPlayerDlg::FormatMinutesSeconds(-1), "0:00");
}

TEST(CaptureName, SecondCaptureInTheSameSecondGetsASuffix) {
    QTemporaryDir dir;
    const QString stamp = QStringLiteral("2019-03-05-14-07-09");
    const QString first = CPlayerDlg::CaptureFilePath(dir.path(), stamp);
    EXPECT_EQ(first, dir.filePath("2019-03-05-14-07-09.JPG"));
    QFile(first).open(QIODevice::WriteOnly);
    const QString second = CPlayerDlg::CaptureFilePath(dir.path(), stamp);
    EXPECT_EQ(second, dir.filePath("2019-03-05-14-07-09-2.JPG"));
    QFile(second).open(QIODevice::WriteOnly);
    EXPECT_EQ(CPlayerDlg::CaptureFilePath(dir.path(), stamp),
              dir.filePath("2019-03-05-14-07-09-3.JPG"));
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
        WaitFor([] { return s_dlg->m_pDlgMap->m_bPageReady; }, 20000);
    }
    static void TearDownTestSuite() {
        delete s_dlg;
        s_dlg = nullptr;
    }

    void SetUp() override {
        if (s_samples.isEmpty()) {
            GTEST_SKIP() << "no sample recordings (build the samples target)";
        }
        // Back to an idle window with an empty playlist.
        dlg().m_bUserStop = true;
        dlg().m_engine.Stop();
        QTest::qWait(50);
        while (dlg().m_fileList.GetEntryCount() > 0) {
            dlg().m_fileList.RemoveEntry(0);
        }
        dlg().m_nCurIndex = 0;
        dlg().m_bUserStop = false;
        dlg().m_bDropped = false;
        m_errors.clear();
        dlg().m_fnShowError = [this](const QString& text) { m_errors << text; };
    }

    void TearDown() override {
        if (s_dlg) {
            dlg().m_fnShowError = nullptr;
        }
    }

    CPlayerDlg& dlg() { return *s_dlg; }

    void ImportSamples() { dlg().ImportPaths(s_samples); }

    bool WaitPlaying(int index, int timeoutMs = 8000) {
        return WaitFor(
            [&] {
                return dlg().m_nCurIndex == index && dlg().m_engine.GetState() == Playing &&
                       dlg().m_engine.GetTime() > 0;
            },
            timeoutMs);
    }

    // Seeks to 300 ms before the end instead of waiting the recording out.
    void SeekNearEnd() {
        const int64_t len = dlg().m_engine.GetLength();
        ASSERT_GT(len, 1000);
        dlg().m_engine.SetTime(len - 300);
    }

    tagAssistInfo SampleAt(int k) {
        tagAssistInfo s;
        dlg().m_store.GetSample(k, s);
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
    EXPECT_EQ(dlg().m_pListCtrl->FirstSelected(), 0);
    EXPECT_TRUE(dlg().m_pSlider->isEnabled());
    EXPECT_EQ(dlg().m_pSlider->GetRangeMax(), int(dlg().m_engine.GetDuration()) / 200);
    EXPECT_NE(dlg().m_pLblTotal->text(), "0:00");

    // The store holds the samples; the route has every usable one.
    const int count = dlg().m_store.GetCount();
    ASSERT_GT(count, 0);
    EXPECT_EQ(dlg().m_pGraph->GetSampleCount(), count);
    int usable = 0;
    for (int i = 0; i < count; ++i) {
        usable += HasUsablePosition(SampleAt(i)) ? 1 : 0;
    }
    ASSERT_GT(usable, 0);
    ASSERT_TRUE(
        WaitFor([&] { return MapState(dlg().m_pDlgMap)["polylinePoints"].toInt() == usable; }));
    EXPECT_EQ(MapState(dlg().m_pDlgMap)["polylines"].toInt(), 1);

    // A few seconds in, paused so that the second cannot change under us.
    dlg().m_engine.SetTime(4200);
    ASSERT_TRUE(WaitFor([&] { return dlg().m_engine.GetTime() >= 4200; }));
    dlg().OnPlayPause();
    ASSERT_TRUE(WaitFor([&] { return dlg().m_engine.GetState() == Paused; }));
    QTest::qWait(700);  // at least one tick of the 500 ms clock
    const int k = int(dlg().m_engine.GetTime() / 1000);
    ASSERT_GE(k, 4);
    ASSERT_LT(k, count);
    const tagAssistInfo s = SampleAt(k);
    ASSERT_TRUE(HasUsablePosition(s));
    EXPECT_EQ(dlg().m_pGraph->GetCurrentIndex(), k);
    EXPECT_EQ(dlg().m_pSpeedDial->DrawnSpeed(), s.speed);
    EXPECT_EQ(dlg().m_dLastHeading, s.course);
    ASSERT_TRUE(WaitFor([&] {
        const QJsonArray marker = MapState(dlg().m_pDlgMap)["marker"].toArray();
        return marker.size() == 2 &&
               std::abs(marker[0].toDouble() - std::stod(s.latitude)) < 1e-6 &&
               std::abs(marker[1].toDouble() - std::stod(s.longitude)) < 1e-6;
    }));
    EXPECT_EQ(dlg().m_pBtnPlay->text(), "Play");  // paused
    dlg().OnPlayPause();
    ASSERT_TRUE(WaitFor([&] { return dlg().m_pBtnPlay->text() == "Pause"; }));
}

TEST_F(Playback, AdvancesThroughAllFourOnceEachAndStopsAfterTheLast) {
    ImportSamples();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(WaitPlaying(i));
        EXPECT_GT(dlg().m_store.GetCount(), 0);
        SeekNearEnd();
        if (i < 3) {
            ASSERT_TRUE(WaitFor([&] { return dlg().m_nCurIndex == i + 1; }));
        }
    }
    ASSERT_TRUE(WaitFor([&] { return dlg().m_engine.GetState() == Stopped; }));
    QTest::qWait(1200);  // a further tick must not start anything
    EXPECT_EQ(dlg().m_engine.GetState(), Stopped);
    EXPECT_EQ(dlg().m_nCurIndex, 3);
    EXPECT_TRUE(dlg().m_pVideoArea->IsPictureShown());
    EXPECT_EQ(dlg().m_pLblElapsed->text(), "0:00");
    EXPECT_EQ(dlg().m_pSlider->GetValue(), 0);
    EXPECT_FALSE(dlg().m_pSlider->isEnabled());
    EXPECT_EQ(dlg().m_store.GetCount(), 0);
    EXPECT_EQ(dlg().m_pBtnPlay->text(), "Play");
    EXPECT_TRUE(m_errors.isEmpty());
}

TEST_F(Playback, EndOfFileAdvancesExactlyOneEntry) {
    ImportSamples();
    ASSERT_TRUE(WaitPlaying(0));
    SeekNearEnd();
    ASSERT_TRUE(WaitPlaying(1));
    QTest::qWait(1500);  // every timer has ticked again
    EXPECT_EQ(dlg().m_nCurIndex, 1);
    EXPECT_EQ(dlg().m_engine.GetState(), Playing);
}

TEST_F(Playback, NextOnTheLastAndPreviousOnTheFirstPlayNothing) {
    ImportSamples();
    ASSERT_TRUE(WaitPlaying(0));
    struct {
        int index;
        void (CPlayerDlg::*command)();
    } const cases[] = {{3, &CPlayerDlg::OnNext}, {0, &CPlayerDlg::OnPrev}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        dlg().m_nCurIndex = c.index;
        dlg().m_bUserStop = true;
        dlg().PlayFile(Current);
        ASSERT_TRUE(WaitPlaying(c.index));
        (dlg().*c.command)();
        EXPECT_EQ(dlg().m_engine.GetState(), Stopped);
        EXPECT_EQ(dlg().m_nCurIndex, c.index);
        EXPECT_EQ(dlg().m_store.GetCount(), 0);
        EXPECT_EQ(dlg().m_pGraph->GetSampleCount(), 0);
        EXPECT_TRUE(dlg().m_pVideoArea->IsPictureShown());
        EXPECT_EQ(dlg().m_pSpeedDial->DrawnSpeed(), 0);
        EXPECT_EQ(dlg().m_dLastHeading, 180.0);
        QTest::qWait(1200);
        EXPECT_EQ(dlg().m_engine.GetState(), Stopped);
        EXPECT_EQ(dlg().m_nCurIndex, c.index);
    }
}

// Commands that stop a recording to play another never let the stop advance.
TEST_F(Playback, TransportCommandsPlayTheirEntryAndNeverAdvance) {
    ImportSamples();
    ASSERT_TRUE(WaitPlaying(0));
    const std::pair<std::function<void()>, int> steps[] = {
        {[&] { dlg().OnNext(); }, 1},
        {[&] { dlg().OnNext(); }, 2},
        {[&] { dlg().OnPrev(); }, 1},
        {[&] {
             dlg().m_pListCtrl->SetSelected(3);
             dlg().OnListDoubleClick();
         },
         3},
        {[&] {
             dlg().m_pListCtrl->SetSelected(0);
             dlg().OnListDoubleClick();
         },
         0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.second);
        step.first();
        EXPECT_EQ(dlg().m_nCurIndex, step.second);
        ASSERT_TRUE(WaitPlaying(step.second));
        QTest::qWait(1100);  // every timer has ticked: still the same entry
        EXPECT_EQ(dlg().m_nCurIndex, step.second);
        EXPECT_EQ(dlg().m_engine.GetState(), Playing);
        EXPECT_EQ(dlg().m_pListCtrl->FirstSelected(), step.second);
    }
}

TEST_F(Playback, StopThenPlayPausePlaysTheEntryAgainFromItsStart) {
    ImportSamples();
    ASSERT_TRUE(WaitPlaying(0));
    dlg().OnNext();
    ASSERT_TRUE(WaitPlaying(1));
    dlg().m_engine.SetTime(9000);
    ASSERT_TRUE(WaitFor([&] { return dlg().m_engine.GetTime() >= 9000; }));
    dlg().OnStop();
    EXPECT_EQ(dlg().m_engine.GetState(), Stopped);
    QTest::qWait(1200);
    EXPECT_EQ(dlg().m_nCurIndex, 1);  // a user's stop never advances
    EXPECT_EQ(dlg().m_engine.GetState(), Stopped);

    dlg().OnPlayPause();
    ASSERT_TRUE(WaitPlaying(1));
    EXPECT_LT(dlg().m_engine.GetTime(), 5000);
    EXPECT_GT(dlg().m_store.GetCount(), 0);
}

TEST_F(Playback, SeekWhilePausedResumesAtTheSliderPosition) {
    ImportSamples();
    ASSERT_TRUE(WaitPlaying(0));
    dlg().OnPlayPause();
    ASSERT_TRUE(WaitFor([&] { return dlg().m_engine.GetState() == Paused; }));

    CBitmapSlider* slider = dlg().m_pSlider;
    const int target = slider->GetRangeMax() * 2 / 3;
    slider->SetValue(target);
    QCoreApplication::postEvent(&dlg(), new CSliderEvent(CSliderEvent::Moved, IDC_SEEK, target));
    const int64_t wantMs = int64_t(target) * dlg().m_engine.GetLength() / slider->GetRangeMax();
    ASSERT_TRUE(WaitFor([&] {
        return dlg().m_engine.GetState() == Playing && dlg().m_engine.GetTime() >= wantMs - 500;
    })) << dlg().m_engine.GetState()
        << " " << dlg().m_engine.GetTime() << " " << wantMs << " " << target;
    EXPECT_EQ(dlg().m_nCurIndex, 0);
    EXPECT_GE(slider->GetValue(), target - 5);
    EXPECT_TRUE(dlg().m_pListCtrl->hasFocus() || !dlg().isActiveWindow());
}

TEST_F(Playback, VolumeStepsStopAtTheEnds) {
    ImportSamples();
    ASSERT_TRUE(WaitPlaying(0));
    for (int i = 0; i < 12; ++i) {
        dlg().OnVolumeUp();
    }
    EXPECT_EQ(dlg().m_nVolume, 100);
    EXPECT_EQ(LitBars(dlg()), 10);
    dlg().OnVolumeUp();
    EXPECT_EQ(dlg().m_nVolume, 100);

    for (int i = 0; i < 9; ++i) {
        dlg().OnVolumeDown();
    }
    EXPECT_EQ(dlg().m_nVolume, 10);
    EXPECT_EQ(LitBars(dlg()), 1);
    dlg().OnVolumeDown();
    EXPECT_EQ(dlg().m_nVolume, 0);
    EXPECT_EQ(LitBars(dlg()), 0);
    dlg().OnVolumeDown();
    EXPECT_EQ(dlg().m_nVolume, 0);

    // Stopped: the buttons do nothing.
    dlg().OnStop();
    dlg().OnVolumeUp();
    EXPECT_EQ(dlg().m_nVolume, 0);
    dlg().OnVolumeUp();  // keep the volume audible for later tests
}

TEST_F(Playback, CaptureKeepsThePlayStateAndWritesAJpeg) {
    ImportSamples();
    ASSERT_TRUE(WaitPlaying(0));
    QTest::qWait(500);  // a frame on screen
    const QDir folder(CPlayerDlg::CaptureFolder());
    EXPECT_TRUE(folder.absolutePath().startsWith(g_environment->HomePath()));
    const int before = folder.exists() ? int(folder.entryList(QDir::Files).size()) : 0;

    dlg().OnCapture();
    EXPECT_EQ(dlg().m_engine.GetState(), Playing);
    dlg().OnPlayPause();
    ASSERT_TRUE(WaitFor([&] { return dlg().m_engine.GetState() == Paused; }));
    dlg().OnCapture();
    EXPECT_EQ(dlg().m_engine.GetState(), Paused);
    QTest::qWait(600);
    EXPECT_EQ(dlg().m_engine.GetState(), Paused);

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
    dlg().OnStop();
    dlg().OnCapture();
    EXPECT_EQ(int(folder.entryList({"*.JPG"}, QDir::Files).size()), before + 2);
}

TEST_F(Playback, AMissingFileShowsTheFailureAndTheListGoesOn) {
    QTemporaryDir dir;
    const QString gone = dir.filePath("GONE.MOV");
    ASSERT_TRUE(QFile::copy(s_samples[0], gone));
    dlg().ImportPaths({gone, s_samples[1]});
    ASSERT_TRUE(WaitPlaying(0));
    dlg().OnStop();
    ASSERT_TRUE(QFile::remove(gone));

    dlg().OnPlayPause();
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_EQ(m_errors[0], "Play file failed!\n");
    EXPECT_NE(dlg().m_engine.GetState(), Playing);
    EXPECT_EQ(dlg().m_nCurIndex, 0);
    EXPECT_EQ(dlg().m_pListCtrl->FirstSelected(), 0);
    EXPECT_EQ(dlg().m_store.GetCount(), 0);
    QTest::qWait(1200);
    EXPECT_EQ(dlg().m_pBtnPlay->text(), "Play");

    dlg().OnNext();
    EXPECT_TRUE(WaitPlaying(1));
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
