// The playback controller against a scripted engine and a recording view: no
// display, no libvlc, no web engine. The clock runs by calling OnTimer; the
// telemetry comes from the four sample recordings the build makes.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AssistInfo.h"
#include "CaptureFile.h"
#include "FakeVideoEngine.h"
#include "PlaybackController.h"
#include "RecordingPlaybackView.h"

namespace fs = std::filesystem;

namespace {

using velto::testing::FakeVideoEngine;
using velto::testing::RecordingPlaybackView;

// The four sample recordings, in name order; a test that needs them fails
// when they are missing (they are part of the build).
std::vector<std::string> SampleRecordings() {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(VELTO_SAMPLES_DIR, ec)) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".MOV" || ext == ".MP4") {
            found.push_back(entry.path().string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "velto-ctl.XXXXXX").string();
        m_path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// ---------------------------------------------------------------------------
// Arithmetic of the position views.

TEST(ControllerArithmetic, SliderValueForTime) {
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
        EXPECT_EQ(CPlaybackController::SliderValueForTime(c.max, c.t, c.len), c.want)
            << c.max << " " << c.t << " " << c.len;
    }
}

TEST(ControllerArithmetic, SeekTarget) {
    EXPECT_EQ(CPlaybackController::SeekTargetMs(37, 75, 15000), 7400);
    EXPECT_EQ(CPlaybackController::SeekTargetMs(18000, 18000, 3600000), 3600000);
    EXPECT_EQ(CPlaybackController::SeekTargetMs(0, 0, 150), -1);  // slider without range
    EXPECT_EQ(CPlaybackController::SeekTargetMs(10, 75, 0), -1);  // no length yet
    EXPECT_EQ(CPlaybackController::SeekTargetMs(10, 75, -1), -1);
}

TEST(ControllerArithmetic, MinutesAndSeconds) {
    EXPECT_EQ(CPlaybackController::FormatMinutesSeconds(0), "0:00");
    EXPECT_EQ(CPlaybackController::FormatMinutesSeconds(999), "0:00");
    EXPECT_EQ(CPlaybackController::FormatMinutesSeconds(15040), "0:15");
    EXPECT_EQ(CPlaybackController::FormatMinutesSeconds((75 * 60 + 3) * 1000), "75:03");
    EXPECT_EQ(CPlaybackController::FormatMinutesSeconds(-1), "0:00");
}

// ---------------------------------------------------------------------------
// Capture names: exclusive creation, never through a link.

TEST(ControllerCaptureFile, TakenNamesGetTheNextSuffix) {
    TempFolder dir;
    const std::string stamp = "2019-03-05-14-07-09";
    EXPECT_EQ(CreateCaptureFile(dir.Path(), stamp), dir.File(stamp + ".JPG"));
    EXPECT_EQ(CreateCaptureFile(dir.Path(), stamp), dir.File(stamp + "-2.JPG"));
    // A folder and a dangling link take names as well.
    fs::create_directory(dir.File(stamp + "-3.JPG"));
    ASSERT_EQ(symlink(dir.File("nowhere/target.JPG").c_str(), dir.File(stamp + "-4.JPG").c_str()),
              0);
    EXPECT_EQ(CreateCaptureFile(dir.Path(), stamp), dir.File(stamp + "-5.JPG"));
    EXPECT_EQ(CreateCaptureFile(dir.File("missing"), stamp), "");
    EXPECT_EQ(CreateCaptureFile("", stamp), "");
}

TEST(ControllerCaptureFile, StampIsTheLocalTime) {
    std::tm t{};
    t.tm_year = 2019 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 14;
    t.tm_min = 7;
    t.tm_sec = 9;
    t.tm_isdst = -1;
    EXPECT_EQ(CaptureStamp(std::mktime(&t)), "2019-03-05-14-07-09");
}

// ---------------------------------------------------------------------------
// The controller with the fake engine and the recording view.

class Controller : public ::testing::Test {
protected:
    void SetUp() override {
        auto engine = std::make_unique<FakeVideoEngine>();
        m_engine = engine.get();
        m_controller = std::make_unique<CPlaybackController>(std::move(engine), m_view);
        m_engine->AttachSink(m_controller.get());
        m_controller->FileList().m_pListCtrl = &m_view;
        m_view.store = &m_controller->Store();
        m_controller->SetCaptureFolder(m_home.File("Pictures/Capture"));
        m_samples = SampleRecordings();
        ASSERT_EQ(m_samples.size(), 4u) << "the sample recordings are missing from "
                                        << VELTO_SAMPLES_DIR << " (build the samples target)";
    }

    CPlaybackController& ctl() { return *m_controller; }
    FakeVideoEngine& engine() { return *m_engine; }

