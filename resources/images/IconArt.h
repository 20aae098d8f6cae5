// The window icon (a dash-camera lens), the padlock and the map marker.
#pragma once

#include <QImage>

namespace IconArt {

// The application icon at `size` x `size` pixels; small sizes drop fine detail.
QImage AppIcon(int size);

// 16 x 16 red padlock on a transparent background.
QImage Padlock();

// 32 x 48 position pin, tip at the bottom centre.
QImage MapMarker();

}  // namespace IconArt
