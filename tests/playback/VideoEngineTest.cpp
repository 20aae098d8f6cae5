#include "VideoEngine.h"

#include "BoxWriter.h"
#include "CallQueue.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kClip = VELTO_ENGINE_CLIP;  // 15 s, 1280x720, 30 fps, with sound

using velto::testing::CallQueue;

// Records the reports; only ever called on the test thread.
class RecordingSink : public IPlayerEventSink {
public:
    void OnPlayerEvent(int type) override {
        events.push_back(type);
        threads.push_back(std::this_thread::get_id());
        if (onEvent)
            onEvent(type);
    }
    bool Saw(int type) const {
        for (int e : events)
            if (e == type)
                return true;
        return false;
    }

    std::vector<int> events;
    std::vector<std::thread::id> threads;
    std::function<void(int)> onEvent;
};

// A plain top-level X11 window at (0, 0) that listens for button presses.
class TestWindow {
public:
    TestWindow(uint16_t width, uint16_t height) {
        m_pConn = xcb_connect(nullptr, nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_pConn)).data;
        m_id = xcb_generate_id(m_pConn);
        const uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_NO_EVENT};
        xcb_create_window(m_pConn, XCB_COPY_FROM_PARENT, m_id, screen->root, 0, 0, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        xcb_map_window(m_pConn, m_id);
        // A round trip: the server has made the window before another client asks for it.
        free(xcb_get_input_focus_reply(m_pConn, xcb_get_input_focus(m_pConn), nullptr));
    }
    ~TestWindow() {
        xcb_destroy_window(m_pConn, m_id);
        xcb_flush(m_pConn);
        xcb_disconnect(m_pConn);
    }
    unsigned long Id() const { return m_id; }

    // Fails (BadAccess) when another client, such as libvlc, already takes them.
    bool SelectButtonPresses() {
        const uint32_t mask = XCB_EVENT_MASK_BUTTON_PRESS;
        xcb_generic_error_t* error = xcb_request_check(
            m_pConn, xcb_change_window_attributes_checked(m_pConn, m_id, XCB_CW_EVENT_MASK, &mask));
        free(error);
        return error == nullptr;
    }

    // Button presses received within `ms` (stops early at `enough`).
    int CountButtonPresses(int ms, int enough) {
        int presses = 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        while (presses < enough && Clock::now() < deadline) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_pConn)) {
                if ((event->response_type & 0x7f) == XCB_BUTTON_PRESS)
                    ++presses;
                free(event);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return presses;
    }

private:
    xcb_connection_t* m_pConn = nullptr;
    xcb_window_t m_id = 0;
};

class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/velto-engine-XXXXXX";
        m_path = mkdtemp(name) ? name : "";
    }
    ~TempDir() {
        std::error_code ec;
        if (!m_path.empty())
            fs::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// The first sample recording the build made (name order), or empty.
std::string FirstSampleRecording() {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(VELTO_SAMPLES_DIR, ec)) {
        const std::string ext = entry.path().extension().string();
        if (entry.is_regular_file() && (ext == ".MOV" || ext == ".MP4"))
            found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end());
    return found.empty() ? std::string() : found.front();
}

std::vector<unsigned char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Width and height from the JPEG's start-of-frame segment.
bool JpegFrameSize(const std::vector<unsigned char>& b, int& width, int& height) {
    size_t i = 2;
    while (i + 9 < b.size() && b[i] == 0xFF) {
        const unsigned char marker = b[i + 1];
        const size_t length = (b[i + 2] << 8) | b[i + 3];
        if (marker >= 0xC0 && marker <= 0xC3) {
            height = (b[i + 5] << 8) | b[i + 6];
            width = (b[i + 7] << 8) | b[i + 8];
            return true;
        }
        i += 2 + length;
    }
    return false;
}

