#include "DriveModel.h"

#include <cmath>
#include <cstdint>

namespace {

struct Key {
    double t, value;
};

// Speed in km/h: rolling off, slowing for the right turn, the stop at the
// junction from 38 s to 41 s, then out of town.
const Key kSpeed[] = {{0, 32},  {5, 46},  {11, 52}, {14, 44},  {17, 24}, {20, 22},
                      {23, 34}, {28, 56}, {32, 44}, {37.5, 0}, {41, 0},  {43, 8},
                      {46, 26}, {51, 55}, {55, 76}, {60, 88}};
// Heading in degrees: east-north-east, right turn to south-south-east, left
// turn to east, a gentle bend.
const Key kHeading[] = {{0, 78},  {16, 78}, {21, 168}, {41, 168},
                        {46, 95}, {51, 95}, {56, 104}, {60, 104}};

constexpr double kPi = 3.14159265358979323846;
constexpr double kG = 9.80665;
constexpr double kStartLatitude = 40.20530;
constexpr double kStartLongitude = -8.41950;
constexpr double kMetresPerDegree = 111320.0;

// Cosine easing between keyframes: smooth, with no overshoot.
template <size_t N>
double Eased(const Key (&keys)[N], double t) {
    if (t <= keys[0].t)
        return keys[0].value;
    for (size_t i = 1; i < N; ++i) {
        if (t <= keys[i].t) {
            const double u = (t - keys[i - 1].t) / (keys[i].t - keys[i - 1].t);
            const double w = (1.0 - std::cos(u * kPi)) / 2.0;
            return keys[i - 1].value + (keys[i].value - keys[i - 1].value) * w;
        }
    }
    return keys[N - 1].value;
}

// Small repeatable sensor noise in thousandths of g.
int Jitter(int second, int axis) {
    uint32_t x = uint32_t(second * 7919 + axis * 104729 + 12345);
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return int(x % 13) - 6;
}

}  // namespace

double CDriveModel::SpeedKmhAt(double t) const {
    return Eased(kSpeed, t);
}

double CDriveModel::HeadingAt(double t) const {
    return Eased(kHeading, t);
}

CDriveModel::CDriveModel() {
    const double dt = 0.001;
    const double metresPerDegreeEast = kMetresPerDegree * std::cos(kStartLatitude * kPi / 180.0);
    double east = 0.0, north = 0.0, distance = 0.0;
    int step = 0;
    for (int second = 0; second < kSeconds; ++second) {
        const double t = second;
        tagDriveSecond s;
        s.latitude = kStartLatitude + north / kMetresPerDegree;
        s.longitude = kStartLongitude + east / metresPerDegreeEast;
        s.speedKmh = SpeedKmhAt(t);
        s.heading = HeadingAt(t);
        s.dashDistance = distance;

        const double h = 0.05;
        const double v = s.speedKmh / 3.6;
        const double dv = (SpeedKmhAt(t + h) - SpeedKmhAt(t - h)) / 3.6 / (2 * h);
        const double turnRate = (HeadingAt(t + h) - HeadingAt(t - h)) * kPi / 180.0 / (2 * h);
        const double bump =
            v > 0.1 ? 14.0 * std::sin(2.3 * t) + 8.0 * std::sin(5.1 * t + 1.0) : 0.0;
        s.accelX = int(std::lround(v * turnRate / kG * 1000.0)) + Jitter(second, 0);
        s.accelY = int(std::lround(dv / kG * 1000.0)) + Jitter(second, 1);
        s.accelZ = 1000 + int(std::lround(bump)) + Jitter(second, 2);
        m_seconds.push_back(s);

        for (; step < (second + 1) * 1000; ++step) {
            const double tt = step * dt;
            const double vv = SpeedKmhAt(tt) / 3.6;
            const double hh = HeadingAt(tt) * kPi / 180.0;
            east += vv * std::sin(hh) * dt;
            north += vv * std::cos(hh) * dt;
            distance += vv * dt;
        }
    }
}
