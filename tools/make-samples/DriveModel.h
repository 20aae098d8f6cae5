#pragma once

#include <vector>

// The state of the car at one whole second of the drive.
struct tagDriveSecond {
    double latitude = 0.0;   // degrees, north positive
    double longitude = 0.0;  // degrees, east positive
    double speedKmh = 0.0;
    double heading = 0.0;  // degrees clockwise from north
    // G-sensor in thousandths of g: X lateral (right positive), Y along the
    // car (forward positive), Z vertical (about 1000 at rest).
    int accelX = 0, accelY = 0, accelZ = 0;
    double dashDistance = 0.0;  // metres driven since the start, for the video
};

// One minute of driving through a town: a straight street, a right turn, a
// stop at a junction, a left turn onto the main road, speeding up to about
// 90 km/h with a gentle bend. Speed and heading follow eased keyframes; the
// position is integrated from them and the accelerations derived from them.
class CDriveModel {
public:
    static constexpr int kSeconds = 60;

    CDriveModel();
    const tagDriveSecond& At(int second) const { return m_seconds[second]; }
    double SpeedKmhAt(double t) const;
    double HeadingAt(double t) const;

private:
    std::vector<tagDriveSecond> m_seconds;
};