// Fails the whole run, instead of hanging it, when a call does not return.
class Watchdog {
public:
    explicit Watchdog(int seconds)
        : m_thread([this, seconds] {
              const auto deadline = Clock::now() + std::chrono::seconds(seconds);
              while (!m_done && Clock::now() < deadline)
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              if (!m_done) {
                  fprintf(stderr, "watchdog: call did not return (deadlock)\n");
                  std::_Exit(3);
              }
          }) {}
    ~Watchdog() {
        m_done = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

// ---------------------------------------------------------------- no window

TEST(EngineWithoutWindow, FreshEngineHasNoMediaAndNothingToReport) {
    CVideoEngine engine;
    EXPECT_EQ(engine.GetState(), NoMedia);
    EXPECT_EQ(engine.GetMediaPath(), "");
    EXPECT_EQ(engine.GetDuration(), 0.0);
    EXPECT_FALSE(engine.IsEnded());
    EXPECT_FALSE(engine.SetVideoWindow(0));
    EXPECT_EQ(engine.m_hVideoWnd, 0ul);
    printf("fresh engine: length %lld time %lld volume %d\n",
           static_cast<long long>(engine.GetLength()), static_cast<long long>(engine.GetTime()),
           engine.GetVolume());
}

TEST(EngineWithoutWindow, UnopenablePathsFailAndLeaveTheState) {
    TempDir dir;
    const std::string cases[] = {"", "/nonexistent/2026_0314_081500_001.MP4", dir.Path(),
                                 std::string("/tmp/a\0b.MP4", 12)};
    CVideoEngine engine;
    for (const std::string& path : cases) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(engine.OpenAndPlay(path));
        EXPECT_FALSE(engine.OpenMedia(path));
        EXPECT_EQ(engine.GetState(), NoMedia);
    }
}

// Play in NoMedia opens the path last given; when there is none, or it
// cannot be opened, nothing plays and the state says so.
TEST(EngineWithoutWindow, PlayThatCannotOpenReportsNoMedia) {
    CVideoEngine engine;
    engine.Play();
    EXPECT_EQ(engine.GetState(), NoMedia);
    EXPECT_FALSE(engine.IsEnded());
    EXPECT_EQ(engine.GetDuration(), 0.0);
}

TEST(EngineWithoutWindow, ReleasedEngineDoesNothing) {
    CVideoEngine engine;
    engine.Release();
    EXPECT_FALSE(engine.OpenAndPlay(kClip));
    engine.Play();
    EXPECT_EQ(engine.GetState(), NoMedia);
    engine.Stop();
    EXPECT_EQ(engine.GetTime(), 0);
    EXPECT_EQ(engine.TakeSnapshot("/tmp/never.JPG"), -1);
    engine.Release();
}

// ---------------------------------------------------------------- on a window

class EngineOnWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(getenv("DISPLAY"), nullptr) << "no X display";
        m_window = std::make_unique<TestWindow>(640, 360);
        ASSERT_TRUE(m_engine.SetVideoWindow(m_window->Id()));
        m_engine.AttachVideoWindow(m_engine.m_hVideoWnd);
        m_engine.AttachEvents(&m_sink, m_queue.MakePoster());
    }

    // Opens `path` and waits for the Playing report and a moving clock.
    bool OpenAndWaitPlaying(const std::string& path) {
        if (!m_engine.OpenAndPlay(path))
            return false;
        return m_queue.PumpUntil(
            [&] { return m_sink.Saw(kEventPlaying) && m_engine.GetTime() > 300; }, 10000);
    }

    CallQueue m_queue;
    RecordingSink m_sink;
    std::unique_ptr<TestWindow> m_window;
    CVideoEngine m_engine;  // released first
};

TEST_F(EngineOnWindow, PlaysReportsPausesResumesAndSeeks) {
    ASSERT_TRUE(OpenAndWaitPlaying(kClip));
    EXPECT_EQ(m_engine.GetState(), Playing);
    EXPECT_EQ(m_engine.GetMediaPath(), kClip);
    EXPECT_TRUE(m_sink.Saw(kEventOpening));
    EXPECT_TRUE(m_queue.PumpUntil([&] { return m_sink.Saw(kEventTimeChanged); }, 3000));
    for (std::thread::id id : m_sink.threads)
        EXPECT_EQ(id, std::this_thread::get_id());

    EXPECT_NEAR(m_engine.GetDuration(), 15000.0, 100.0);
    EXPECT_NEAR(static_cast<double>(m_engine.GetLength()), 15000.0, 100.0);
    EXPECT_EQ(m_engine.GetVideoWidth(), 1280);
    EXPECT_EQ(m_engine.GetVideoHeight(), 720);

    m_engine.SetTime(6000);
    EXPECT_TRUE(m_queue.PumpUntil([&] { return m_engine.GetTime() >= 6000; }, 3000));

    m_engine.Pause();
    EXPECT_EQ(m_engine.GetState(), Paused);
    ASSERT_TRUE(m_queue.PumpUntil([&] { return m_sink.Saw(kEventPaused); }, 3000));
    const int64_t pausedAt = m_engine.GetTime();
    m_queue.PumpFor(400);
    EXPECT_NEAR(static_cast<double>(m_engine.GetTime()), static_cast<double>(pausedAt), 50.0);

    m_engine.Play();
    EXPECT_EQ(m_engine.GetState(), Playing);
    EXPECT_TRUE(m_queue.PumpUntil([&] { return m_engine.GetTime() > pausedAt + 300; }, 3000));
}

