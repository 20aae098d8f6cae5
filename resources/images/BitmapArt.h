// Small opaque bitmaps: volume buttons, volume level bars and the slider
// thumb. Their key colours (magenta, pure red) are real pixels; the controls
// make them transparent.
#pragma once

#include <QImage>

namespace BitmapArt {

QImage VolumePlus();     // 24 x 24, blue plus on magenta
QImage VolumeMinus();    // 24 x 24, blue minus on magenta
QImage LevelBarLit();    // 2 x 11
QImage LevelBarUnlit();  // 2 x 11
QImage SliderThumb();    // 23 x 11, pure red corners

}  // namespace BitmapArt