    void Import(size_t count = 4) {
        ctl().ImportPaths(std::vector<std::string>(m_samples.begin(), m_samples.begin() + count));
    }
    // libvlc's Playing report after an open, as the poster delivers it.
    void Started() { engine().Report(kEventPlaying); }
    // Lets `ms` of playback pass, with the 500 ms clock ticking.
    void Play(int64_t ms) {
        for (int64_t t = 0; t < ms; t += kClockPeriodMs) {
            engine().Advance(kClockPeriodMs);
            ctl().OnTimer(kClockTimer);
        }
    }
    // One round of every timer.
    void TickAll() {
        ctl().OnTimer(kEndCheckTimerA);
        ctl().OnTimer(kEndCheckTimerB);
        ctl().OnTimer(kClockTimer);
    }
    std::string PlayingPath() { return engine().opened.empty() ? "" : engine().opened.back(); }
    tagAssistInfo SampleAt(int k) {
        tagAssistInfo s;
        ctl().Store().GetSample(k, s);
        return s;
    }

    TempFolder m_home;
    RecordingPlaybackView m_view;
    FakeVideoEngine* m_engine = nullptr;
    std::unique_ptr<CPlaybackController> m_controller;
    std::vector<std::string> m_samples;
};

TEST_F(Controller, PlaysTheFirstWithItsTelemetryRouteAndPosition) {
    Import();
    Started();
    ASSERT_EQ(engine().GetState(), Playing);
    EXPECT_EQ(PlayingPath(), m_samples[0]);
    EXPECT_EQ(ctl().CurrentIndex(), 0);
    EXPECT_EQ(m_view.FirstSelectedRow(), 0);
    EXPECT_TRUE(m_view.sliderEnabled);
    EXPECT_EQ(m_view.sliderMax, 15000 / 200);
    EXPECT_EQ(m_view.total, "0:15");
    EXPECT_TRUE(m_view.videoWindowShown);

    const int count = ctl().Store().GetCount();
    ASSERT_GT(count, 0);
    EXPECT_EQ(m_view.graphSamples, count);
    int usable = 0;
    for (int i = 0; i < count; ++i) {
        usable += HasUsablePosition(SampleAt(i)) ? 1 : 0;
    }
    ASSERT_GT(usable, 0);
    EXPECT_EQ(static_cast<int>(m_view.route.size()), usable);

    Play(4200);
    ctl().OnPlayPause();
    EXPECT_EQ(engine().GetState(), Paused);
    ctl().OnTimer(kClockTimer);
    const int k = static_cast<int>(engine().GetTime() / 1000);
    ASSERT_EQ(k, 4);
    const tagAssistInfo s = SampleAt(k);
    ASSERT_TRUE(HasUsablePosition(s));
    EXPECT_EQ(m_view.graphCursor, k);
    EXPECT_EQ(m_view.speed, s.speed);
    EXPECT_EQ(m_view.heading, s.course);
    ASSERT_FALSE(m_view.mapPositions.empty());
    EXPECT_EQ(m_view.mapPositions.back(), std::make_pair(s.latitude, s.longitude));
    EXPECT_FALSE(m_view.playButtonShowsPause);
    ctl().OnPlayPause();
    ctl().OnTimer(kClockTimer);
    EXPECT_TRUE(m_view.playButtonShowsPause);
}

TEST_F(Controller, SampleOfASecondFollowsTheClock) {
    Import(1);
    Started();
    struct {
        int64_t ms;
        int sample;
    } const cases[] = {{0, 0}, {999, 0}, {1000, 1}, {14999, 14}};
    for (const auto& c : cases) {
        engine().SetTime(c.ms);
        ctl().SyncTelemetry();
        EXPECT_EQ(m_view.graphCursor, c.sample) << c.ms;
        EXPECT_EQ(m_view.mapPositions.back().first, SampleAt(c.sample).latitude) << c.ms;
    }
    // Past the last sample: gauges at 0 and 180, the map keeps its position.
    const size_t moves = m_view.mapPositions.size();
    engine().SetTime(60000);
    ctl().SyncTelemetry();
    EXPECT_EQ(m_view.speed, 0);
    EXPECT_EQ(m_view.heading, 180.0);
    EXPECT_EQ(m_view.mapPositions.size(), moves);
}

TEST_F(Controller, AdvancesThroughAllFourOnceEachAndStopsAfterTheLast) {
    Import();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        Started();
        EXPECT_EQ(ctl().CurrentIndex(), i);
        EXPECT_EQ(PlayingPath(), m_samples[i]);
        EXPECT_GT(ctl().Store().GetCount(), 0);
        Play(15500);  // to the end; the tick after it stops and advances
    }
    EXPECT_EQ(engine().opened, m_samples);
    TickAll();
    TickAll();
    EXPECT_EQ(engine().GetState(), Stopped);
    EXPECT_EQ(engine().opened.size(), 4u);
    EXPECT_EQ(ctl().CurrentIndex(), 3);
    EXPECT_TRUE(m_view.idlePictureShown);
    EXPECT_FALSE(m_view.videoWindowShown);
    EXPECT_EQ(m_view.elapsed, "0:00");
    EXPECT_EQ(m_view.sliderValue, 0);
    EXPECT_FALSE(m_view.sliderEnabled);
    EXPECT_EQ(ctl().Store().GetCount(), 0);
    EXPECT_EQ(m_view.graphSamples, 0);
    EXPECT_FALSE(m_view.playButtonShowsPause);
    EXPECT_TRUE(m_view.errors.empty());
}