TEST_F(EngineOnWindow, StopDeliversStoppedBeforeReturningAndDropsStaleReports) {
    ASSERT_TRUE(OpenAndWaitPlaying(kClip));
    // Let time reports pile up in the queue: they are stale once Stop runs.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    m_sink.events.clear();
    m_sink.threads.clear();

    m_engine.Stop();
    ASSERT_EQ(m_sink.events, std::vector<int>{kEventStopped});
    EXPECT_EQ(m_sink.threads.front(), std::this_thread::get_id());
    EXPECT_EQ(m_engine.GetState(), Stopped);
    EXPECT_FALSE(m_engine.IsEnded());

    m_queue.PumpFor(500);
    EXPECT_EQ(m_sink.events, std::vector<int>{kEventStopped});

    // Stop then Play starts the same media from its beginning.
    m_engine.Play();
    EXPECT_EQ(m_engine.GetState(), Playing);
    ASSERT_TRUE(m_queue.PumpUntil([&] { return m_sink.Saw(kEventPlaying); }, 5000));
    EXPECT_LT(m_engine.GetTime(), 3000);
}

TEST_F(EngineOnWindow, SinkMayOpenTheNextFileFromTheStoppedReport) {
    ASSERT_TRUE(OpenAndWaitPlaying(kClip));
    bool reopened = false;
    m_sink.onEvent = [&](int type) {
        if (type == kEventStopped && !reopened) {
            m_engine.SetState(Stopped);
            reopened = m_engine.OpenAndPlay(kClip);
        }
    };
    m_sink.events.clear();
    {
        Watchdog watchdog(20);
        m_engine.Stop();
    }
    EXPECT_TRUE(reopened);
    EXPECT_EQ(m_engine.GetState(), Playing);  // the sink's reopening is not undone
    EXPECT_TRUE(m_queue.PumpUntil(
        [&] { return m_sink.Saw(kEventPlaying) && m_engine.GetTime() > 300; }, 10000));
}

TEST_F(EngineOnWindow, IsEndedAtTheEndButNotAfterStop) {
    ASSERT_TRUE(OpenAndWaitPlaying(kClip));
    EXPECT_FALSE(m_engine.IsFailed());
    EXPECT_FALSE(m_engine.IsEnded());
    m_engine.SetTime(m_engine.GetLength() - 700);
    EXPECT_TRUE(m_queue.PumpUntil([&] { return m_engine.IsEnded(); }, 5000));

    // The clock stops an ended recording; its Stopped report drives the advance.
    m_sink.events.clear();
    m_engine.Stop();
    EXPECT_EQ(m_sink.events, std::vector<int>{kEventStopped});
    EXPECT_FALSE(m_engine.IsEnded());
}

// libvlc's MP4 reader recurses once per box level on a thread of its own: a 56 KB file of
// 7,000 nested boxes killed the process. The engine refuses it before libvlc sees it, and
// the next recording plays as usual.
TEST_F(EngineOnWindow, RefusesADeeplyNestedFileThenPlaysASampleRecording) {
    const std::string sample = FirstSampleRecording();
    ASSERT_FALSE(sample.empty()) << "no sample recordings in " VELTO_SAMPLES_DIR;
    TempDir dir;
    const std::string deep = dir.Path() + "/2026_0314_081500_001.MP4";
    ASSERT_TRUE(
        velto::testing::TempDir::WriteFile(deep, velto::testing::NestedBoxesRecording(7000)));

    EXPECT_FALSE(m_engine.OpenAndPlay(deep));
    EXPECT_EQ(m_engine.GetState(), NoMedia);
    m_engine.Play();  // Play in NoMedia opens the stored path: refused again
    m_queue.PumpFor(1500);
    EXPECT_FALSE(m_sink.Saw(kEventPlaying));

    m_engine.SetState(NoMedia);
    ASSERT_TRUE(OpenAndWaitPlaying(sample));
    EXPECT_EQ(m_engine.GetMediaPath(), sample);
}

