// Pictograms of the image buttons, as filled paths in a 24 x 24 box.
#pragma once

#include <QPainterPath>

namespace Pictograms {

QPainterPath Play();
QPainterPath Pause();
QPainterPath Stop();
QPainterPath SkipBack();
QPainterPath SkipForward();
QPainterPath StepBack();     // bar and backward triangle
QPainterPath StepForward();  // forward triangle and bar
QPainterPath Camera();
QPainterPath CircularArrows();
QPainterPath Folder();
QPainterPath WasteBin();
QPainterPath CornerArrows();

}  // namespace Pictograms