TEST_F(Controller, EndOfFileAdvancesExactlyOneEntry) {
    Import();
    Started();
    engine().Advance(20000);  // ended; every timer ticks before the next report
    TickAll();
    EXPECT_EQ(ctl().CurrentIndex(), 1);
    Started();
    TickAll();
    TickAll();
    EXPECT_EQ(ctl().CurrentIndex(), 1);
    EXPECT_EQ(engine().GetState(), Playing);
    EXPECT_EQ(engine().opened.size(), 2u);
}

TEST_F(Controller, NextOnTheLastAndPreviousOnTheFirstPlayNothing) {
    Import();
    struct {
        int index;
        void (CPlaybackController::*command)();
    } const cases[] = {{3, &CPlaybackController::OnNext}, {0, &CPlaybackController::OnPrev}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        m_view.Click(c.index);
        ctl().OnListDoubleClick();
        Started();
        ASSERT_EQ(PlayingPath(), m_samples[c.index]);
        const size_t opens = engine().opened.size();
        (ctl().*c.command)();
        EXPECT_EQ(engine().GetState(), Stopped);
        EXPECT_EQ(ctl().CurrentIndex(), c.index);
        EXPECT_EQ(ctl().Store().GetCount(), 0);
        EXPECT_EQ(m_view.graphSamples, 0);
        EXPECT_TRUE(m_view.idlePictureShown);
        EXPECT_EQ(m_view.speed, 0);
        EXPECT_EQ(m_view.heading, 180.0);
        TickAll();
        TickAll();
        EXPECT_EQ(engine().GetState(), Stopped);
        EXPECT_EQ(engine().opened.size(), opens);
    }
}

