// The speedometer dials, the compass rose and the compass needle.
#pragma once

#include <QImage>

namespace GaugeArt {

// 160 x 160 km/h dial: 0 .. 240 in steps of 20, 0 at 150 degrees, 120 at the top.
QImage KmhDial();

// 160 x 160 mph dial: 0 .. 130 in steps of 10, 0 at 140 degrees, 130 at 41 degrees.
QImage MphDial();

// 160 x 160 compass rose, north at the top.
QImage CompassRose();

// 18 x 100 compass needle, pink end up.
QImage CompassNeedle();

}  // namespace GaugeArt
