#include "IconArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "PaintKit.h"

namespace IconArt {
namespace {

// The icon is designed on a 256-unit canvas and scaled to the output size.
void PaintTile(QPainter& p) {
    const QRectF tile(12, 12, 232, 232);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(tile.translated(0, 4), 52, 52);
    QLinearGradient bg(tile.topLeft(), tile.bottomLeft());
    bg.setColorAt(0.0, QColor(52, 60, 74));
    bg.setColorAt(1.0, QColor(16, 19, 25));
    p.setBrush(bg);
    p.drawRoundedRect(tile, 52, 52);
    p.setPen(QPen(QColor(255, 255, 255, 40), 3));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(tile.adjusted(2, 2, -2, -2), 50, 50);
}

void PaintLens(QPainter& p, bool detailed) {
    const QPointF c(128, 134);
    p.setPen(Qt::NoPen);
    // Outer barrel.
    QLinearGradient barrel(0, c.y() - 92, 0, c.y() + 92);
    barrel.setColorAt(0.0, QColor(170, 178, 192));
    barrel.setColorAt(0.5, QColor(70, 76, 88));
    barrel.setColorAt(1.0, QColor(30, 33, 40));
    p.setBrush(barrel);
    p.drawEllipse(c, 90, 90);
    p.setBrush(QColor(10, 12, 16));
    p.drawEllipse(c, 78, 78);
    if (detailed) {
        QPen ring(QColor(90, 98, 112), 3);
        p.setPen(ring);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 70, 70);
        p.setPen(Qt::NoPen);
    }
    // Glass.
    QRadialGradient glass(c + QPointF(-14, -18), 70);
    glass.setColorAt(0.0, QColor(92, 176, 255));
    glass.setColorAt(0.45, QColor(34, 86, 170));
    glass.setColorAt(1.0, QColor(8, 18, 48));
    p.setBrush(glass);
    p.drawEllipse(c, 60, 60);
    // Iris.
    QRadialGradient iris(c, 28);
    iris.setColorAt(0.0, QColor(2, 4, 10));
    iris.setColorAt(0.8, QColor(8, 16, 40));
    iris.setColorAt(1.0, QColor(20, 50, 110, 0));
    p.setBrush(iris);
    p.drawEllipse(c, 30, 30);
    // Reflections.
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(c + QPointF(-22, -24), detailed ? 11 : 14, detailed ? 11 : 14);
    if (detailed) {
        p.setBrush(QColor(255, 120, 200, 150));
        p.drawEllipse(c + QPointF(20, 22), 6, 6);
        QPainterPath arc;
        arc.arcMoveTo(QRectF(c.x() - 50, c.y() - 50, 100, 100), 100);
        arc.arcTo(QRectF(c.x() - 50, c.y() - 50, 100, 100), 100, 55);
        p.setPen(QPen(QColor(255, 255, 255, 110), 5, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(arc);
        p.setPen(Qt::NoPen);
    }
}

void PaintRecordDot(QPainter& p) {
    const QPointF c(206, 50);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawEllipse(c + QPointF(0, 2), 17, 17);
    QRadialGradient dot(c + QPointF(-4, -5), 18);
    dot.setColorAt(0.0, QColor(255, 120, 120));
    dot.setColorAt(1.0, QColor(214, 24, 36));
    p.setBrush(dot);
    p.drawEllipse(c, 15, 15);
}

}  // namespace

QImage AppIcon(int size) {
    QImage image = PaintKit::TransparentImage(size, size);
    QPainter p(&image);
    PaintKit::PreparePainter(p);
    p.scale(size / 256.0, size / 256.0);
    const bool detailed = size >= 48;
    if (size <= 16) {
        // At 16 px the tile's margin would waste a fifth of the icon.
        p.translate(128, 128);
        p.scale(1.1, 1.1);
        p.translate(-128, -128);
    }
    PaintTile(p);
    PaintLens(p, detailed);
    PaintRecordDot(p);
    return image;
}

QImage Padlock() {
    QImage image = PaintKit::TransparentImage(16, 16);
    QPainter p(&image);
    PaintKit::PreparePainter(p);
    // Shackle.
    QPainterPath shackle;
    shackle.moveTo(4.9, 8.0);
    shackle.lineTo(4.9, 5.2);
    shackle.arcTo(QRectF(4.9, 1.4, 6.2, 6.6), 180, -180);
    shackle.lineTo(11.1, 8.0);
    p.setPen(QPen(QColor(64, 68, 76), 2.6, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shackle);
    p.setPen(QPen(QColor(196, 200, 208), 1.0, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(shackle);
    // Body.
    const QRectF body(2.5, 7.0, 11.0, 8.5);
    p.setPen(QPen(QColor(112, 10, 16), 1.0));
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0.0, QColor(255, 96, 88));
    fill.setColorAt(1.0, QColor(196, 20, 28));
    p.setBrush(fill);
    p.drawRoundedRect(body, 1.6, 1.6);
    // Keyhole.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(92, 6, 12));
    p.drawEllipse(QPointF(8.0, 10.4), 1.3, 1.3);
    p.drawRect(QRectF(7.45, 10.6, 1.1, 2.6));
    return image;
}

QImage MapMarker() {
    QImage image = PaintKit::TransparentImage(32, 48);
    QPainter p(&image);
    PaintKit::PreparePainter(p);
    const QPointF head(16.0, 15.0);
    const double r = 13.5;
    // Pin outline: a circle that narrows into the tip at (16, 48).
    QPainterPath pin;
    pin.moveTo(16.0, 47.6);
    pin.cubicTo(QPointF(13.0, 38.0), QPointF(2.5, 27.0), QPointF(2.5, 15.0));
    pin.arcTo(QRectF(head.x() - r, head.y() - r, 2 * r, 2 * r), 180, -180);
    pin.cubicTo(QPointF(29.5, 27.0), QPointF(19.0, 38.0), QPointF(16.0, 47.6));
    pin.closeSubpath();
    p.setPen(QPen(QColor(120, 10, 70), 1.2));
    QLinearGradient fill(0, 1, 0, 47);
    fill.setColorAt(0.0, QColor(255, 120, 200));
    fill.setColorAt(0.6, QColor(232, 52, 150));
    fill.setColorAt(1.0, QColor(180, 20, 110));
    p.setBrush(fill);
    p.drawPath(pin);
    // Gloss and centre.
    p.setPen(Qt::NoPen);
    QLinearGradient gloss(0, 2, 0, 15);
    gloss.setColorAt(0.0, QColor(255, 255, 255, 120));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(gloss);
    p.drawEllipse(QRectF(6.5, 2.5, 19.0, 12.0));
    p.setBrush(QColor(120, 10, 70, 120));
    p.drawEllipse(head + QPointF(0, 0.8), 5.6, 5.6);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(head, 5.2, 5.2);
    return image;
}

}  // namespace IconArt