// Commands that stop a recording to play another never let the stop advance.
TEST_F(Controller, TransportCommandsPlayTheirEntryAndNeverAdvance) {
    Import();
    Started();
    const struct {
        const char* what;
        std::function<void()> command;
        int index;
    } steps[] = {
        {"next", [&] { ctl().OnNext(); }, 1},
        {"next", [&] { ctl().OnNext(); }, 2},
        {"previous", [&] { ctl().OnPrev(); }, 1},
        {"double click",
         [&] {
             m_view.Click(3);
             ctl().OnListDoubleClick();
         },
         3},
        {"double click",
         [&] {
             m_view.Click(0);
             ctl().OnListDoubleClick();
         },
         0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const size_t opens = engine().opened.size();
        step.command();
        EXPECT_EQ(ctl().CurrentIndex(), step.index);
        EXPECT_EQ(engine().opened.size(), opens + 1);  // stopped and opened once, no advance
        EXPECT_EQ(PlayingPath(), m_samples[step.index]);
        Started();
        TickAll();
        EXPECT_EQ(ctl().CurrentIndex(), step.index);
        EXPECT_EQ(engine().GetState(), Playing);
        EXPECT_EQ(m_view.FirstSelectedRow(), step.index);
    }
    // A double click with nothing selected does nothing.
    m_view.selected.clear();
    ctl().OnListDoubleClick();
    EXPECT_EQ(ctl().CurrentIndex(), 0);
}

TEST_F(Controller, StopThenPlayPausePlaysTheEntryAgainFromItsStart) {
    Import();
    Started();
    ctl().OnNext();
    Started();
    Play(9000);
    ctl().OnStop();
    EXPECT_EQ(engine().GetState(), Stopped);
    EXPECT_TRUE(ctl().IsUserStop());
    TickAll();
    TickAll();
    EXPECT_EQ(ctl().CurrentIndex(), 1);  // a user's stop never advances
    EXPECT_EQ(engine().GetState(), Stopped);
    EXPECT_EQ(m_view.sliderValue, 0);
    EXPECT_EQ(m_view.graphCursor, 0);

    ctl().OnPlayPause();
    Started();
    EXPECT_EQ(engine().GetState(), Playing);
    EXPECT_EQ(PlayingPath(), m_samples[1]);
    EXPECT_EQ(engine().GetTime(), 0);
    EXPECT_GT(ctl().Store().GetCount(), 0);  // extracted again
    EXPECT_FALSE(ctl().IsUserStop());
}

TEST_F(Controller, SeekWhilePausedResumesAtTheSliderPosition) {
    Import();
    Started();
    ctl().OnSeekPress();  // the thumb is taken: paused
    EXPECT_EQ(engine().GetState(), Paused);
    const int target = m_view.sliderMax * 2 / 3;
    m_view.sliderValue = target;
    ctl().OnSeekRelease();
    EXPECT_EQ(engine().GetState(), Playing);
    EXPECT_EQ(engine().GetTime(), int64_t(target) * 15000 / m_view.sliderMax);
    EXPECT_EQ(m_view.sliderValue, target);
    EXPECT_EQ(m_view.elapsed, "0:10");
    EXPECT_EQ(ctl().CurrentIndex(), 0);

    // A time report queued before a pause does not pull the thumb back.
    ctl().OnPlayPause();
    m_view.sliderValue = 5;
    ctl().RefreshPosition();
    EXPECT_EQ(m_view.sliderValue, 5);
}

TEST_F(Controller, VolumeStepsStopAtTheEnds) {
    engine().volume = 45;
    Import(1);
    Started();
    EXPECT_EQ(ctl().Volume(), 45);
    EXPECT_EQ(m_view.volumeLit, 4);
    for (int i = 0; i < 12; ++i) {
        ctl().OnVolumeUp();
    }
    EXPECT_EQ(ctl().Volume(), kVolumeMax);  // 95 + 10 stops at 100
    EXPECT_EQ(engine().volume, 100);
    EXPECT_EQ(m_view.volumeLit, 10);
    for (int i = 0; i < 9; ++i) {
        ctl().OnVolumeDown();
    }
    EXPECT_EQ(ctl().Volume(), 10);
    EXPECT_EQ(m_view.volumeLit, 1);
    ctl().OnVolumeDown();
    EXPECT_EQ(ctl().Volume(), 0);
    EXPECT_EQ(m_view.volumeLit, 0);
    ctl().OnVolumeDown();
    EXPECT_EQ(ctl().Volume(), 0);

    // Stopped: the buttons do nothing.
    ctl().OnStop();
    ctl().OnVolumeUp();
    EXPECT_EQ(ctl().Volume(), 0);
    EXPECT_EQ(engine().volume, 0);
}

// PlayFile reads the volume when it does not know it yet; the clock never does.
TEST_F(Controller, VolumeIsReadByPlayFileAndNotByTheClock) {
    engine().volume = -1;  // no audio output yet
    Import(2);
    Started();
    EXPECT_EQ(engine().getVolumeCalls, 1);
    EXPECT_EQ(ctl().Volume(), -1);
    EXPECT_EQ(m_view.volumeLit, 0);
    Play(3000);
    EXPECT_EQ(engine().getVolumeCalls, 1);

    engine().volume = 70;  // the audio output is up by the next recording
    ctl().OnNext();
    Started();
    EXPECT_EQ(engine().getVolumeCalls, 2);
    EXPECT_EQ(ctl().Volume(), 70);
    EXPECT_EQ(m_view.volumeLit, 7);
    ctl().OnPrev();  // known now: later files keep it
    Play(3000);
    EXPECT_EQ(engine().getVolumeCalls, 2);
    EXPECT_EQ(ctl().Volume(), 70);
}

TEST_F(Controller, LengthKnownOnlyOncePlayingSetsTheSliderThen) {
    engine().durationKnownAtOpen = false;
    Import(1);
    EXPECT_EQ(m_view.sliderMax, 0);
    EXPECT_EQ(m_view.total, "0:00");
    Started();
    engine().Report(kEventLengthChanged);
    EXPECT_EQ(m_view.sliderMax, 75);
    EXPECT_EQ(m_view.total, "0:15");
    Play(7500);
    engine().Report(kEventTimeChanged);
    EXPECT_EQ(m_view.sliderValue, 37);
}

TEST_F(Controller, CaptureKeepsThePlayStateAndWritesTheFrame) {
    ctl().SetCaptureClock([] { return std::time_t(1551794829); });
    const std::string stamp = CaptureStamp(1551794829);
    // Nothing open: no file, no folder.
    ctl().OnCapture();
    EXPECT_TRUE(engine().snapshots.empty());

    Import(1);
    Started();
    ctl().OnCapture();
    EXPECT_EQ(engine().GetState(), Playing);
    ctl().OnPlayPause();
    ctl().OnCapture();
    EXPECT_EQ(engine().GetState(), Paused);
    const std::string folder = ctl().CaptureFolder();
    EXPECT_EQ(engine().snapshots, (std::vector<std::string>{folder + "/" + stamp + ".JPG",
                                                            folder + "/" + stamp + "-2.JPG"}));
    for (const std::string& path : engine().snapshots) {
        EXPECT_EQ(fs::file_size(path), 4u) << path;
    }
    ctl().OnStop();
    ctl().OnCapture();
    EXPECT_EQ(engine().snapshots.size(), 2u);
}

// A link named like the next capture, pointing out of the folder, is not
// written through: the capture takes the next name.
TEST_F(Controller, CaptureBesideADanglingLinkWritesNoFileAtItsTarget) {
    ctl().SetCaptureClock([] { return std::time_t(1551794829); });
    const std::string stamp = CaptureStamp(1551794829);
    const std::string folder = ctl().CaptureFolder();
    fs::create_directories(folder);
    const std::string outside = m_home.File("outside.JPG");
    ASSERT_EQ(symlink(outside.c_str(), (folder + "/" + stamp + ".JPG").c_str()), 0);

    Import(1);
    Started();
    ctl().OnCapture();
    EXPECT_FALSE(fs::exists(outside));
    EXPECT_TRUE(fs::is_symlink(folder + "/" + stamp + ".JPG"));
    ASSERT_EQ(engine().snapshots.size(), 1u);
    EXPECT_EQ(engine().snapshots[0], folder + "/" + stamp + "-2.JPG");
    EXPECT_TRUE(fs::is_regular_file(engine().snapshots[0]));
}

TEST_F(Controller, AMissingFileShowsTheFailureAndTheListGoesOn) {
    const std::string gone = m_home.File("GONE.MOV");
    fs::copy_file(m_samples[0], gone);
    ctl().ImportPaths({gone, m_samples[1]});
    Started();
    ctl().OnStop();
    fs::remove(gone);

    ctl().OnPlayPause();
    ASSERT_EQ(m_view.errors, std::vector<std::string>{"Play file failed!\n"});
    EXPECT_NE(engine().GetState(), Playing);
    EXPECT_EQ(ctl().CurrentIndex(), 0);
    EXPECT_EQ(m_view.FirstSelectedRow(), 0);
    EXPECT_EQ(ctl().Store().GetCount(), 0);
    TickAll();
    EXPECT_FALSE(m_view.playButtonShowsPause);

    ctl().OnNext();
    Started();
    EXPECT_EQ(PlayingPath(), m_samples[1]);
    EXPECT_EQ(engine().GetState(), Playing);
}

// The engine gives up on a recording (libvlc's Error state): the clock ends
// it like an ended one, and the list moves on.
TEST_F(Controller, AnUnplayableRecordingEndsLikeAnEndedOne) {
    engine().failNextOpen = true;
    Import(2);
    ctl().OnTimer(kEndCheckTimerA);
    EXPECT_EQ(ctl().CurrentIndex(), 1);
    EXPECT_EQ(PlayingPath(), m_samples[1]);
    EXPECT_EQ(engine().GetState(), Playing);
}

TEST_F(Controller, DropAddsOnlyRecordingsInAnyLetterCase) {
    for (const char* name : {"a.mov", "b.Mp4", "c.avi", "d", "e.mov.txt"}) {
        fs::copy_file(m_samples[0], m_home.File(name));
    }
    fs::create_directory(m_home.File("f.MOV"));
    ctl().OnDropFiles({m_home.File("a.mov"), m_home.File("b.Mp4"), m_home.File("c.avi"),
                       m_home.File("d"), m_home.File("e.mov.txt"), m_home.File("f.MOV")});
    ASSERT_EQ(ctl().FileList().GetEntryCount(), 2);
    tagFileNode node;
    ctl().FileList().GetEntry(1, node);
    EXPECT_EQ(node.strFileName, "b.Mp4");
    EXPECT_FALSE(ctl().IsDropped());  // consumed: nothing was open, the current entry plays
    EXPECT_EQ(PlayingPath(), m_home.File("a.mov"));

    // A drop without any recording adds nothing, plays nothing, keeps the flag.
    ctl().OnStop();
    ctl().OnDropFiles({m_home.File("c.avi")});
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 2);
    EXPECT_TRUE(ctl().IsDropped());
    EXPECT_EQ(engine().GetState(), Stopped);
}

