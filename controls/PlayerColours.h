#pragma once

#include <QColor>

// The player's blue-grey text: the map placeholder's text, the speed
// readout's texts and the about box's button texts.
inline const QColor kTextBlue(130, 149, 179);
