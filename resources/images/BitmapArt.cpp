#include "BitmapArt.h"

#include <QColor>
#include <cmath>

namespace BitmapArt {
namespace {

const QRgb kMagenta = qRgb(255, 0, 255);
const QRgb kSignBlue = qRgb(62, 124, 191);
const QRgb kRed = qRgb(255, 0, 0);

QImage Opaque(int width, int height, QRgb fill) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// Fills a bar with cut corner pixels, so its ends look rounded while every
// pixel stays either the sign colour or the key colour.
void FillBar(QImage& image, int x0, int y0, int w, int h) {
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) {
            const bool cornerX = x == x0 || x == x0 + w - 1;
            const bool cornerY = y == y0 || y == y0 + h - 1;
            if (cornerX && cornerY)
                continue;
            image.setPixel(x, y, kSignBlue);
        }
    }
}

QRgb Mix(QRgb a, QRgb b, double t) {
    return qRgb(qRound(qRed(a) + (qRed(b) - qRed(a)) * t),
                qRound(qGreen(a) + (qGreen(b) - qGreen(a)) * t),
                qRound(qBlue(a) + (qBlue(b) - qBlue(a)) * t));
}

QImage LevelBar(QRgb top, QRgb bottom) {
    QImage image = Opaque(2, 11, top);
    for (int y = 0; y < 11; ++y) {
        const QRgb c = Mix(top, bottom, y / 10.0);
        image.setPixel(0, y, c);
        image.setPixel(1, y, Mix(c, qRgb(0, 0, 0), 0.18));
    }
    return image;
}

// Whether the pixel centre (x, y) lies inside a rounded rectangle covering
// the whole image with the given corner radius.
bool InsideRounded(int x, int y, int w, int h, double radius) {
    const double px = x + 0.5;
    const double py = y + 0.5;
    const double cx = qBound(radius, px, w - radius);
    const double cy = qBound(radius, py, h - radius);
    const double dx = px - cx;
    const double dy = py - cy;
    return dx * dx + dy * dy <= radius * radius + 0.25;
}

}  // namespace

QImage VolumePlus() {
    QImage image = Opaque(24, 24, kMagenta);
    FillBar(image, 5, 10, 14, 4);
    FillBar(image, 10, 5, 4, 14);
    // The crossing restores the inner corner pixels the two bars cut.
    for (int y = 10; y < 14; ++y) {
        for (int x = 10; x < 14; ++x)
            image.setPixel(x, y, kSignBlue);
    }
    return image;
}

QImage VolumeMinus() {
    QImage image = Opaque(24, 24, kMagenta);
    FillBar(image, 5, 10, 14, 4);
    return image;
}

QImage LevelBarLit() {
    return LevelBar(qRgb(150, 255, 120), qRgb(24, 170, 60));
}

QImage LevelBarUnlit() {
    return LevelBar(qRgb(86, 90, 98), qRgb(52, 55, 60));
}

QImage SliderThumb() {
    constexpr int kW = 23;
    constexpr int kH = 11;
    const QRgb green = qRgb(24, 190, 24);
    const QRgb greenLight = qRgb(92, 226, 92);
    const QRgb greenDark = qRgb(14, 128, 14);
    const QRgb panel = qRgb(206, 215, 231);
    const QRgb panelShade = qRgb(176, 188, 210);
    const QRgb white = qRgb(255, 255, 255);
    const QRgb seam = qRgb(120, 134, 160);
    constexpr int kEnd = 5;  // width of each green end
    constexpr double kRadius = 5.0;

    QImage image = Opaque(kW, kH, kRed);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            if (!InsideRounded(x, y, kW, kH, kRadius)) {
                continue;
            }
            const bool edge = !InsideRounded(x - 1, y, kW, kH, kRadius) ||
                              !InsideRounded(x + 1, y, kW, kH, kRadius) ||
                              !InsideRounded(x, y - 1, kW, kH, kRadius) ||
                              !InsideRounded(x, y + 1, kW, kH, kRadius) || y == 0 || y == kH - 1 ||
                              x == 0 || x == kW - 1;
            const bool end = x < kEnd || x >= kW - kEnd;
            QRgb c;
            if (end) {
                c = edge ? greenDark : (y <= 2 ? greenLight : green);
            } else if (x == kEnd || x == kW - kEnd - 1) {
                c = seam;
            } else if (y == 0 || y == kH - 1) {
                c = seam;
            } else if (y == 1) {
                c = white;
            } else if (y >= kH - 3) {
                c = panelShade;
            } else {
                c = panel;
            }
            image.setPixel(x, y, c);
        }
    }
    // Grip lines in the middle of the panel.
    for (int x : {9, 11, 13}) {
        for (int y = 3; y <= 7; ++y)
            image.setPixel(x, y, seam);
    }
    return image;
}

}  // namespace BitmapArt
