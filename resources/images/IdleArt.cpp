#include "IdleArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "PaintKit.h"

namespace IdleArt {
namespace {

// Everything is laid out on a 1280 x 720 canvas and scaled to the output.
constexpr double kW = 1280.0;
constexpr double kH = 720.0;
constexpr double kHorizon = 430.0;
const QPointF kVanish(640.0, kHorizon);

void PaintSky(QPainter& p) {
    QLinearGradient sky(0, 0, 0, kHorizon);
    sky.setColorAt(0.0, QColor(6, 8, 14));
    sky.setColorAt(0.7, QColor(14, 22, 40));
    sky.setColorAt(1.0, QColor(30, 48, 82));
    p.fillRect(QRectF(0, 0, kW, kHorizon), sky);
    QRadialGradient glow(kVanish, 520);
    glow.setColorAt(0.0, QColor(70, 120, 200, 120));
    glow.setColorAt(0.4, QColor(40, 70, 130, 40));
    glow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(0, 0, kW, kHorizon), glow);
}

// A fixed scatter of faint stars; a small linear congruential generator keeps
// the picture the same on every build.
void PaintStars(QPainter& p) {
    quint32 state = 20261211u;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / double(1u << 24);
    };
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 140; ++i) {
        const double x = next() * kW;
        const double y = next() * (kHorizon - 60);
        const double size = 0.6 + next() * 1.3;
        const int alpha = int(40 + next() * 140 * (1.0 - y / kHorizon));
        p.setBrush(QColor(220, 230, 255, alpha));
        p.drawEllipse(QPointF(x, y), size, size);
    }
}

void PaintHills(QPainter& p) {
    QPainterPath hills;
    hills.moveTo(0, kHorizon);
    hills.cubicTo(QPointF(160, 380), QPointF(300, 392), QPointF(420, 410));
    hills.cubicTo(QPointF(520, 424), QPointF(580, 420), QPointF(640, kHorizon));
    hills.cubicTo(QPointF(760, 404), QPointF(880, 372), QPointF(1020, 398));
    hills.cubicTo(QPointF(1120, 414), QPointF(1200, 404), QPointF(kW, 412));
    hills.lineTo(kW, kHorizon + 1);
    hills.lineTo(0, kHorizon + 1);
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 14, 24));
    p.drawPath(hills);
}

void PaintRoad(QPainter& p) {
    QLinearGradient ground(0, kHorizon, 0, kH);
    ground.setColorAt(0.0, QColor(12, 15, 22));
    ground.setColorAt(1.0, QColor(4, 5, 8));
    p.fillRect(QRectF(0, kHorizon, kW, kH - kHorizon), ground);

    QPainterPath road;
    road.moveTo(kVanish + QPointF(-6, 0));
    road.lineTo(kVanish + QPointF(6, 0));
    road.lineTo(1180, kH);
    road.lineTo(100, kH);
    road.closeSubpath();
    QLinearGradient asphalt(0, kHorizon, 0, kH);
    asphalt.setColorAt(0.0, QColor(40, 50, 70));
    asphalt.setColorAt(0.35, QColor(26, 30, 40));
    asphalt.setColorAt(1.0, QColor(18, 20, 26));
    p.setBrush(asphalt);
    p.drawPath(road);

    // Edge lines.
    p.setPen(QPen(QColor(190, 200, 220, 150), 3.0));
    p.drawLine(kVanish + QPointF(-5, 1), QPointF(140, kH));
    p.drawLine(kVanish + QPointF(5, 1), QPointF(1140, kH));
    p.setPen(Qt::NoPen);

    // Centre dashes, longer as they come nearer.
    p.setBrush(QColor(255, 206, 84, 220));
    for (double t = 0.05; t < 1.0;) {
        const double len = 0.05 + 0.06 * t;
        const double t2 = qMin(1.0, t + len);
        auto at = [&](double s, double side) {
            const double y = kHorizon + (kH - kHorizon) * s * s;
            const double half = (1.0 + 13.0 * s * s) * side;
            return QPointF(640.0 + half, y);
        };
        QPainterPath dash;
        dash.moveTo(at(t, -1));
        dash.lineTo(at(t, 1));
        dash.lineTo(at(t2, 1));
        dash.lineTo(at(t2, -1));
        dash.closeSubpath();
        p.drawPath(dash);
        t = t2 + len * 0.8;
    }

    // Headlight wash on the road.
    QRadialGradient lights(QPointF(640, kH + 80), 520);
    lights.setColorAt(0.0, QColor(150, 180, 230, 70));
    lights.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(lights);
    p.drawPath(road);
}

void PaintViewfinder(QPainter& p) {
    const QRectF frame(56, 48, kW - 112, kH - 96);
    const double arm = 54;
    p.setPen(QPen(QColor(220, 228, 240, 170), 4, Qt::SolidLine, Qt::SquareCap));
    p.setBrush(Qt::NoBrush);
    const QPointF corners[4] = {frame.topLeft(), frame.topRight(), frame.bottomLeft(),
                                frame.bottomRight()};
    for (const QPointF& c : corners) {
        const double dx = c.x() < kW / 2 ? arm : -arm;
        const double dy = c.y() < kH / 2 ? arm : -arm;
        p.drawLine(c, c + QPointF(dx, 0));
        p.drawLine(c, c + QPointF(0, dy));
    }
    // A quiet recording mark in the upper left.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(232, 40, 52));
    p.drawEllipse(QPointF(104, 96), 9, 9);
    p.setPen(QColor(220, 228, 240, 200));
    p.setFont(PaintKit::UiFont(26, true));
    p.drawText(QPointF(124, 106), QStringLiteral("REC"));
}

void PaintTitle(QPainter& p) {
    QFont title = PaintKit::UiFont(104, true);
    title.setLetterSpacing(QFont::AbsoluteSpacing, -2.0);
    QPainterPath text;
    text.addText(0, 0, title, QStringLiteral("Velto Player"));
    const QRectF box = text.boundingRect();
    const QPainterPath placed = text.translated(640 - box.center().x(), 250 - box.center().y());

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawPath(placed.translated(0, 5));
    QLinearGradient fill(0, 250 - box.height() / 2, 0, 250 + box.height() / 2);
    fill.setColorAt(0.0, QColor(255, 255, 255));
    fill.setColorAt(1.0, QColor(176, 198, 230));
    p.setBrush(fill);
    p.drawPath(placed);

    // Accent rule in the button colours.
    const double y = 250 + box.height() / 2 + 26;
    const double w = 84;
    const QColor accents[3] = {QColor(62, 124, 191), QColor(255, 78, 176), QColor(255, 196, 54)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(accents[i]);
        p.drawRoundedRect(QRectF(640 - 1.5 * w - 8 + i * (w + 8), y, w, 6), 3, 3);
    }

    p.setPen(QColor(150, 166, 192));
    p.setFont(PaintKit::UiFont(30));
    p.drawText(QRectF(0, y + 20, kW, 48), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Import or drop dash camera recordings to play them"));
}

}  // namespace

QImage IdlePicture(int width, int height) {
    QImage image = PaintKit::OpaqueImage(width, height, Qt::black);
    QPainter p(&image);
    PaintKit::PreparePainter(p);
    p.scale(width / kW, height / kH);
    PaintSky(p);
    PaintStars(p);
    PaintHills(p);
    PaintRoad(p);
    PaintViewfinder(p);
    PaintTitle(p);
    return image;
}

}  // namespace IdleArt
