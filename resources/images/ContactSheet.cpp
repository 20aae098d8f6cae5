#include "ContactSheet.h"

#include <QPainter>

#include "PaintKit.h"

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
    int x = margin;
    int y = margin;
    int rowHeight = 0;
    for (const ImageEntry& e : entries) {
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
