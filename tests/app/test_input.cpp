// Keys, mouse, dropped files, import, remove, lock, commands and the about
// box of the real main window, with synthetic input events under Xvfb.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <sys/stat.h>

#include <functional>
#include <memory>

#include "AboutDlg.h"
#include "BitmapSlider.h"
#include "DlgVideo.h"
#include "GuiTestEnvironment.h"
#include "MyListCtrl.h"
#include "PlayerApp.h"
#include "PlayerDlg.h"
#include "SpeedDial.h"
#include "VideoEngine.h"
#include "WaveFormCtrl.h"

namespace {

using velto::testing::SampleRecordings;
using velto::testing::WaitFor;

// How long a test waits for the player to follow a command.
constexpr int kWaitMs = 8000;

// Counts the key presses that reach an object.
class KeyCounter : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            ++presses;
        }
        return false;
    }
};

// The import dialog's filter lets every letter case of both extensions through.
TEST(ImportFilter, MatchesBothExtensionsInAnyCase) {
    const QString filter = CPlayerDlg::VideoNameFilter();
    ASSERT_TRUE(filter.startsWith("Video files ("));
    const QStringList patterns = filter.section('(', 1).chopped(1).split(' ', Qt::SkipEmptyParts);
    auto accepted = [&](const QString& name) {
        for (const QString& p : patterns) {
            if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(p))
                    .match(name)
                    .hasMatch()) {
                return true;
            }
        }
        return false;
    };
    for (const char* name : {"a.mov", "A.MOV", "b.Mov", "c.mOv", "d.mp4", "E.MP4", "f.Mp4"}) {
        EXPECT_TRUE(accepted(name)) << name;
    }
    for (const char* name : {"a.avi", "b.mov.txt", "c.mp3", "mov"}) {
        EXPECT_FALSE(accepted(name)) << name;
    }
}

TEST(AboutBox, ShowsTheVersionInWhiteOnDarkGrey) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.versionLabel()->text(), "Velto Player Version " VELTO_VERSION);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const QImage shot = about.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(2, shot.height() - 3)), QColor(32, 32, 32));
    // Some pixel of the text is white.
    const QRect text = about.versionLabel()->geometry();
    bool white = false;
    for (int y = text.top(); y <= text.bottom() && !white; ++y) {
        for (int x = text.left(); x <= text.right() && !white; ++x) {
            white = QColor(shot.pixel(x, y)).lightness() > 240;
        }
    }
    EXPECT_TRUE(white);
}

class Input : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_samples = SampleRecordings();
        if (s_samples.isEmpty()) {
            return;
        }
        s_dlg = new CPlayerDlg();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(s_dlg));
        s_dlg->activateWindow();
        QTest::qWait(1200);  // the video window lets mouse input through after a second
    }
    static void TearDownTestSuite() {
        delete s_dlg;
        s_dlg = nullptr;
    }

    void SetUp() override {
        ASSERT_EQ(s_samples.size(), 4) << "no sample recordings (build the samples target)";
        ASSERT_NE(s_dlg, nullptr);
        if (dlg().IsFullScreen()) {
            dlg().ToggleFullScreen();
        }
        // Back to an idle window with an empty playlist, as a user gets there.
        ctl().OnStop();
        while (ctl().FileList().GetEntryCount() > 0) {
            dlg().SelectAndFocusRow(0);
            dlg().OnRemoveEntry();
        }
        m_errors.clear();
        dlg().SetErrorHook([this](const QString& text) { m_errors << text; });
        dlg().SetOpenFileNamesHook(nullptr);
    }

    CPlayerDlg& dlg() { return *s_dlg; }
    CPlaybackController& ctl() { return s_dlg->Controller(); }
    IVideoEngine& engine() { return ctl().Engine(); }
    CMyListCtrl* list() { return dlg().ListCtrl(); }

    bool WaitPlaying(int index) {
        return WaitFor(
            [&] {
                return ctl().CurrentIndex() == index && engine().GetState() == Playing &&
                       engine().GetTime() > 0;
            },
            kWaitMs);
    }

    // Copies of the samples under new names, so tests may delete or lock them.
    QStringList CopiesOfSamples(const QStringList& names) {
        QStringList paths;
        for (int i = 0; i < names.size(); ++i) {
            const QString path = m_dir.filePath(names[i]);
            QFile::remove(path);
            EXPECT_TRUE(QFile::copy(s_samples[i % s_samples.size()], path));
            paths << path;
        }
        return paths;
    }

    void Drop(const QStringList& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& p : paths) {
            urls << QUrl::fromLocalFile(p);
        }
        mime.setUrls(urls);
        const QPoint at = dlg().rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg(), &drop);
        EXPECT_TRUE(drop.isAccepted());
        QTest::qWait(50);  // the files are taken once the drop has been answered
    }

    QPoint VideoCentre() { return dlg().VideoWindow()->rect().center(); }

    static CPlayerDlg* s_dlg;
    static QStringList s_samples;
    QTemporaryDir m_dir;
    QStringList m_errors;
};
CPlayerDlg* Input::s_dlg = nullptr;
QStringList Input::s_samples;

