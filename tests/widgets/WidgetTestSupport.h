#pragma once

#include <QColor>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <functional>

#include "GuiTestEnvironment.h"

namespace widgettest {

// The widget as painted, one image pixel per widget pixel.
inline QImage Render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image);
    return image;
}

inline bool Near(QRgb a, QColor b, int tolerance = 0) {
    return std::abs(qRed(a) - b.red()) <= tolerance &&
           std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

inline bool IsReddish(QRgb p) {
    return qRed(p) > 150 && qGreen(p) < 100 && qBlue(p) < 100;
}

// Count of pixels in `area` for which `match` holds.
template <typename Match>
int CountPixels(const QImage& image, const QRect& area, Match match) {
    int count = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (match(image.pixel(x, y)))
                ++count;
        }
    }
    return count;
}

// Waits (processing events) until `done` holds or `ms` pass; on a real X
// server pointer moves arrive asynchronously.
inline bool WaitFor(const std::function<bool()>& done, int ms = 2000) {
    return velto::testing::WaitFor(done, ms);
}

}  // namespace widgettest
