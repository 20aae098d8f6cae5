// Four-frame strips of the image buttons.
#pragma once

#include <QImage>
#include <QPainterPath>

namespace ButtonArt {

// A strip of round glossy buttons (frames blue, pink, yellow, disabled blue).
QImage RoundStrip(int width, int height, const QPainterPath& pictogram);

// A strip of wide glossy bars with the pictogram in the middle.
QImage BarStrip(int width, int height, const QPainterPath& pictogram);

// A strip of four identical light-grey square buttons with a dark pictogram.
QImage LightStrip(int width, int height, const QPainterPath& pictogram);

}  // namespace ButtonArt