// A drop on a paused recording is handled like one on a playing recording.
TEST_F(Controller, DropOnAPlayingOrPausedRecordingAdvancesExactlyOneEntry) {
    Import();
    Started();
    fs::copy_file(m_samples[0], m_home.File("x.MOV"));
    ctl().OnDropFiles({m_home.File("x.MOV")});
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 5);
    EXPECT_EQ(ctl().CurrentIndex(), 1);
    EXPECT_EQ(PlayingPath(), m_samples[1]);
    EXPECT_FALSE(ctl().IsDropped());
    Started();

    ctl().OnPlayPause();
    ASSERT_EQ(engine().GetState(), Paused);
    fs::copy_file(m_samples[0], m_home.File("y.mp4"));
    ctl().OnDropFiles({m_home.File("y.mp4")});
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 6);
    Started();
    TickAll();
    TickAll();
    EXPECT_EQ(ctl().CurrentIndex(), 2);
    EXPECT_EQ(PlayingPath(), m_samples[2]);
    EXPECT_EQ(engine().opened.size(), 3u);
    EXPECT_EQ(engine().GetState(), Playing);
}

TEST_F(Controller, ImportPlaysAStoppedListAndLeavesAPlayingOne) {
    ctl().ImportPaths({});  // a cancelled dialog with an empty list: nothing
    EXPECT_EQ(engine().GetState(), NoMedia);
    Import(2);
    Started();
    ctl().OnStop();
    ctl().ImportPaths({});  // cancelled: a stopped list plays its current entry
    EXPECT_EQ(engine().GetState(), Playing);
    EXPECT_EQ(engine().opened.size(), 2u);

    Started();
    ctl().ImportPaths({m_samples[2]});  // while playing: added, the recording plays on
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 3);
    EXPECT_EQ(ctl().CurrentIndex(), 0);
    EXPECT_EQ(engine().opened.size(), 2u);
}

