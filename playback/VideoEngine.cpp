#include "VideoEngine.h"

#include "BoxNesting.h"

#include <vlc/vlc.h>
#include <xcb/xcb.h>

#include <sys/stat.h>
#include <unistd.h>

#include <dlfcn.h>
#include <fcntl.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "VlcLogFilter.h"

#ifdef VELTO_HAVE_JPEG
#include <jpeglib.h>
#include <png.h>
#endif

// Shared between the engine and the reports it has queued: a queued report
// may run after the media it speaks of was replaced or the engine released.
struct CVideoEngine::EventGate {
    std::atomic<unsigned> generation{0};
    std::atomic<bool> open{true};
    IPlayerEventSink* sink = nullptr;
    Poster post;
};

namespace {

// The engine whose Stop() is inside libvlc_media_player_stop on this thread.
thread_local const CVideoEngine* t_pStoppingEngine = nullptr;

class StoppingScope {
public:
    explicit StoppingScope(const CVideoEngine* engine) : m_pPrevious(t_pStoppingEngine) {
        t_pStoppingEngine = engine;
    }
    ~StoppingScope() { t_pStoppingEngine = m_pPrevious; }

private:
    const CVideoEngine* m_pPrevious;
};

constexpr int kSubscribedEvents[] = {kEventTimeChanged, kEventOpening, kEventPlaying,
                                     kEventPaused,      kEventStopped, kEventLengthChanged};

// How long libvlc's parser, started by OpenMedia, may take to find the
// media's duration; it runs on libvlc's own thread.
constexpr int kParseTimeoutMs = 3000;

bool X11WindowExists(unsigned long xid) {
    if (xid == 0 || xid > 0xFFFFFFFFul)
        return false;
    xcb_connection_t* conn = xcb_connect(nullptr, nullptr);
    bool exists = false;
    if (!xcb_connection_has_error(conn)) {
        xcb_get_window_attributes_cookie_t cookie =
            xcb_get_window_attributes(conn, static_cast<xcb_window_t>(xid));
        xcb_get_window_attributes_reply_t* reply =
            xcb_get_window_attributes_reply(conn, cookie, nullptr);
        exists = reply != nullptr;
        free(reply);
    }
    xcb_disconnect(conn);
    return exists;
}

// libvlc_media_new_path accepts any text and fails only later, on its own
// threads; a recording that is not there fails here, where the caller sees it.
bool IsOpenableRecording(const std::string& utf8Path) {
    if (utf8Path.empty() || utf8Path.find('\0') != std::string::npos)
        return false;
    struct stat st;
    if (stat(utf8Path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return access(utf8Path.c_str(), R_OK) == 0;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

#ifdef VELTO_HAVE_JPEG
bool ReadPngRgb(const std::string& path, std::vector<unsigned char>& rgb, unsigned& width,
                unsigned& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    width = image.width;
    height = image.height;
    return width > 0 && height > 0;
}

bool WriteJpeg(const std::string& path, const std::vector<unsigned char>& rgb, unsigned width,
               unsigned height) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    FILE* out = fdopen(fd, "wb");
    if (!out) {
        close(fd);
        return false;
    }
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = static_cast<size_t>(width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(&rgb[cinfo.next_scanline * stride]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    bool ok = !ferror(out);
    return fclose(out) == 0 && ok;
}

// libvlc 3 always writes its snapshots as PNG (it overrides the
// snapshot-format option), so the frame is re-encoded here.
bool ConvertPngToJpeg(const std::string& pngPath, const std::string& jpegPath) {
    std::vector<unsigned char> rgb;
    unsigned width = 0, height = 0;
    return ReadPngRgb(pngPath, rgb, width, height) && WriteJpeg(jpegPath, rgb, width, height);
}
#else
bool ConvertPngToJpeg(const std::string& pngPath, const std::string& jpegPath) {
    // Built without libjpeg/libpng: keep libvlc's PNG under the name asked for.
    return rename(pngPath.c_str(), jpegPath.c_str()) == 0;
}
#endif

// libvlc's log, through the filter: errors only, each distinct one once.
void LogToTerminal(void* data, int level, const libvlc_log_t* ctx, const char* fmt, va_list args) {
    if (level < CVlcLogFilter::kErrorLevel)
        return;
    char text[1024];
    vsnprintf(text, sizeof text, fmt, args);
    const char* module = nullptr;
    libvlc_log_get_context(ctx, &module, nullptr, nullptr);
    const std::string line = std::string(module ? module : "core") + ": " + text;
    if (static_cast<CVlcLogFilter*>(data)->ShouldPrint(level, line))
        fprintf(stderr, "libvlc error: %s\n", line.c_str());
}

// alsa-lib prints its own errors on stderr, the same eight lines each time
// libvlc retries an audio output on a machine without a sound device (many
// times a second): they go through a filter of their own, each line once.
void AlsaErrorToTerminal(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                         const char* fmt, ...) {
    static CVlcLogFilter filter;
    char text[1024];
    va_list args;
    va_start(args, fmt);
    vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    if (filter.ShouldPrint(CVlcLogFilter::kErrorLevel, text))
        fprintf(stderr, "ALSA: %s\n", text);
}

void RouteAlsaErrorsThroughFilter() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The same library libvlc's ALSA output loads; it stays loaded.
        void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
        if (!alsa)
            return;
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetHandler = int (*)(Handler);
        if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
            set(&AlsaErrorToTerminal);
    });
}

}  // namespace

CVideoEngine::CVideoEngine()
    : m_pGate(std::make_shared<EventGate>()), m_pLogFilter(std::make_unique<CVlcLogFilter>()) {
    // "--plugin-path" is gone from libvlc 3 (it only prints a warning); the
    // system plug-ins are used. No interface is started by libvlc_new.
    const char* const args[] = {"-I", "dumy", "--ignore-config"};
    RouteAlsaErrorsThroughFilter();
    m_pInstance = libvlc_new(sizeof(args) / sizeof(args[0]), args);
    if (m_pInstance)
        libvlc_log_set(m_pInstance, &LogToTerminal, m_pLogFilter.get());
    if (m_pInstance)
        m_pPlayer = libvlc_media_player_new(m_pInstance);
    if (m_pPlayer)
        m_pEventManager = libvlc_media_player_event_manager(m_pPlayer);
}

CVideoEngine::~CVideoEngine() {
    Release();
}

void CVideoEngine::Release() {
    DetachEvents();
    m_pGate->open = false;
    if (m_pPlayer)
        libvlc_media_player_release(m_pPlayer);
    if (m_pMedia)
        libvlc_media_release(m_pMedia);
    if (m_pInstance)
        libvlc_release(m_pInstance);
    m_pPlayer = nullptr;
    m_pMedia = nullptr;
    m_pEventManager = nullptr;
    m_pInstance = nullptr;
}

bool CVideoEngine::SetVideoWindow(unsigned long xid) {
    if (!X11WindowExists(xid))
        return false;
    m_hVideoWnd = xid;
    return true;
}

void CVideoEngine::AttachVideoWindow(unsigned long xid) {
    if (!m_pPlayer || !X11WindowExists(xid))
        return;
    libvlc_media_player_set_xwindow(m_pPlayer, static_cast<uint32_t>(xid));
    // On X11 a video window that takes the input swallows the clicks: leave
    // pointer and keys to our own window (double click toggles full screen).
    libvlc_video_set_mouse_input(m_pPlayer, 0);
    libvlc_video_set_key_input(m_pPlayer, 0);
}

void CVideoEngine::AttachEvents(IPlayerEventSink* sink, Poster post) {
    if (!m_pEventManager)
        return;
    DetachEvents();
    m_pGate->sink = sink;
    m_pGate->post = std::move(post);
    for (int type : kSubscribedEvents) {
        libvlc_event_attach(m_pEventManager, static_cast<libvlc_event_type_t>(type),
                            &CVideoEngine::EventCallback, this);
    }
    m_bEventsAttached = true;
}

void CVideoEngine::DetachEvents() {
    if (!m_bEventsAttached || !m_pEventManager)
        return;
    // libvlc runs callbacks under the event manager's lock, so once detached
    // none is running or will run.
    for (int type : kSubscribedEvents) {
        libvlc_event_detach(m_pEventManager, static_cast<libvlc_event_type_t>(type),
                            &CVideoEngine::EventCallback, this);
    }
    m_bEventsAttached = false;
}

void CVideoEngine::EventCallback(const libvlc_event_t* event, void* user) {
    auto* self = static_cast<CVideoEngine*>(user);
    if (!self || !event)
        return;
    if (event->type == kEventStopped && t_pStoppingEngine == self) {
        // Raised inside libvlc_media_player_stop under libvlc's lock: Stop()
        // delivers it once that call has returned.
        self->m_bStopReportHeld = true;
        return;
    }
    self->ForwardEvent(event->type);
}

void CVideoEngine::ForwardEvent(int type) {
    std::shared_ptr<EventGate> gate = m_pGate;
    if (!gate->post) {
        if (gate->sink)
            gate->sink->OnPlayerEvent(type);
        return;
    }
    const unsigned generation = gate->generation.load();
    gate->post([gate, generation, type] {
        if (gate->open && gate->generation.load() == generation && gate->sink)
            gate->sink->OnPlayerEvent(type);
    });
}

void CVideoEngine::AdvanceGeneration() {
    ++m_pGate->generation;
}

bool CVideoEngine::OpenAndPlay(const std::string& utf8Path) {
    m_szPath = utf8Path;
    if (!OpenMedia(utf8Path))
        return false;
    m_state = Playing;
    return true;
}

bool CVideoEngine::OpenMedia(const std::string& utf8Path) {
    if (utf8Path.empty() || !m_pInstance || !m_pPlayer)
        return false;
    if (!IsOpenableRecording(utf8Path))
        return false;
    // libvlc's MP4 reader recurses once per box level on a thread of its own, and a file
    // nested a few thousand levels deep kills the process there: such a file is not played.
    if (!HasAcceptableBoxNesting(utf8Path))
        return false;
    libvlc_media_t* media = libvlc_media_new_path(m_pInstance, utf8Path.c_str());
    if (!media)
        return false;
    libvlc_media_add_option(media, ":ffmpeg-hw");
    // The duration is found on libvlc's thread; GetDuration never waits for it.
    libvlc_media_parse_with_options(media, libvlc_media_parse_local, kParseTimeoutMs);
    ReplaceMedia(media);
    libvlc_media_player_set_media(m_pPlayer, media);
    // The previous input is gone now: reports still queued for it are stale.
    AdvanceGeneration();
    libvlc_media_player_play(m_pPlayer);
    m_state = Playing;
    return true;
}

bool CVideoEngine::ReplaceMedia(libvlc_media_t* media) {
    // The player keeps its own reference to the media it was given.
    if (m_pMedia)
        libvlc_media_release(m_pMedia);
    m_pMedia = media;
    m_llDuration = 0;
    return true;
}

void CVideoEngine::Play() {
    if (!m_pPlayer) {
        m_state = NoMedia;
        return;
    }
    if (m_state != NoMedia) {
        if (m_state == Paused)
            libvlc_media_player_set_pause(m_pPlayer, 0);
        else
            libvlc_media_player_play(m_pPlayer);
        m_state = Playing;
        return;
    }
    // Nothing open: open the path last given; when that fails nothing plays.
    if (!OpenMedia(m_szPath))
        m_state = NoMedia;
}

void CVideoEngine::Pause() {
    if (!m_pPlayer)
        return;
    libvlc_media_player_set_pause(m_pPlayer, 1);
    m_state = Paused;
}

void CVideoEngine::Stop() {
    if (!m_pPlayer)
        return;
    m_bStopReportHeld = false;
    {
        StoppingScope scope(this);
        libvlc_media_player_stop(m_pPlayer);
    }
    AdvanceGeneration();
    m_state = Stopped;
    if (m_bStopReportHeld) {
        m_bStopReportHeld = false;
        // Outside libvlc's lock now: the sink may open and play the next file.
        if (m_bEventsAttached && m_pGate->sink)
            m_pGate->sink->OnPlayerEvent(kEventStopped);
    }
}

double CVideoEngine::GetDuration() {
    if (!m_pPlayer || !m_pMedia)
        return 0.0;
    libvlc_time_t duration = libvlc_media_get_duration(m_pMedia);
    if (duration <= 0)
        duration = libvlc_media_player_get_length(m_pPlayer);
    m_llDuration = duration > 0 ? duration : 0;
    return static_cast<double>(m_llDuration);
}

int64_t CVideoEngine::GetLength() {
    return m_pPlayer ? libvlc_media_player_get_length(m_pPlayer) : 0;
}

int64_t CVideoEngine::GetTime() {
    return m_pPlayer ? libvlc_media_player_get_time(m_pPlayer) : 0;
}

void CVideoEngine::SetTime(int64_t ms) {
    if (m_pPlayer)
        libvlc_media_player_set_time(m_pPlayer, ms);
}

int CVideoEngine::GetVolume() {
    return m_pPlayer ? libvlc_audio_get_volume(m_pPlayer) : 0;
}

void CVideoEngine::SetVolume(int volume) {
    if (m_pPlayer)
        libvlc_audio_set_volume(m_pPlayer, volume);
}

bool CVideoEngine::IsEnded() {
    return m_pPlayer && libvlc_media_player_get_state(m_pPlayer) == libvlc_Ended;
}

bool CVideoEngine::IsFailed() {
    return m_pPlayer && libvlc_media_player_get_state(m_pPlayer) == libvlc_Error;
}

// The first video track's frame rate as the media's tracks give it (known
// once the media is parsed or playing).
double CVideoEngine::GetFps() {
    if (!m_pMedia)
        return 0.0;
    libvlc_media_track_t** tracks = nullptr;
    const unsigned count = libvlc_media_tracks_get(m_pMedia, &tracks);
    double fps = 0.0;
    for (unsigned i = 0; i < count && tracks; ++i) {
        const libvlc_media_track_t* t = tracks[i];
        if (t && t->i_type == libvlc_track_video && t->video && t->video->i_frame_rate_den > 0) {
            fps = static_cast<double>(t->video->i_frame_rate_num) / t->video->i_frame_rate_den;
            break;
        }
    }
    if (tracks)
        libvlc_media_tracks_release(tracks, count);
    return fps > 0.0 && fps < 1000.0 ? fps : 0.0;
}

void CVideoEngine::NextFrame() {
    if (m_pPlayer)
        libvlc_media_player_next_frame(m_pPlayer);
}

bool CVideoEngine::SetRate(double rate) {
    return m_pPlayer && libvlc_media_player_set_rate(m_pPlayer, static_cast<float>(rate)) == 0;
}

int CVideoEngine::GetVideoWidth() {
    if (!m_pPlayer)
        return 0;
    unsigned width = 0, height = 0;
    if (libvlc_video_get_size(m_pPlayer, 0, &width, &height) != 0)
        width = 0;
    m_nVideoWidth = static_cast<int>(width);
    return m_nVideoWidth;
}

int CVideoEngine::GetVideoHeight() {
    if (!m_pPlayer)
        return 0;
    unsigned width = 0, height = 0;
    if (libvlc_video_get_size(m_pPlayer, 0, &width, &height) != 0)
        height = 0;
    m_nVideoHeight = static_cast<int>(height);
    return m_nVideoHeight;
}

int CVideoEngine::TakeSnapshot(const std::string& utf8Path) {
    if (!m_pPlayer || utf8Path.empty() || utf8Path.find('\0') != std::string::npos)
        return -1;
    // libvlc writes its PNG wherever it is told, following links: it gets a
    // folder of its own that nobody else can write.
    const char* tmp = getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/velto-snapshot.XXXXXX";
    if (!mkdtemp(folder.data()))
        return -1;
    const std::string pngPath = folder + "/frame.png";
    // Width and height 0: the video's own size. libvlc waits for the frame.
    const bool taken =
        libvlc_video_take_snapshot(m_pPlayer, 0, pngPath.c_str(), 0, 0) == 0 && FileExists(pngPath);
    const bool written = taken && ConvertPngToJpeg(pngPath, utf8Path);
    unlink(pngPath.c_str());
    rmdir(folder.c_str());
    return written ? 0 : -1;
}