TEST_F(EngineOnWindow, PlayInNoMediaOpensTheStoredPath) {
    ASSERT_TRUE(OpenAndWaitPlaying(kClip));
    m_engine.Stop();
    m_engine.SetState(NoMedia);  // what removing the playing entry does
    m_sink.events.clear();

    m_engine.Play();
    EXPECT_EQ(m_engine.GetState(), Playing);
    EXPECT_TRUE(m_queue.PumpUntil(
        [&] { return m_sink.Saw(kEventPlaying) && m_engine.GetTime() > 0; }, 10000));
    EXPECT_EQ(m_engine.GetMediaPath(), kClip);
}

TEST_F(EngineOnWindow, VolumeFollowsSetVolume) {
    ASSERT_TRUE(OpenAndWaitPlaying(kClip));
    const int initial = m_engine.GetVolume();
    printf("volume reported while playing: %d\n", initial);
    EXPECT_GE(initial, 0);
    for (int volume : {40, 0, 100}) {
        m_engine.SetVolume(volume);
        EXPECT_TRUE(m_queue.PumpUntil([&] { return m_engine.GetVolume() == volume; }, 2000))
            << "set " << volume << ", libvlc reports " << m_engine.GetVolume();
    }
}

TEST_F(EngineOnWindow, SnapshotIsAJpegOfTheVideoSize) {
    ASSERT_TRUE(OpenAndWaitPlaying(kClip));
    TempDir dir;
    const std::string path = dir.Path() + "/2026-12-11-12-30-05.JPG";
    ASSERT_EQ(m_engine.TakeSnapshot(path), 0);

    const std::vector<unsigned char> bytes = ReadAll(path);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
    int width = 0, height = 0;
    ASSERT_TRUE(JpegFrameSize(bytes, width, height));
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 720);
    // Only the JPEG is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

// The length libvlc finds is reported; the duration is never waited for.
TEST_F(EngineOnWindow, LengthIsReportedOncePlaying) {
    ASSERT_TRUE(m_engine.OpenAndPlay(kClip));
    ASSERT_TRUE(m_queue.PumpUntil([&] { return m_sink.Saw(kEventLengthChanged); }, 10000));
    EXPECT_NEAR(static_cast<double>(m_engine.GetLength()), 15000.0, 100.0);
    EXPECT_NEAR(m_engine.GetDuration(), 15000.0, 100.0);
}

// A snapshot never writes through a symbolic link, and leaves nothing of
// libvlc's own PNG beside the picture.
TEST_F(EngineOnWindow, SnapshotIsNotWrittenThroughALink) {
    ASSERT_TRUE(OpenAndWaitPlaying(kClip));
    TempDir dir;
    const std::string target = dir.Path() + "/elsewhere.JPG";
    const std::string link = dir.Path() + "/2026-12-11-12-30-07.JPG";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(m_engine.TakeSnapshot(link), -1);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST_F(EngineOnWindow, LongUtf8PathOpensAndTakesSnapshots) {
    TempDir dir;
    std::string folder = dir.Path();
    const std::string part = "Fahrt über die Brücke – 日本の道路 – ";
    for (int level = 0; level < 3; ++level) {
        std::string name;
        while (name.size() < 180)
            name += part;
        folder += "/" + name + std::to_string(level);
    }
    fs::create_directories(folder);
    const std::string path = folder + "/2026_0314_081500_ß.MP4";
    ASSERT_GE(path.size(), 600u);
    std::error_code ec;
    fs::create_hard_link(kClip, path, ec);
    if (ec)
        fs::copy_file(kClip, path);

    ASSERT_TRUE(OpenAndWaitPlaying(path));
    EXPECT_EQ(m_engine.GetMediaPath(), path);
    EXPECT_EQ(m_engine.GetVideoWidth(), 1280);
    const std::string shot = folder + "/2026-12-11-12-30-06.JPG";
    EXPECT_EQ(m_engine.TakeSnapshot(shot), 0);
    EXPECT_TRUE(fs::exists(shot));
}

TEST_F(EngineOnWindow, DoubleClickOverTheVideoReachesOurWindow) {
    ASSERT_EQ(system("command -v xdotool >/dev/null 2>&1"), 0) << "no xdotool";
    ASSERT_TRUE(OpenAndWaitPlaying(kClip));
    // Selected only now, after libvlc has set up its video window.
    ASSERT_TRUE(m_window->SelectButtonPresses()) << "libvlc took the pointer input";
    ASSERT_EQ(system("xdotool mousemove 320 180 click --repeat 2 --delay 80 1"), 0);
    EXPECT_EQ(m_window->CountButtonPresses(3000, 2), 2);
}

}  // namespace