// PlayFile selects the row it plays without focusing it, and clears the
// selected and focused states of the row it leaves.
TEST_F(Controller, PlayFileSelectsTheRowWithoutFocusingIt) {
    Import();
    Started();
    EXPECT_EQ(m_view.selected, std::set<int>{0});
    EXPECT_EQ(m_view.focused, -1);
    m_view.Click(0);  // the user clicks the playing row
    ctl().OnNext();
    EXPECT_EQ(m_view.selected, std::set<int>{1});
    EXPECT_EQ(m_view.focused, -1);

    // Several rows selected by the user: playing adds its row to them.
    m_view.selected = {0, 3};
    m_view.focused = 3;
    ctl().OnNext();
    EXPECT_EQ(m_view.selected, (std::set<int>{0, 2, 3}));
    EXPECT_EQ(m_view.focused, 3);
}

// After Next no row has the focus: the first press of the remove button
// removes nothing, and certainly not the recording that plays.
TEST_F(Controller, AfterNextTheRemoveButtonRemovesNothing) {
    Import();
    Started();
    m_view.Click(0);
    ctl().OnNext();
    Started();
    ctl().OnRemoveEntry();
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 4);
    EXPECT_EQ(engine().GetState(), Playing);
    EXPECT_EQ(PlayingPath(), m_samples[1]);
}

TEST_F(Controller, RemoveNeedsASelectedRowAndTakesTheFocusedOne) {
    Import(3);
    Started();
    m_view.selected.clear();
    m_view.focused = 2;
    ctl().OnRemoveEntry();  // focused but nothing selected: nothing removed
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 3);

    m_view.selected = {0, 1};
    m_view.focused = 2;
    ctl().OnRemoveEntry();  // the focused row goes, the selected ones stay
    ASSERT_EQ(ctl().FileList().GetEntryCount(), 2);
    tagFileNode node;
    ctl().FileList().GetEntry(1, node);
    EXPECT_EQ(node.strFilePath, m_samples[1]);
    EXPECT_EQ(engine().GetState(), Playing);
    EXPECT_TRUE(fs::exists(m_samples[2]));  // the file itself stays
}

TEST_F(Controller, RemovingThePlayingEntryStartsTheOneThatFollowed) {
    Import(3);
    Started();
    ctl().OnNext();
    Started();
    m_view.Click(1);
    const size_t moves = m_view.mapPositions.size();
    ctl().OnRemoveEntry();
    ASSERT_EQ(ctl().FileList().GetEntryCount(), 2);
    EXPECT_EQ(ctl().CurrentIndex(), 1);
    tagFileNode node;
    ctl().FileList().GetEntry(1, node);
    EXPECT_EQ(node.strFilePath, m_samples[2]);
    EXPECT_EQ(PlayingPath(), m_samples[2]);
    ASSERT_GT(m_view.mapPositions.size(), moves);
    EXPECT_EQ(m_view.mapPositions[moves], std::make_pair(std::string(), std::string()));
    EXPECT_GT(ctl().Store().GetCount(), 0);  // the telemetry of the entry now playing
    EXPECT_EQ(m_view.graphSamples, ctl().Store().GetCount());
    EXPECT_EQ(m_view.FirstSelectedRow(), 1);
    EXPECT_EQ(m_view.FocusedRow(), 1);
    EXPECT_TRUE(fs::exists(m_samples[1]));
}

TEST_F(Controller, RemovingOtherRowsKeepsTheCurrentRecording) {
    Import(3);
    Started();
    ctl().OnNext();
    ctl().OnNext();
    Started();
    m_view.Click(0);  // the user picks a row above the playing one
    ctl().OnRemoveEntry();
    ASSERT_EQ(ctl().FileList().GetEntryCount(), 2);
    EXPECT_EQ(ctl().CurrentIndex(), 1);
    EXPECT_EQ(m_view.FirstSelectedRow(), 1);
    EXPECT_EQ(engine().GetState(), Playing);  // plays on, state kept
    EXPECT_EQ(engine().GetMediaPath(), m_samples[2]);
    TickAll();
    EXPECT_EQ(ctl().CurrentIndex(), 1);
}

TEST_F(Controller, RemovingTheLastOfThreeMakesTheSecondCurrent) {
    Import(3);
    Started();
    ctl().OnNext();
    ctl().OnNext();
    Started();
    ctl().OnStop();
    m_view.Click(2);
    ctl().OnRemoveEntry();
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 2);
    EXPECT_EQ(ctl().CurrentIndex(), 1);
    EXPECT_EQ(m_view.FirstSelectedRow(), 1);
    EXPECT_EQ(engine().GetState(), NoMedia);

    // Play/Pause then plays the new current entry, with its telemetry.
    ctl().OnPlayPause();
    EXPECT_EQ(PlayingPath(), m_samples[1]);
    EXPECT_GT(ctl().Store().GetCount(), 0);
}