TEST_F(Input, SpaceDoesNothingWithNothingOpenAndNeverReachesTheFocusedControl) {
    dlg().ImportPaths({s_samples[0]});
    ASSERT_TRUE(WaitPlaying(0));
    ctl().OnStop();
    ASSERT_EQ(engine().GetState(), Stopped);

    KeyCounter counter;
    list()->installEventFilter(&counter);
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Space);
    EXPECT_EQ(engine().GetState(), Stopped);
    EXPECT_EQ(counter.presses, 0);
    QTest::keyClick(list(), Qt::Key_End);  // other keys go on to the control
    EXPECT_EQ(counter.presses, 1);
    list()->removeEventFilter(&counter);
}

TEST_F(Input, SpaceTogglesPause) {
    dlg().ImportPaths({s_samples[0]});
    ASSERT_TRUE(WaitPlaying(0));
    QTest::keyClick(list(), Qt::Key_Space);
    ASSERT_TRUE(WaitFor([&] { return engine().GetState() == Paused; }, kWaitMs));
    QTest::keyClick(list(), Qt::Key_Space);
    ASSERT_TRUE(WaitFor([&] { return engine().GetState() == Playing; }, kWaitMs));
}

TEST_F(Input, EscapeNeverClosesTheWindow) {
    QTest::keyClick(&dlg(), Qt::Key_Escape);
    QTest::keyClick(list(), Qt::Key_Escape);
    QTest::qWait(100);
    EXPECT_TRUE(dlg().isVisible());
    EXPECT_EQ(dlg().result(), 0);
    EXPECT_FALSE(dlg().IsFullScreen());
}

TEST_F(Input, DoubleClickOnThePlayingVideoEntersAndLeavesFullScreen) {
    // Nothing plays: nothing happens.
    QTest::mouseDClick(dlg().VideoWindow(), Qt::LeftButton, Qt::NoModifier, VideoCentre());
    EXPECT_FALSE(dlg().IsFullScreen());

    dlg().ImportPaths({s_samples[0]});
    ASSERT_TRUE(WaitPlaying(0));
    ASSERT_TRUE(dlg().VideoWindow()->isVisible());
    ASSERT_TRUE(dlg().VideoWindow()->IsInputDisabled());
    QTest::mouseDClick(dlg().VideoWindow(), Qt::LeftButton, Qt::NoModifier, VideoCentre());
    EXPECT_TRUE(dlg().IsFullScreen());
    EXPECT_FALSE(list()->isVisible());
    QTest::mouseDClick(dlg().VideoWindow(), Qt::LeftButton, Qt::NoModifier, VideoCentre());
    EXPECT_FALSE(dlg().IsFullScreen());
    EXPECT_TRUE(list()->isVisible());

    // Esc leaves full screen, and the window stays.
    QTest::mouseDClick(dlg().VideoWindow(), Qt::LeftButton, Qt::NoModifier, VideoCentre());
    ASSERT_TRUE(dlg().IsFullScreen());
    QTest::keyClick(&dlg(), Qt::Key_Escape);
    EXPECT_FALSE(dlg().IsFullScreen());
    EXPECT_TRUE(dlg().isVisible());

    // A double click outside the video does not toggle.
    QTest::mouseDClick(dlg().GetDlgItem(IDC_GRAPH), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(dlg().IsFullScreen());
}

TEST_F(Input, DropAddsOnlyRecordingsInAnyLetterCase) {
    const QStringList paths = CopiesOfSamples({"a.mov"});
    QFile avi(m_dir.filePath("a.avi"));
    ASSERT_TRUE(avi.open(QIODevice::WriteOnly));
    avi.close();
    Drop({paths[0], avi.fileName()});
    ASSERT_EQ(ctl().FileList().GetEntryCount(), 1);
    tagFileNode node;
    ctl().FileList().GetEntry(0, node);
    EXPECT_EQ(node.strFileName, "a.mov");
    EXPECT_TRUE(WaitPlaying(0));  // nothing played: the drop plays the current entry

    // A drop without any recording adds nothing, plays nothing, keeps the flag.
    ctl().OnStop();
    Drop({avi.fileName()});
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 1);
    EXPECT_TRUE(ctl().IsDropped());
    EXPECT_EQ(engine().GetState(), Stopped);
}

