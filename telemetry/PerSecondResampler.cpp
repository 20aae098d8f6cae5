#include "PerSecondResampler.h"

#include "BoxWalker.h"
#include "TelemetryStore.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMaxAcceleration = 1000.0;  // g; beyond it a reading is garbage
constexpr double kMaxSpeedKmh = 100000.0;
// Positions closer than this (degrees, about 1 cm) are taken as no movement.
constexpr double kSamePosition = 1e-7;

double Radians(double degrees) {
    return degrees * kPi / 180.0;
}

// Initial great-circle bearing from a to b, 0 to 360.
double Bearing(const TimedFix& a, const TimedFix& b) {
    const double lat1 = Radians(a.latitude), lat2 = Radians(b.latitude);
    const double dLon = Radians(b.longitude - a.longitude);
    const double y = std::sin(dLon) * std::cos(lat2);
    const double x =
        std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dLon);
    double deg = std::atan2(y, x) * 180.0 / kPi;
    if (deg < 0)
        deg += 360.0;
    return deg >= 360.0 ? 0.0 : deg;
}

bool Moved(const TimedFix& a, const TimedFix& b) {
    return std::fabs(a.latitude - b.latitude) > kSamePosition ||
           std::fabs(a.longitude - b.longitude) > kSamePosition;
}

int32_t SpeedField(double kmh) {
    if (!std::isfinite(kmh) || kmh < 0)
        return 0;
    return int32_t(std::min(kmh, kMaxSpeedKmh));
}

double CourseField(double course) {
    if (!std::isfinite(course))
        return 0.0;
    course = std::fmod(course, 360.0);
    return course < 0 ? course + 360.0 : course;
}

}  // namespace

bool IsPlausibleFix(double latitude, double longitude) {
    return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90.0 &&
           std::fabs(longitude) <= 180.0 && !(latitude == 0.0 && longitude == 0.0);
}

std::string DecimalDegreesText(double degrees) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7f", degrees);
    return text;
}

PerSecondResampler::PerSecondResampler(uint64_t secondLimit)
    : m_secondLimit(std::min(secondLimit, kMaxRecords)) {}

PerSecondResampler::Slot* PerSecondResampler::SlotFor(double videoSeconds) {
    if (!std::isfinite(videoSeconds) || videoSeconds < 0 || videoSeconds >= double(m_secondLimit))
        return nullptr;
    const size_t second = size_t(videoSeconds);
    if (second >= m_slots.size())
        m_slots.resize(second + 1);
    return &m_slots[second];
}

void PerSecondResampler::AddFix(const TimedFix& fix) {
    if (!IsPlausibleFix(fix.latitude, fix.longitude))
        return;
    Slot* slot = SlotFor(fix.videoSeconds);
    if (slot == nullptr)
        return;
    if (!slot->hasFix || fix.videoSeconds < slot->fix.videoSeconds) {
        slot->hasFix = true;
        slot->fix = fix;
    }
}

void PerSecondResampler::AddAcceleration(const TimedAcceleration& a) {
    for (double v : {a.x, a.y, a.z})
        if (!std::isfinite(v) || std::fabs(v) > kMaxAcceleration)
            return;
    Slot* slot = SlotFor(a.videoSeconds);
    if (slot == nullptr)
        return;
    slot->sumX += a.x;
    slot->sumY += a.y;
    slot->sumZ += a.z;
    ++slot->accelerations;
}

int PerSecondResampler::WriteTo(TelemetryStore& store) const {
    const TimedFix* previous = nullptr;
    double lastCourse = 0.0;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        const Slot& slot = m_slots[i];
        tagAssistInfo s;
        if (slot.accelerations > 0) {
            s.accelX = float(slot.sumX / slot.accelerations);
            s.accelY = float(slot.sumY / slot.accelerations);
            s.accelZ = float(slot.sumZ / slot.accelerations);
        }
        if (slot.hasFix) {
            const TimedFix& f = slot.fix;
            s.latitude = DecimalDegreesText(f.latitude);
            s.longitude = DecimalDegreesText(f.longitude);
            s.speed = SpeedField(f.speedKmh);
            s.utcMillis = f.utcMillis;
            if (std::isfinite(f.course)) {
                lastCourse = CourseField(f.course);
            } else if (previous != nullptr && Moved(*previous, f)) {
                lastCourse = Bearing(*previous, f);
            } else if (previous == nullptr) {
                for (size_t j = i + 1; j < m_slots.size(); ++j) {
                    if (m_slots[j].hasFix && Moved(f, m_slots[j].fix)) {
                        lastCourse = Bearing(f, m_slots[j].fix);
                        break;
                    }
                }
            }
            s.course = lastCourse;
            previous = &f;
        }
        store.AddSample(s);
    }
    return store.GetCount();
}