// Removing the current entry in NoMedia (its media was forgotten by an
// earlier removal) resets the store, the graph and the map as well.
TEST_F(Controller, RemovingTheCurrentEntryInNoMediaResetsStoreGraphAndMap) {
    Import(3);
    Started();
    Play(2000);
    m_view.Click(2);
    ctl().OnRemoveEntry();       // another row: the recording plays on
    engine().SetState(NoMedia);  // as after a removal while stopped
    ASSERT_GT(ctl().Store().GetCount(), 0);
    const size_t moves = m_view.mapPositions.size();

    m_view.Click(0);
    ctl().OnRemoveEntry();
    EXPECT_EQ(ctl().FileList().GetEntryCount(), 1);
    EXPECT_EQ(ctl().Store().GetCount(), 0);
    EXPECT_EQ(m_view.graphSamples, 0);
    ASSERT_EQ(m_view.mapPositions.size(), moves + 1);
    EXPECT_EQ(m_view.mapPositions.back(), std::make_pair(std::string(), std::string()));
    EXPECT_EQ(engine().GetState(), NoMedia);
}

// While paused the map is not sent the same position again and again.
TEST_F(Controller, PausedTicksDoNotMoveTheMap) {
    Import(1);
    Started();
    Play(3000);
    ctl().OnPlayPause();
    const size_t moves = m_view.mapPositions.size();
    const int draws = m_view.dialDraws;
    for (int i = 0; i < 20; ++i) {
        TickAll();
    }
    EXPECT_EQ(m_view.mapPositions.size(), moves);
    EXPECT_EQ(m_view.dialDraws, draws);
    // Playing on, the next second moves it once.
    ctl().OnPlayPause();
    Play(1000);
    EXPECT_EQ(m_view.mapPositions.size(), moves + 1);
}

// When libvlc reports Stopped in full screen, the window leaves full screen.
TEST_F(Controller, StoppedReportLeavesFullScreen) {
    Import(1);
    Started();
    m_view.fullScreen = true;
    ctl().OnStop();
    EXPECT_FALSE(m_view.fullScreen);
    EXPECT_FALSE(m_view.videoWindowShown);
}

// ---------------------------------------------------------------------------
// Keys: seeking, frame steps, playback speed.

TEST_F(Controller, KeysDoNothingWhileNothingIsOpen) {
    const std::function<void()> keys[] = {
        [&] { ctl().SeekBy(kSeekStepMs); },
        [&] { ctl().SeekBy(-kLongSeekStepMs); },
        [&] { ctl().StepFrameForward(); },
        [&] { ctl().StepFrameBack(); },
        [&] { ctl().RateUp(); },
        [&] { ctl().RateDown(); },
    };
    for (int state = 0; state < 2; ++state) {
        SCOPED_TRACE(state == 0 ? "no media" : "stopped");
        if (state == 1) {
            Import(1);
            Started();
            ctl().OnStop();
        }
        for (const auto& key : keys) {
            key();
        }
        EXPECT_EQ(engine().GetTime(), 0);
        EXPECT_EQ(engine().nextFrameCalls, 0);
        EXPECT_EQ(ctl().Rate(), 1.0);
        EXPECT_EQ(m_view.rate, 1.0);
        EXPECT_EQ(m_view.sliderValue, 0);
    }
}

