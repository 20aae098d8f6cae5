#include "ButtonArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QTransform>

#include "PaintKit.h"

namespace ButtonArt {
namespace {

using PaintKit::Face;

constexpr Face kFrameFaces[4] = {Face::Blue, Face::Pink, Face::Yellow, Face::DisabledBlue};

// Places a 24 x 24 pictogram so that its box is `size` pixels wide, centred on
// `centre`.
QPainterPath Placed(const QPainterPath& pictogram, const QPointF& centre, double size) {
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.scale(size / 24.0, size / 24.0);
    t.translate(-12.0, -12.0);
    return t.map(pictogram);
}

void PaintRoundFrame(QPainter& painter, const QRectF& frame, Face face,
                     const QPainterPath& pictogram) {
    const double side = qMin(frame.width(), frame.height()) - 3.0;
    const QRectF disc(frame.center().x() - side / 2.0, frame.top() + 1.0, side, side);
    QPainterPath shape;
    shape.addEllipse(disc);
    const PaintKit::FacePalette palette = PaintKit::PaletteFor(face);
    PaintKit::PaintGlossyBody(painter, shape, disc, palette);
    PaintKit::PaintGlyph(painter, Placed(pictogram, disc.center(), side * 0.52), palette);
}

void PaintBarFrame(QPainter& painter, const QRectF& frame, Face face,
                   const QPainterPath& pictogram) {
    const QRectF bar = frame.adjusted(1.5, 1.0, -1.5, -2.0);
    QPainterPath shape;
    shape.addRoundedRect(bar, bar.height() / 2.0, bar.height() / 2.0);
    const PaintKit::FacePalette palette = PaintKit::PaletteFor(face);
    PaintKit::PaintGlossyBody(painter, shape, bar, palette);
    PaintKit::PaintGlyph(painter, Placed(pictogram, bar.center(), bar.height() * 0.88), palette);
}

void PaintLightFrame(QPainter& painter, const QRectF& frame, const QPainterPath& pictogram) {
    const QRectF box = frame.adjusted(1.5, 1.0, -1.5, -2.0);
    const double radius = box.width() * 0.22;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawRoundedRect(box.translated(0, 1.0), radius, radius);
    painter.setBrush(QColor(128, 134, 144));
    painter.drawRoundedRect(box, radius, radius);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0.0, QColor(248, 249, 251));
    fill.setColorAt(0.5, QColor(226, 229, 234));
    fill.setColorAt(1.0, QColor(196, 201, 209));
    painter.setBrush(fill);
    const QRectF inner = box.adjusted(1, 1, -1, -1);
    painter.drawRoundedRect(inner, radius - 1, radius - 1);
    painter.restore();

    PaintKit::FacePalette ink{QColor(), QColor(), QColor(), QColor(52, 60, 72),
                              QColor(255, 255, 255, 170)};
    PaintKit::PaintGlyph(painter, Placed(pictogram, inner.center(), inner.width() * 0.56), ink);
}

template <typename PaintFrame>
QImage Strip(int width, int height, PaintFrame paintFrame) {
    QImage image = PaintKit::TransparentImage(width, height);
    QPainter painter(&image);
    PaintKit::PreparePainter(painter);
    const int frameWidth = width / 4;
    for (int i = 0; i < 4; ++i) {
        const QRectF frame(i * frameWidth, 0, frameWidth, height);
        painter.save();
        painter.setClipRect(frame);
        paintFrame(painter, frame, i);
        painter.restore();
    }
    return image;
}

}  // namespace

QImage RoundStrip(int width, int height, const QPainterPath& pictogram) {
    return Strip(width, height, [&](QPainter& p, const QRectF& frame, int i) {
        PaintRoundFrame(p, frame, kFrameFaces[i], pictogram);
    });
}

QImage BarStrip(int width, int height, const QPainterPath& pictogram) {
    return Strip(width, height, [&](QPainter& p, const QRectF& frame, int i) {
        PaintBarFrame(p, frame, kFrameFaces[i], pictogram);
    });
}

QImage LightStrip(int width, int height, const QPainterPath& pictogram) {
    return Strip(width, height, [&](QPainter& p, const QRectF& frame, int) {
        PaintLightFrame(p, frame, pictogram);
    });
}

}  // namespace ButtonArt
