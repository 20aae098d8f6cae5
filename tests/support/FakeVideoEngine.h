#pragma once

// A scripted video engine for the playback controller's tests: no libvlc, no
// display. Its clock moves only when the test calls Advance; it raises the
// Stopped report inside Stop() as the real engine does, and the test raises
// the reports that libvlc would queue (Playing, Paused, ...) with Report().

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "VideoEngineInterface.h"

namespace velto::testing {

class FakeVideoEngine : public IVideoEngine {
public:
    // Scripted behaviour.
    int64_t lengthMs = 15000;          // of every recording opened
    bool durationKnownAtOpen = true;   // else GetDuration gives 0 until played
    int volume = 100;                  // what GetVolume reports; -1: no audio output
    bool failNextOpen = false;         // libvlc gives up on the next recording (Error)
    double fps = 25.0;                 // of every recording; 0: not known
    bool refuseRate = false;           // SetRate fails
    bool lagSeeks = false;             // GetTime shows a seek only after the next Advance
    std::set<std::string> unplayable;  // paths OpenAndPlay refuses

    // What happened.
    std::vector<std::string> opened;     // paths given to OpenAndPlay, in order
    std::vector<std::string> snapshots;  // paths given to TakeSnapshot
    int getVolumeCalls = 0;
    int stopCalls = 0;
    int nextFrameCalls = 0;
    double rate = 1.0;  // the speed last accepted

    void AttachSink(IPlayerEventSink* sink) { m_pSink = sink; }

    // Raises a report as the engine's queued poster would deliver it.
    void Report(int type) {
        if (m_pSink) {
            m_pSink->OnPlayerEvent(type);
        }
    }

    // Plays on for `ms`; at the end of the recording the engine has ended.
    void Advance(int64_t ms) {
        if (m_pendingTime >= 0) {
            m_time = m_pendingTime;
            m_pendingTime = -1;
        }
        if (m_state != Playing || !m_bActive) {
            return;
        }
        m_time += ms;
        if (m_time >= lengthMs) {
            m_time = lengthMs;
            m_bEnded = true;
        }
    }

    bool OpenAndPlay(const std::string& utf8Path) override {
        m_path = utf8Path;
        struct stat st {};
        if (unplayable.count(utf8Path) != 0 || stat(utf8Path.c_str(), &st) != 0 ||
            !S_ISREG(st.st_mode)) {
            return false;
        }
        opened.push_back(utf8Path);
        rate = 1.0;  // the controller must not count on the engine keeping it
        m_pendingTime = -1;
        m_time = 0;
        m_bEnded = false;
        m_bFailed = failNextOpen;
        failNextOpen = false;
        m_bPlayedOnce = false;
        m_bActive = true;
        m_state = Playing;
        return true;
    }
    void Play() override {
        if (m_state == NoMedia) {
            if (m_path.empty() || !OpenAndPlay(m_path)) {
                m_state = NoMedia;
            }
            return;
        }
        if (m_state == Stopped) {
            m_time = 0;
            m_bEnded = false;
        }
        m_bActive = true;
        m_bPlayedOnce = true;
        m_state = Playing;
    }
    void Pause() override { m_state = Paused; }
    void Stop() override {
        ++stopCalls;
        const bool raise = m_bActive;
        m_bActive = false;
        m_bEnded = false;
        m_bFailed = false;
        m_time = 0;
        m_state = Stopped;
        if (raise && m_pSink) {
            m_pSink->OnPlayerEvent(kEventStopped);
        }
    }

    double GetDuration() override {
        if (!m_bActive && m_state != Paused) {
            return 0.0;
        }
        return durationKnownAtOpen || m_bPlayedOnce ? static_cast<double>(lengthMs) : 0.0;
    }
    int64_t GetLength() override {
        return m_bActive && (durationKnownAtOpen || m_bPlayedOnce) ? lengthMs : 0;
    }
    int64_t GetTime() override { return m_time; }
    void SetTime(int64_t ms) override {
        if (lagSeeks) {
            m_pendingTime = ms;
        } else {
            m_time = ms;
        }
        m_bEnded = false;
    }
    int GetVolume() override {
        ++getVolumeCalls;
        return volume;
    }
    void SetVolume(int v) override {
        if (volume >= 0) {
            volume = v;
        }
    }
    bool IsEnded() override { return m_bActive && m_bEnded; }
    bool IsFailed() override { return m_bActive && m_bFailed; }
    int GetVideoWidth() override { return m_bActive ? 1280 : 0; }
    int GetVideoHeight() override { return m_bActive ? 720 : 0; }
    double GetFps() override { return m_bActive ? fps : 0.0; }
    // One frame on from a pause, as libvlc's next-frame does: like libvlc,
    // the time it reports does not follow.
    void NextFrame() override { ++nextFrameCalls; }
    bool SetRate(double r) override {
        if (refuseRate) {
            return false;
        }
        rate = r;
        return true;
    }
    // Writes a tiny JPEG-marked file, never through a symbolic link.
    int TakeSnapshot(const std::string& utf8Path) override {
        snapshots.push_back(utf8Path);
        const int fd = open(utf8Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            return -1;
        }
        const unsigned char jpeg[] = {0xFF, 0xD8, 0xFF, 0xD9};
        const bool ok = write(fd, jpeg, sizeof jpeg) == static_cast<ssize_t>(sizeof jpeg);
        close(fd);
        return ok ? 0 : -1;
    }

    PlayState GetState() const override { return m_state; }
    void SetState(PlayState state) override { m_state = state; }
    void ClearMediaPath() override { m_path.clear(); }
    std::string GetMediaPath() const override { return m_path; }

private:
    IPlayerEventSink* m_pSink = nullptr;
    PlayState m_state = NoMedia;
    std::string m_path;
    int64_t m_time = 0;
    int64_t m_pendingTime = -1;  // a lagging seek not taken yet
    bool m_bActive = false;      // an input is open (a stop reports Stopped)
    bool m_bEnded = false;
    bool m_bFailed = false;
    bool m_bPlayedOnce = false;  // Play() after open: the length is known
};

}  // namespace velto::testing
