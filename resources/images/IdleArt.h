// The idle picture of the video area: a night road seen through a dash
// camera, with the player's name.
#pragma once

#include <QImage>

namespace IdleArt {

QImage IdlePicture(int width, int height);

}  // namespace IdleArt
