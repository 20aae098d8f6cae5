#include "VideoRenderer.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

constexpr int kHorizon = 400;
constexpr int kDashPeriod = 320;          // pixels between centre-line dashes
constexpr double kPixelsPerMetre = 26.0;  // a dash every 12 m or so
const char* const kFontBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const char* const kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

bool FileExists(const char* path) {
    return access(path, R_OK) == 0;
}

std::string FontOption(const char* path) {
    return FileExists(path) ? std::string("fontfile=") + path + ":" : std::string();
}

// y of a dash that has travelled p pixels, wrapped into the road area.
std::string DashY(double offset, double speed, int second, int phase) {
    std::ostringstream p;
    p.precision(10);
    p << "(" << offset + phase << "+" << speed << "*(t-" << second << "))";
    return std::to_string(kHorizon) + "+" + p.str() + "-" + std::to_string(kDashPeriod) +
           "*floor(" + p.str() + "/" + std::to_string(kDashPeriod) + ")";
}

std::string PositionText(const tagDriveSecond& s) {
    char text[96];
    snprintf(text, sizeof text, "%c %.5f   %c %.5f", s.latitude < 0 ? 'S' : 'N',
             std::fabs(s.latitude), s.longitude < 0 ? 'W' : 'E', std::fabs(s.longitude));
    return text;
}

}  // namespace

CVideoRenderer::CVideoRenderer(std::string ffmpeg, std::string workDir)
    : m_ffmpeg(std::move(ffmpeg)), m_workDir(std::move(workDir)) {}

// sendcmd script: once a second the speed and position texts and the speed
// of the centre-line dashes change.
std::string CVideoRenderer::CommandFile(const CDriveModel& drive, int firstSecond, int seconds,
                                        const std::vector<int>& speeds) const {
    std::ostringstream out;
    for (int s = 0; s < seconds; ++s) {
        const tagDriveSecond& now = drive.At(firstSecond + s);
        const double next = firstSecond + s + 1 < CDriveModel::kSeconds
                                ? drive.At(firstSecond + s + 1).dashDistance
                                : now.dashDistance + now.speedKmh / 3.6;
        const double offset = now.dashDistance * kPixelsPerMetre;
        const double speed = (next - now.dashDistance) * kPixelsPerMetre;
        out << s << ".0 drawtext@speed reinit 'text=" << speeds[s] << " km/h';\n";
        out << s << ".0 drawtext@pos reinit 'text=" << PositionText(now) << "';\n";
        for (int d = 0; d < 3; ++d)
            out << s << ".0 overlay@d" << d << " y " << DashY(offset, speed, s, d * kDashPeriod / 3)
                << ";\n";
    }
    return out.str();
}

