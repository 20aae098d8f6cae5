#pragma once

#include <QFont>
#include <QRect>

// Dialog units to pixels with the dialog font's base units: x px =
// du * baseX / 4, y px = du * baseY / 8, rounded to the nearest pixel. baseX
// is the average width of the 52 Latin letters (rounded as the classic
// dialog manager does), baseY the font's height.
QRect DialogUnitsToPixels(const QFont& font, int x, int y, int cx, int cy);
