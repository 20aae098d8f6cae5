#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "VideoEngineInterface.h"

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;
struct libvlc_event_manager_t;
struct libvlc_event_t;
class CVlcLogFilter;

// One libvlc instance, one media player, the media last opened. Renders into
// a native X11 window and forwards six player reports to a sink:
//  - the Stopped report that libvlc raises inside its own stop call is held
//    and delivered right after that call returns, still inside Stop(), on the
//    calling thread; the sink may call the engine again from there;
//  - every other report is handed to the Poster (a queued call onto the GUI
//    thread), tagged with a generation that OpenMedia and Stop advance, and
//    dropped on arrival when it has gone stale.
// All member functions are called from one thread (the GUI thread).
class CVideoEngine : public IVideoEngine {
public:
    // Queues a call onto the GUI thread.
    using Poster = std::function<void(std::function<void()>)>;

    CVideoEngine();
    ~CVideoEngine() override;
    CVideoEngine(const CVideoEngine&) = delete;
    CVideoEngine& operator=(const CVideoEngine&) = delete;

    // Releases the player, then the instance; later calls are no-ops.
    void Release();

    // Stores `xid` in m_hVideoWnd when it names an existing X11 window.
    bool SetVideoWindow(unsigned long xid);
    // Renders into `xid`; mouse and key input stay with the window's owner.
    void AttachVideoWindow(unsigned long xid);
    // Without a poster, reports other than the held Stopped one reach the
    // sink on libvlc's threads, where it must not call the engine.
    void AttachEvents(IPlayerEventSink* sink, Poster post);

    bool OpenAndPlay(const std::string& utf8Path) override;
    // False, leaving libvlc alone, for a path that is empty, missing, unreadable or a
    // folder, and for a file whose boxes nest deeper than kMaxBoxNesting (BoxNesting.h).
    bool OpenMedia(const std::string& utf8Path);
    void Play() override;
    void Pause() override;
    void Stop() override;

    // The media's duration as libvlc knows it now (OpenMedia starts parsing
    // it), else the playing input's length, else 0; never waits. The length
    // that becomes known later is reported as kEventLengthChanged.
    double GetDuration() override;
    int64_t GetLength() override;  // ms
    int64_t GetTime() override;    // ms
    void SetTime(int64_t ms) override;
    int GetVolume() override;  // 0..100 (libvlc's value; -1 when it has no audio output)
    void SetVolume(int volume) override;
    bool IsEnded() override;   // libvlc's Ended state only, not Stopped
    bool IsFailed() override;  // libvlc gave up on the media (its Error state)
    int GetVideoWidth() override;
    int GetVideoHeight() override;
    double GetFps() override;
    void NextFrame() override;
    bool SetRate(double rate) override;  // the player keeps it for later media
    // Writes the current frame as a JPEG file; 0 on success, -1 otherwise.
    // libvlc's own PNG goes to a private temporary folder; the JPEG is never
    // written through a symbolic link.
    int TakeSnapshot(const std::string& utf8Path) override;

    PlayState GetState() const override { return m_state; }
    void SetState(PlayState state) override { m_state = state; }
    void ClearMediaPath() override { m_szPath.clear(); }
    std::string GetMediaPath() const override { return m_szPath; }

    unsigned long m_hVideoWnd = 0;  // X11 window id given to SetVideoWindow

private:
    struct EventGate;

    static void EventCallback(const libvlc_event_t* event, void* user);
    void ForwardEvent(int type);
    void DetachEvents();
    void AdvanceGeneration();
    bool ReplaceMedia(libvlc_media_t* media);

    std::string m_szPath;  // path last given to OpenAndPlay
    PlayState m_state = NoMedia;
    int64_t m_llDuration = 0;
    int m_nVideoWidth = 0;
    int m_nVideoHeight = 0;
    libvlc_instance_t* m_pInstance = nullptr;
    libvlc_media_player_t* m_pPlayer = nullptr;
    libvlc_media_t* m_pMedia = nullptr;
    libvlc_event_manager_t* m_pEventManager = nullptr;
    std::shared_ptr<EventGate> m_pGate;
    std::unique_ptr<CVlcLogFilter> m_pLogFilter;  // outlives the instance that logs to it
    bool m_bEventsAttached = false;
    bool m_bStopReportHeld = false;
};
