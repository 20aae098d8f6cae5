#include "ContactSheet.h"

#include <QPainter>
#include <cmath>

#include "PaintKit.h"
#include "PlayerColours.h"

namespace {

void PaintChecker(QPainter& p, const QRect& area) {
    const int cell = 8;
    for (int y = area.top(); y < area.bottom(); y += cell) {
        for (int x = area.left(); x < area.right(); x += cell) {
            const bool odd = ((x - area.left()) / cell + (y - area.top()) / cell) % 2;
            p.fillRect(QRect(x, y, cell, cell).intersected(area),
                       odd ? QColor(64, 66, 70) : QColor(84, 86, 92));
        }
    }
}

QImage Find(const std::vector<ImageEntry>& entries, const QString& path) {
    for (const ImageEntry& e : entries) {
        if (e.path == path)
            return e.paint();
    }
    return QImage();
}

// The speed readout as the main window paints it, for judging the gauges in
// use: dial, red needle, speed text, compass rose and turned needle.
QImage ReadoutPreview(const std::vector<ImageEntry>& entries, int speed, double heading, bool kmh) {
    const int W = 308;
    const int H = 145;
    QImage out(W, H, QImage::Format_RGB32);
    out.fill(QColor(240, 240, 240));
    QPainter p(&out);
    PaintKit::PreparePainter(p);
    const int side = H;
    const int gap = (W - 2 * H) / 3;
    const int x1 = gap;
    const int x2 = H + 2 * gap;
    const int y0 = 0;
    const int half = side / 2;
    const int cx1 = x1 + half;
    const int cx2 = x2 + half;
    const int cy = y0 + half;
    p.drawImage(QRect(x1, y0, side, side), Find(entries, kmh ? "png/220.png" : "png/218.png"));
    p.drawImage(QRect(x2, y0, side, side), Find(entries, QStringLiteral("png/217.png")));
    const double perKmh = kmh ? 1.0 : 1.2455745091728356;
    const int angle = (int(speed * float(perKmh)) + (kmh ? 150 : 140)) % 360;
    const double rad = angle * 3.1415 / 180.0;
    const int length = 3 * (half / 4);
    p.setPen(QPen(QColor(255, 0, 0), 2.0));
    p.drawLine(QPoint(cx1, cy),
               QPoint(cx1 + int(std::cos(rad) * length), cy + int(std::sin(rad) * length)));
    QFont font = PaintKit::UiFont(14, true);
    p.setFont(font);
    p.setPen(kTextBlue);
    const double s = side;
    const int value = kmh ? speed : int(float(speed) * 0.6214);
    p.drawText(QRectF(x1 + s / 3.0, y0 + s / 100 * 78, s / 2.75, s / 100 * 9), Qt::AlignCenter,
               QStringLiteral("%1%2").arg(value).arg(kmh ? "KMH" : "MPH"));
    p.translate(cx2, cy);
    p.rotate(heading);
    p.translate(-cx2, -cy);
    p.drawImage(QRectF(x2 + (side - side / 8) / 2.0, y0 + (side - half) / 2.0, side / 8, half),
                Find(entries, QStringLiteral("png/219.png")));
    return out;
}

}  // namespace

QImage ContactSheet(const std::vector<ImageEntry>& entries, int scale) {
    const int sheetWidth = 1900;
    const int margin = 16;
    const int label = 22;
    // Lay the entries out in rows, big images shown at scale 1.
    struct Placed {
        QImage image;
        QString path;
        QRect where;
    };
    std::vector<Placed> placed;
    std::vector<ImageEntry> shown = entries;
    shown.push_back({QStringLiteral("readout 0 km/h"), 0, 0,
                     [&] { return ReadoutPreview(entries, 0, 180.0, true); }});
    shown.push_back({QStringLiteral("readout 120 km/h, 60 deg"), 0, 0,
                     [&] { return ReadoutPreview(entries, 120, 60.0, true); }});
    shown.push_back({QStringLiteral("readout 100 km/h in mph, 300 deg"), 0, 0,
                     [&] { return ReadoutPreview(entries, 100, 300.0, false); }});
    int x = margin;
    int y = margin;
    int rowHeight = 0;
    for (const ImageEntry& e : shown) {
        QImage img = e.paint();
        const int s = img.width() > 400 ? 1 : scale;
        const QSize size(img.width() * s, img.height() * s);
        if (x + size.width() > sheetWidth - margin) {
            x = margin;
            y += rowHeight + label + margin;
            rowHeight = 0;
        }
        placed.push_back({img, e.path, QRect(QPoint(x, y), size)});
        x += qMax(size.width(), 90) + margin;
        rowHeight = qMax(rowHeight, size.height());
    }
    const int sheetHeight = y + rowHeight + label + margin;
    QImage sheet(sheetWidth, sheetHeight, QImage::Format_RGB32);
    sheet.fill(QColor(36, 38, 42));
    QPainter p(&sheet);
    p.setFont(PaintKit::UiFont(13));
    for (const Placed& item : placed) {
        PaintChecker(p, item.where);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(item.where, item.image);
        p.setPen(QColor(220, 220, 220));
        p.drawText(item.where.left(), item.where.bottom() + 17, item.path);
    }
    return sheet;
}