std::string CVideoRenderer::FilterGraph(int part, int partCount, time_t startUtc,
                                        const std::string& commandFile) const {
    std::ostringstream g;
    g << "[0:v]sendcmd=f=" << commandFile;
    // Grass, then a skyline that thins out towards the edge of town.
    g << ",drawbox=x=0:y=" << kHorizon << ":w=iw:h=ih-" << kHorizon << ":c=0x4d7a39:t=fill";
    unsigned rng = 17u + unsigned(part) * 101u;
    const int buildings = 14 - 3 * part;
    for (int i = 0, x = 0; i < buildings && x < kWidth; ++i) {
        rng = rng * 1103515245u + 12345u;
        const int w = 60 + int((rng >> 16) % 90);
        const int h = 40 + int((rng >> 8) % (130 - 25 * part));
        const int shade = 0x55 + int((rng >> 4) % 0x40);
        char box[160];
        snprintf(box, sizeof box, ",drawbox=x=%d:y=%d:w=%d:h=%d:c=0x%02x%02x%02x:t=fill", x,
                 kHorizon - h, w, h, shade, shade + 8, shade + 24);
        g << box;
        x += w + int((rng >> 12) % 70);
    }
    // The road in perspective: strips that widen towards the camera.
    for (int i = 0; i < 16; ++i) {
        const int y = kHorizon + 20 * i, w = 120 + 72 * i;
        g << ",drawbox=x=" << (kWidth - w) / 2 << ":y=" << y << ":w=" << w
          << ":h=20:c=0x3b3e44:t=fill";
    }
    g << "[bg];[1:v]split=3[da][db][dc];";
    g << "[bg][da]overlay@d0=x=631:y=" << kHorizon << ":shortest=1[v0];";
    g << "[v0][db]overlay@d1=x=631:y=" << kHorizon << ":shortest=1[v1];";
    g << "[v1][dc]overlay@d2=x=631:y=" << kHorizon << ":shortest=1[v2];";
    g << "[v2]drawtext=" << FontOption(kFont) << "text='%{pts\\:gmtime\\:" << long(startUtc)
      << "\\:%Y/%m/%d %H\\\\\\:%M\\\\\\:%S}':x=36:y=28:fontsize=34:fontcolor=white"
      << ":box=1:boxcolor=black@0.35:boxborderw=8";
    g << ",drawtext=" << FontOption(kFontBold)
      << "text='● REC':x=w-170:y=28:fontsize=34:fontcolor=0xff3030"
      << ":enable='lt(mod(t\\,1)\\,0.6)'";
    g << ",drawtext@speed=" << FontOption(kFontBold)
      << "text='0 km/h':x=36:y=h-128:fontsize=56:fontcolor=white:box=1:boxcolor=black@0.45"
      << ":boxborderw=10";
    g << ",drawtext@pos=" << FontOption(kFont)
      << "text='-':x=36:y=h-52:fontsize=26:fontcolor=white:box=1:boxcolor=black@0.35"
      << ":boxborderw=6";
    g << ",drawtext=" << FontOption(kFont) << "text='VELTO DEMO   " << part + 1 << "/" << partCount
      << "':x=w-tw-36:y=h-52:fontsize=26:fontcolor=white@0.85[v]";
    return g.str();
}

bool CVideoRenderer::Render(const CDriveModel& drive, int part, int partCount, int firstSecond,
                            int seconds, time_t startUtc, const std::vector<int>& speeds,
                            const std::string& outPath, std::string& error) const {
    const std::string commandFile = "part" + std::to_string(part + 1) + ".cmd";
    {
        std::ofstream cmd(m_workDir + "/" + commandFile);
        cmd << CommandFile(drive, firstSecond, seconds, speeds);
        if (!cmd) {
            error = "cannot write " + m_workDir + "/" + commandFile;
            return false;
        }
    }
    const std::string d = std::to_string(seconds);
    const std::vector<std::string> args = {
        m_ffmpeg,
        "-nostdin",
        "-v",
        "error",
        "-y",
        "-f",
        "lavfi",
        "-i",
        "gradients=s=1280x720:r=30:c0=0x1d4f8c:c1=0x9cc8ee:x0=640:y0=0:x1=700:y1=420:"
        "speed=0.0008:d=" +
            d,
        "-f",
        "lavfi",
        "-i",
        "color=c=0xf0f0f0:s=18x44:r=30:d=" + d,
        "-f",
        "lavfi",
        "-i",
        "anoisesrc=c=brown:a=0.05:r=48000:d=" + d,
        "-filter_complex",
        FilterGraph(part, partCount, startUtc, commandFile),
        "-map",
        "[v]",
        "-map",
        "2:a",
        "-c:v",
        "libx264",
        "-preset",
        "ultrafast",
        "-pix_fmt",
        "yuv420p",
        "-g",
        "30",
        "-bf",
        "0",
        "-r",
        "30",
        "-frames:v",
        std::to_string(seconds * kFps),
        "-c:a",
        "aac",
        "-b:a",
        "64k",
        "-ac",
        "1",
        "-t",
        d,
        "-map_metadata",
        "-1",
        outPath};
    return RunFfmpeg(args, error);
}

bool CVideoRenderer::RunFfmpeg(const std::vector<std::string>& args, std::string& error) const {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        error = "cannot start ffmpeg";
        return false;
    }
    if (pid == 0) {
        if (chdir(m_workDir.c_str()) != 0)
            _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "ffmpeg failed (status " + std::to_string(WEXITSTATUS(status)) + ")";
        return false;
    }
    return true;
}
