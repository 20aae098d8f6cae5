#pragma once

#include <cstdint>
#include <string>

// The engine's own copy of the play state, which the rest of the player
// reads instead of asking libvlc.
enum PlayState { Stopped = 0, Paused = 1, Playing = 2, NoMedia = 3 };

// Receives the engine's player reports by their libvlc event numbers.
class IPlayerEventSink {
public:
    virtual ~IPlayerEventSink() = default;
    virtual void OnPlayerEvent(int type) = 0;
};

// libvlc event numbers forwarded to the sink.
enum PlayerEventType {
    kEventOpening = 258,
    kEventPlaying = 260,
    kEventPaused = 261,
    kEventStopped = 262,
    kEventTimeChanged = 267,
    kEventLengthChanged = 273,
};

// What the playback controller needs of a video engine: CVideoEngine over
// libvlc in the player, a scripted fake in the controller's tests.
// All member functions are called from one thread.
class IVideoEngine {
public:
    virtual ~IVideoEngine() = default;

    // Opens the file and starts it; false (and nothing opened) when the path
    // cannot be played.
    virtual bool OpenAndPlay(const std::string& utf8Path) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    // A Stopped report caused by this call reaches the sink before it returns.
    virtual void Stop() = 0;

    virtual double GetDuration() = 0;  // ms as far as known now, 0 when not yet
    virtual int64_t GetLength() = 0;   // ms
    virtual int64_t GetTime() = 0;     // ms
    virtual void SetTime(int64_t ms) = 0;
    virtual int GetVolume() = 0;  // 0..100, -1 when there is no audio output
    virtual void SetVolume(int volume) = 0;
    virtual bool IsEnded() = 0;   // played to its end (not a stop)
    virtual bool IsFailed() = 0;  // the engine gave up on the media
    virtual int GetVideoWidth() = 0;
    virtual int GetVideoHeight() = 0;
    // Frames per second of the video, 0 when not known.
    virtual double GetFps() = 0;
    // Shows the next frame of a paused recording (the recording stays paused).
    virtual void NextFrame() = 0;
    // Playback speed, 1.0 is normal; false when the engine refused it.
    virtual bool SetRate(double rate) = 0;
    // Writes the current frame as a JPEG file over `utf8Path` (never through
    // a symbolic link); 0 on success, -1 otherwise.
    virtual int TakeSnapshot(const std::string& utf8Path) = 0;

    virtual PlayState GetState() const = 0;
    virtual void SetState(PlayState state) = 0;
    virtual void ClearMediaPath() = 0;
    virtual std::string GetMediaPath() const = 0;
};