TEST_F(Controller, SeekKeysMoveWithinTheRecordingAndShowTheTarget) {
    Import(1);
    Started();
    struct {
        int64_t from, offset, want;
    } const cases[] = {
        {7000, kSeekStepMs, 12000},      {7000, -kSeekStepMs, 2000},   {3000, -kSeekStepMs, 0},
        {12000, kLongSeekStepMs, 15000}, {14000, -kLongSeekStepMs, 0}, {0, kSeekStepMs, 5000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        SCOPED_TRACE(c.offset);
        engine().SetTime(c.from);
        ctl().OnTimer(kClockTimer);
        ctl().SeekBy(c.offset);
        EXPECT_EQ(engine().GetTime(), c.want);
        EXPECT_EQ(m_view.sliderValue, static_cast<int>(c.want / kSliderStepMs));
        EXPECT_EQ(m_view.elapsed, CPlaybackController::FormatMinutesSeconds(c.want));
        EXPECT_EQ(m_view.graphCursor, static_cast<int>(c.want / 1000));
        EXPECT_EQ(engine().GetState(), Playing);
    }
    // Paused: the recording stays paused, and the thumb shows the new place
    // (time reports do not move it while paused).
    engine().SetTime(5000);
    ctl().OnPlayPause();
    ctl().SeekBy(kSeekStepMs);
    EXPECT_EQ(engine().GetState(), Paused);
    EXPECT_EQ(engine().GetTime(), 10000);
    EXPECT_EQ(m_view.sliderValue, 50);
    const tagAssistInfo s = SampleAt(10);
    ASSERT_TRUE(HasUsablePosition(s));
    EXPECT_EQ(m_view.mapPositions.back(), std::make_pair(s.latitude, s.longitude));
}

// libvlc reports the new time a little after a seek: presses in quick
// succession (a held key) each go a step further.
TEST_F(Controller, QuickSeekPressesAddUp) {
    Import(1);
    Started();
    engine().lagSeeks = true;
    engine().SetTime(1000);
    engine().Advance(0);
    ctl().SeekBy(kSeekStepMs);
    ctl().SeekBy(kSeekStepMs);
    EXPECT_EQ(engine().GetTime(), 1000);  // not taken yet
    engine().Advance(0);
    EXPECT_EQ(engine().GetTime(), 11000);
    EXPECT_EQ(m_view.elapsed, "0:11");
    // After a tick the steps start from the time libvlc reports again.
    ctl().OnTimer(kClockTimer);
    ctl().SeekBy(-kSeekStepMs);
    engine().Advance(0);
    EXPECT_EQ(engine().GetTime(), 6000);
}

TEST_F(Controller, FrameStepsOnlyWhilePaused) {
    Import(1);
    Started();
    engine().SetTime(6000);
    ctl().StepFrameForward();
    ctl().StepFrameBack();
    EXPECT_EQ(engine().nextFrameCalls, 0);
    EXPECT_EQ(engine().GetTime(), 6000);

    ctl().OnPlayPause();
    // Forward twice, back once: the steps count from the time last known,
    // since libvlc does not report the time of a stepped frame.
    ctl().StepFrameForward();
    ctl().StepFrameForward();
    EXPECT_EQ(engine().nextFrameCalls, 2);
    EXPECT_EQ(m_view.graphCursor, 6);
    TickAll();  // a paused recording keeps the count
    ctl().StepFrameBack();
    EXPECT_EQ(engine().GetTime(), 6040);
    EXPECT_EQ(engine().GetState(), Paused);
    struct {
        double fps;
        int64_t from, want;
    } const back[] = {
        {25.0, 6040, 6000},
        {30.0, 6000, 5967},
        {0.0, 6000, 6000 - kDefaultFrameMs},
        {25.0, 10, 0},
    };
    for (const auto& c : back) {
        SCOPED_TRACE(c.fps);
        engine().fps = c.fps;
        ctl().OnPlayPause();  // playing: the next tick takes libvlc's time again
        engine().SetTime(c.from);
        ctl().OnTimer(kClockTimer);
        ctl().OnPlayPause();
        ctl().StepFrameBack();
        EXPECT_EQ(engine().GetTime(), c.want);
        EXPECT_EQ(engine().GetState(), Paused);
    }
}

TEST_F(Controller, RateStepsFromHalfToDoubleAndHoldForTheNextRecording) {
    Import(2);
    Started();
    const double up[] = {1.25, 1.5, 2.0, 2.0};
    for (double want : up) {
        ctl().RateUp();
        EXPECT_EQ(ctl().Rate(), want);
        EXPECT_EQ(engine().rate, want);
        EXPECT_EQ(m_view.rate, want);
    }
    const double down[] = {1.5, 1.25, 1.0, 0.75, 0.5, 0.5};
    for (double want : down) {
        ctl().RateDown();
        EXPECT_EQ(ctl().Rate(), want);
        EXPECT_EQ(engine().rate, want);
        EXPECT_EQ(m_view.rate, want);
    }
    // The next recording plays at the same speed.
    ctl().OnNext();
    Started();
    EXPECT_EQ(engine().rate, 0.5);
    EXPECT_EQ(m_view.rate, 0.5);
    ctl().ResetRate();
    EXPECT_EQ(engine().rate, 1.0);
    EXPECT_EQ(m_view.rate, 1.0);

    // A speed the engine refuses is not shown.
    engine().refuseRate = true;
    ctl().RateUp();
    EXPECT_EQ(ctl().Rate(), 1.0);
    EXPECT_EQ(m_view.rate, 1.0);
}

TEST_F(Controller, TitleAndPlayingMarkFollowTheRecordingThatIsOpen) {
    EXPECT_EQ(m_view.title, "");
    Import(3);
    Started();
    const auto name = [&](int i) { return fs::path(m_samples[i]).filename().string(); };
    EXPECT_EQ(m_view.title, name(0));
    EXPECT_EQ(m_view.playingRow, 0);
    ctl().OnNext();
    EXPECT_EQ(m_view.title, name(1));
    EXPECT_EQ(m_view.playingRow, 1);
    ctl().OnPlayPause();  // paused: still the one playing
    EXPECT_EQ(m_view.playingRow, 1);

    // Removing a row above it: the mark stays on the same recording.
    m_view.Click(0);
    ctl().OnRemoveEntry();
    EXPECT_EQ(ctl().CurrentIndex(), 0);
    EXPECT_EQ(m_view.playingRow, 0);
    EXPECT_EQ(m_view.title, name(1));

    ctl().OnStop();
    EXPECT_EQ(m_view.title, "");
    EXPECT_EQ(m_view.playingRow, -1);

    // To the end of the list: nothing is marked afterwards.
    ctl().OnPlayPause();
    Started();
    EXPECT_EQ(m_view.playingRow, 0);
    Play(15500);
    Started();
    EXPECT_EQ(m_view.playingRow, 1);
    EXPECT_EQ(m_view.title, name(2));
    Play(15500);
    TickAll();
    EXPECT_EQ(engine().GetState(), Stopped);
    EXPECT_EQ(m_view.playingRow, -1);
    EXPECT_EQ(m_view.title, "");
}

}  // namespace
