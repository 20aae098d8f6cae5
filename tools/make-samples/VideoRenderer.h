#pragma once

#include "DriveModel.h"

#include <ctime>
#include <string>
#include <vector>

// Has the ffmpeg command-line tool render one part of the drive as a plain
// MP4: 1280x720 at 30 fps H.264 and a quiet AAC road rumble; a sky, a town
// skyline and a road whose centre line moves with the car's speed, with the
// camera's date/time, speed and position burnt in.
class CVideoRenderer {
public:
    static constexpr int kWidth = 1280, kHeight = 720, kFps = 30;

    CVideoRenderer(std::string ffmpeg, std::string workDir);

    // `speeds` holds the km/h shown for each second of the part.
    bool Render(const CDriveModel& drive, int part, int partCount, int firstSecond, int seconds,
                time_t startUtc, const std::vector<int>& speeds, const std::string& outPath,
                std::string& error) const;

private:
    std::string CommandFile(const CDriveModel& drive, int firstSecond, int seconds,
                            const std::vector<int>& speeds) const;
    std::string FilterGraph(int part, int partCount, time_t startUtc,
                            const std::string& commandFile) const;
    bool RunFfmpeg(const std::vector<std::string>& args, std::string& error) const;

    std::string m_ffmpeg;
    std::string m_workDir;
};