TEST_F(Input, ImportWithACancelledDialogStillPlaysAStoppedList) {
    dlg().ImportPaths({s_samples[0], s_samples[1]});
    ASSERT_TRUE(WaitPlaying(0));
    ctl().OnStop();
    int shown = 0;
    dlg().SetOpenFileNamesHook([&] {
        ++shown;
        return QStringList();
    });
    dlg().OnImportFiles();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 2);
    EXPECT_TRUE(WaitPlaying(0));

    // Confirmed while playing: the files are added, the recording plays on.
    dlg().SetOpenFileNamesHook([&] { return QStringList{s_samples[2]}; });
    dlg().OnImportFiles();
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 3);
    EXPECT_EQ(ctl().CurrentIndex(), 0);
    EXPECT_EQ(engine().GetState(), Playing);
}

TEST_F(Input, LockSetsTheMarkerAndUnlockClearsIt) {
    const QString path = CopiesOfSamples({"L.MOV"})[0];
    ctl().FileList().AddFile(path.toStdString(), "L.MOV", ".MOV");
    list()->SetSelected(0);
    dlg().OnCommand(ID_TOGGLE_LOCK);
    struct stat st {};
    ASSERT_EQ(stat(path.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_EQ(list()->CellText(0, CMyListCtrl::ColLock), "ReadOnly");
    EXPECT_TRUE(list()->RowHasImage(0));
    tagFileNode node;
    ctl().FileList().GetEntry(0, node);
    EXPECT_EQ(node.bReadOnly, 1);

    dlg().OnCommand(ID_TOGGLE_LOCK);
    ASSERT_EQ(stat(path.toLocal8Bit().constData(), &st), 0);
    EXPECT_NE(st.st_mode & 0200, 0u);
    EXPECT_EQ(list()->CellText(0, CMyListCtrl::ColLock), "");
    EXPECT_TRUE(m_errors.isEmpty());

    // The file went away: the row stays as it was and the user is told.
    ASSERT_TRUE(QFile::remove(path));
    dlg().OnCommand(ID_TOGGLE_LOCK);
    EXPECT_EQ(list()->CellText(0, CMyListCtrl::ColLock), "");
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors[0].contains("L.MOV"));
}

TEST_F(Input, PlaylistMenuOffersRemoveLockAndTheSpeedUnit) {
    ctl().FileList().AddFile(s_samples[0].toStdString(), nullptr, ".MOV");
    ctl().FileList().AddFile(s_samples[1].toStdString(), nullptr, ".MOV");
    list()->SetSelected(1);
    QMenu menu;
    dlg().BuildPlaylistMenu(menu);
    QStringList texts;
    QAction* mph = nullptr;
    QAction* remove = nullptr;
    for (QAction* a : menu.actions()) {
        texts << a->text();
        if (a->text() == "mph")
            mph = a;
        if (a->text() == "Remove from playlist")
            remove = a;
    }
    EXPECT_TRUE(texts.contains("Lock/UnLock current file"));
    EXPECT_TRUE(texts.contains("km/h"));
    EXPECT_FALSE(texts.contains("Delete file from disk"));
    ASSERT_NE(mph, nullptr);
    ASSERT_NE(remove, nullptr);
    EXPECT_TRUE(mph->isCheckable());
    EXPECT_FALSE(mph->isChecked());

    mph->trigger();
    EXPECT_EQ(dlg().SpeedUnit(), CSpeedDial::kUnitMph);
    EXPECT_EQ(static_cast<CSpeedDial*>(dlg().GetDlgItem(IDC_SPEED_DIAL))->DrawnUnit(),
              CSpeedDial::kUnitMph);  // redrawn at once while stopped
    dlg().OnCommand(ID_UNIT_KMH);
    EXPECT_EQ(dlg().SpeedUnit(), CSpeedDial::kUnitKmh);

    remove->trigger();
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 1);
    EXPECT_TRUE(QFileInfo::exists(s_samples[1]));
}

TEST_F(Input, SliderPressPausesAndReleaseSeeksAndResumes) {
    dlg().ImportPaths({s_samples[0]});
    ASSERT_TRUE(WaitPlaying(0));
    auto* slider = static_cast<CBitmapSlider*>(dlg().GetDlgItem(IDC_SEEK));
    ASSERT_TRUE(slider->isEnabled());
    const QPoint at(slider->width() * 3 / 4, slider->height() / 2);
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(engine().GetState(), Paused);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_TRUE(WaitFor(
        [&] {
            return engine().GetState() == Playing && engine().GetTime() > engine().GetLength() / 2;
        },
        kWaitMs));
    EXPECT_TRUE(list()->hasFocus());
}

// Each of the player's keys reaches what it commands, from wherever the focus
// is in the window (the controller's tests check what the commands do).
TEST_F(Input, PlayerKeysReachTheirCommands) {
    dlg().ImportPaths({s_samples[0], s_samples[1]});
    ASSERT_TRUE(WaitPlaying(0));
    EXPECT_EQ(dlg().windowTitle(), "PLAYER - " + QFileInfo(s_samples[0]).fileName());
    EXPECT_EQ(list()->PlayingRow(), 0);
    list()->setFocus();
    const auto key = [&](int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(list(), Qt::Key(k), mods);
    };

    key(Qt::Key_Right);
    EXPECT_TRUE(WaitFor([&] { return engine().GetTime() >= 5000; }, kWaitMs));
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_TRUE(WaitFor([&] { return engine().GetTime() < 4000; }, kWaitMs));

    const int before = ctl().Volume() >= 0 ? ctl().Volume() : engine().GetVolume();
    key(Qt::Key_Down);
    const int down = ctl().Volume();
    EXPECT_EQ(down, before > kVolumeStep ? before - kVolumeStep : 0);
    key(Qt::Key_Up);
    EXPECT_EQ(ctl().Volume(), down + kVolumeStep);

    auto* rate = dlg().findChild<QLabel*>(QStringLiteral("rateLabel"));
    ASSERT_NE(rate, nullptr);
    EXPECT_FALSE(rate->isVisible());
    key(Qt::Key_BracketRight);
    EXPECT_EQ(ctl().Rate(), 1.25);
    EXPECT_TRUE(rate->isVisible());
    EXPECT_EQ(rate->text(), "1.25x");
    key(Qt::Key_BracketLeft);
    key(Qt::Key_BracketLeft);
    EXPECT_EQ(ctl().Rate(), 0.75);
    EXPECT_EQ(rate->text(), "0.75x");
    key(Qt::Key_Backspace);
    EXPECT_EQ(ctl().Rate(), 1.0);
    EXPECT_FALSE(rate->isVisible());

    // Frame steps while paused.
    ASSERT_TRUE(WaitFor([&] { return engine().GetTime() > 1500; }, kWaitMs));
    key(Qt::Key_Space);
    ASSERT_TRUE(WaitFor([&] { return engine().GetState() == Paused; }, kWaitMs));
    const int64_t paused = engine().GetTime();
    key(Qt::Key_Comma);
    EXPECT_TRUE(WaitFor([&] { return engine().GetTime() < paused; }, kWaitMs));
    key(Qt::Key_Period);
    EXPECT_EQ(engine().GetState(), Paused);
    key(Qt::Key_Space);
    ASSERT_TRUE(WaitFor([&] { return engine().GetState() == Playing; }, kWaitMs));

    // F and F11 enter and leave full screen; Esc leaves it.
    for (int k : {Qt::Key_F, Qt::Key_F11}) {
        key(k);
        EXPECT_TRUE(dlg().IsFullScreen()) << k;
        key(Qt::Key_Escape);
        EXPECT_FALSE(dlg().IsFullScreen()) << k;
        key(k);
        key(k);
        EXPECT_FALSE(dlg().IsFullScreen()) << k;
    }

    // Delete removes the focused entry, as the bin button does.
    dlg().SelectAndFocusRow(1);
    key(Qt::Key_Delete);
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 1);
    EXPECT_EQ(engine().GetState(), Playing);
    EXPECT_EQ(list()->PlayingRow(), 0);

    ctl().OnStop();
    EXPECT_EQ(dlg().windowTitle(), "PLAYER");
    EXPECT_EQ(list()->PlayingRow(), -1);
}

TEST_F(Input, AboutCommandShowsTheAboutBox) {
    QString text;
    QTimer::singleShot(300, [&] {
        if (auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
            text = about->versionLabel()->text();
            about->accept();
        }
    });
    dlg().OnCommand(ID_ABOUT);
    EXPECT_EQ(text, "Velto Player Version " VELTO_VERSION);
}

}  // namespace

int main(int argc, char** argv) {
    const velto::testing::GuiTestEnvironment environment;
    CPlayerApp::PrepareProcess();
    QApplication app(argc, argv);
    CPlayerApp::ApplyStyle(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
