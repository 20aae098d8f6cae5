#include "GaugeArt.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <functional>

#include "PaintKit.h"
#include "PlayerColours.h"

namespace GaugeArt {
namespace {

constexpr int kSide = 160;
const QPointF kCentre(80.0, 80.0);
constexpr double kFaceRadius = 73.0;

// Point at `radius` from the centre in screen direction `degrees` (clockwise
// from the positive x axis, y growing downward).
QPointF Polar(double degrees, double radius) {
    const double r = degrees * M_PI / 180.0;
    return kCentre + QPointF(std::cos(r) * radius, std::sin(r) * radius);
}

void PaintBezelAndFace(QPainter& painter) {
    painter.save();
    painter.setPen(Qt::NoPen);
    // Metal bezel.
    QLinearGradient bezel(0, 0, 0, kSide);
    bezel.setColorAt(0.0, QColor(120, 128, 140));
    bezel.setColorAt(0.45, QColor(52, 57, 66));
    bezel.setColorAt(1.0, QColor(22, 24, 28));
    painter.setBrush(bezel);
    painter.drawEllipse(kCentre, 79.5, 79.5);
    QLinearGradient lip(0, kSide, 0, 0);
    lip.setColorAt(0.0, QColor(104, 112, 126));
    lip.setColorAt(0.5, QColor(40, 44, 52));
    lip.setColorAt(1.0, QColor(14, 15, 18));
    painter.setBrush(lip);
    painter.drawEllipse(kCentre, 76.5, 76.5);
    // Face.
    painter.setBrush(QColor(6, 7, 9));
    painter.drawEllipse(kCentre, kFaceRadius + 1.0, kFaceRadius + 1.0);
    QRadialGradient face(kCentre + QPointF(0, -18), 92);
    face.setColorAt(0.0, QColor(44, 49, 58));
    face.setColorAt(0.6, QColor(26, 29, 35));
    face.setColorAt(1.0, QColor(12, 13, 16));
    painter.setBrush(face);
    painter.drawEllipse(kCentre, kFaceRadius, kFaceRadius);
    painter.restore();
}

void PaintGlassHighlight(QPainter& painter) {
    painter.save();
    painter.setPen(Qt::NoPen);
    QPainterPath face;
    face.addEllipse(kCentre, kFaceRadius, kFaceRadius);
    painter.setClipPath(face);
    QLinearGradient sheen(0, kCentre.y() - kFaceRadius, 0, kCentre.y());
    sheen.setColorAt(0.0, QColor(255, 255, 255, 34));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setBrush(sheen);
    painter.drawEllipse(QRectF(kCentre.x() - 66, kCentre.y() - 80, 132, 96));
    painter.restore();
}

void PaintHub(QPainter& painter) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 120));
    painter.drawEllipse(kCentre + QPointF(0, 1.2), 10.0, 10.0);
    QLinearGradient rim(0, kCentre.y() - 10, 0, kCentre.y() + 10);
    rim.setColorAt(0.0, QColor(110, 118, 130));
    rim.setColorAt(1.0, QColor(18, 20, 24));
    painter.setBrush(rim);
    painter.drawEllipse(kCentre, 9.5, 9.5);
    QRadialGradient cap(kCentre + QPointF(-2.5, -3.0), 10.0);
    cap.setColorAt(0.0, QColor(62, 67, 76));
    cap.setColorAt(1.0, QColor(16, 18, 21));
    painter.setBrush(cap);
    painter.drawEllipse(kCentre, 8.0, 8.0);
    painter.restore();
}

// Text drawn as a path, narrowed horizontally so three-digit numbers fit
// between the ticks, centred on `centre`.
void PaintNarrowText(QPainter& painter, const QString& text, const QPointF& centre,
                     double pixelSize, double narrow, const QColor& colour, bool bold) {
    QPainterPath path;
    path.addText(0, 0, PaintKit::UiFont(pixelSize, bold), text);
    const QRectF box = path.boundingRect();
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.scale(narrow, 1.0);
    t.translate(-box.center().x(), -box.center().y());
    const QPainterPath placed = t.map(path);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 140));
    painter.drawPath(placed.translated(0, 0.8));
    painter.setBrush(colour);
    painter.drawPath(placed);
    painter.restore();
}

struct DialScale {
    int maxValue;
    int majorStep;
    int minorStep;
    double zeroDegrees;
    double degreesPerUnit;
    int redFrom;  // start of the red band
    QString unit;
    QRectF textBox;
};

void PaintTicks(QPainter& painter, const DialScale& scale) {
    painter.save();
    // Red band at the top of the range.
    QPen band(QColor(214, 52, 52, 210), 3.2, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(band);
    const double bandRadius = 69.0;
    const QRectF bandBox(kCentre.x() - bandRadius, kCentre.y() - bandRadius, 2 * bandRadius,
                         2 * bandRadius);
    const double from = scale.zeroDegrees + scale.redFrom * scale.degreesPerUnit;
    const double to = scale.zeroDegrees + scale.maxValue * scale.degreesPerUnit;
    // drawArc takes counter-clockwise angles in 1/16 degree.
    painter.drawArc(bandBox, qRound(-from * 16), qRound(-(to - from) * 16));

    for (int v = 0; v <= scale.maxValue; v += scale.minorStep) {
        const bool major = v % scale.majorStep == 0;
        const double a = scale.zeroDegrees + v * scale.degreesPerUnit;
        QPen pen(major ? QColor(250, 250, 252) : QColor(190, 196, 206), major ? 2.0 : 1.1,
                 Qt::SolidLine, Qt::FlatCap);
        painter.setPen(pen);
        painter.drawLine(Polar(a, 71.5), Polar(a, major ? 62.5 : 66.5));
    }
    painter.restore();
    for (int v = 0; v <= scale.maxValue; v += scale.majorStep) {
        const double a = scale.zeroDegrees + v * scale.degreesPerUnit;
        PaintNarrowText(painter, QString::number(v), Polar(a, 51.0), 9.5, 0.78,
                        QColor(255, 255, 255), true);
    }
}

void PaintTextBox(QPainter& painter, const QRectF& box) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 110));
    painter.drawRoundedRect(box.translated(0, 1.0), 3.5, 3.5);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0.0, QColor(255, 255, 255));
    fill.setColorAt(0.6, QColor(255, 255, 255));
    fill.setColorAt(1.0, QColor(234, 238, 244));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, 3.5, 3.5);
    painter.setPen(QPen(QColor(150, 160, 176), 0.8));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(0.4, 0.4, -0.4, -0.4), 3.1, 3.1);
    painter.restore();
}

QImage Dial(const DialScale& scale) {
    QImage image = PaintKit::TransparentImage(kSide, kSide);
    QPainter painter(&image);
    PaintKit::PreparePainter(painter);
    PaintBezelAndFace(painter);
    PaintTicks(painter, scale);
    PaintNarrowText(painter, scale.unit, kCentre + QPointF(0, 27), 8.5, 1.0, kTextBlue, false);
    PaintTextBox(painter, scale.textBox);
    PaintHub(painter);
    PaintGlassHighlight(painter);
    return image;
}

QPainterPath StarPoint(double degrees, double length, double width) {
    QPainterPath half;
    half.moveTo(kCentre);
    half.lineTo(Polar(degrees, length));
    half.lineTo(Polar(degrees + 90.0, width));
    half.closeSubpath();
    return half;
}

void PaintStar(QPainter& painter) {
    painter.save();
    painter.setPen(QPen(QColor(10, 11, 14, 200), 0.7));
    // Intercardinal points under the cardinal ones.
    for (int pass = 0; pass < 2; ++pass) {
        const bool cardinal = pass == 1;
        for (int k = 0; k < 4; ++k) {
            const double a = -90.0 + 90.0 * k + (cardinal ? 0.0 : 45.0);
            const double length = cardinal ? 43.0 : 29.0;
            const double width = cardinal ? 8.5 : 6.5;
            painter.setBrush(cardinal ? QColor(72, 80, 94) : QColor(56, 62, 74));
            painter.drawPath(StarPoint(a, length, width));
            QPainterPath other;
            other.moveTo(kCentre);
            other.lineTo(Polar(a, length));
            other.lineTo(Polar(a - 90.0, width));
            other.closeSubpath();
            painter.setBrush(cardinal ? QColor(40, 45, 54) : QColor(34, 38, 46));
            painter.drawPath(other);
        }
    }
    painter.restore();
}

void PaintCompassTicks(QPainter& painter) {
    painter.save();
    for (int d = 0; d < 360; d += 5) {
        const bool major = d % 45 == 0;
        const bool mid = d % 15 == 0;
        if (major)
            continue;  // the labels sit there
        QPen pen(mid ? QColor(214, 220, 230) : QColor(120, 128, 142), mid ? 1.4 : 1.0,
                 Qt::SolidLine, Qt::FlatCap);
        painter.setPen(pen);
        painter.drawLine(Polar(d - 90.0, 71.5), Polar(d - 90.0, mid ? 64.5 : 67.5));
    }
    QPen ring(QColor(255, 255, 255, 40), 0.8);
    painter.setPen(ring);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(kCentre, 47.0, 47.0);
    painter.restore();
}

void PaintCompassLabels(QPainter& painter) {
    static const char* const kNames[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    for (int k = 0; k < 8; ++k) {
        const bool cardinal = k % 2 == 0;
        const double a = -90.0 + 45.0 * k;
        const QPointF at = Polar(a, cardinal ? 60.0 : 58.0);
        if (cardinal) {
            PaintNarrowText(painter, QString::fromLatin1(kNames[k]), at, 15.0, 1.0,
                            QColor(74, 158, 240), true);
        } else {
            PaintNarrowText(painter, QString::fromLatin1(kNames[k]), at, 8.5, 1.0,
                            QColor(226, 230, 238), true);
        }
    }
}

}  // namespace

QImage KmhDial() {
    return Dial({240, 20, 10, 150.0, 1.0, 200, QStringLiteral("km/h"), QRectF(51, 124, 58, 16)});
}

QImage MphDial() {
    // One mph turns the needle as far as 1 / 0.6214 km/h does.
    return Dial({130, 10, 5, 140.0, 1.2455745091728356 / 0.6214, 110, QStringLiteral("mph"),
                 QRectF(51, 125, 59, 16)});
}

QImage CompassRose() {
    QImage image = PaintKit::TransparentImage(kSide, kSide);
    QPainter painter(&image);
    PaintKit::PreparePainter(painter);
    PaintBezelAndFace(painter);
    PaintCompassTicks(painter);
    PaintStar(painter);
    PaintCompassLabels(painter);
    PaintGlassHighlight(painter);
    return image;
}

QImage CompassNeedle() {
    constexpr int kWidth = 18;
    constexpr int kHeight = 100;
    QImage image = PaintKit::TransparentImage(kWidth, kHeight);
    QPainter painter(&image);
    PaintKit::PreparePainter(painter);
    const double cx = kWidth / 2.0;
    const double cy = kHeight / 2.0;
    const QColor pink(255, 78, 176);
    const QColor teal(61, 160, 184);

    auto half = [&](double tipY, const QColor& colour, double halfWidth, int alpha) {
        QPainterPath left;
        left.moveTo(cx, tipY);
        left.lineTo(cx - halfWidth, cy);
        left.lineTo(cx, cy);
        left.closeSubpath();
        QPainterPath right;
        right.moveTo(cx, tipY);
        right.lineTo(cx + halfWidth, cy);
        right.lineTo(cx, cy);
        right.closeSubpath();
        QColor light = colour.lighter(118);
        QColor dark = colour.darker(118);
        light.setAlpha(alpha);
        dark.setAlpha(alpha);
        painter.setPen(Qt::NoPen);
        painter.setBrush(light);
        painter.drawPath(left);
        painter.setBrush(dark);
        painter.drawPath(right);
    };
    // A faint wider halo first gives the soft edges, then the needle itself.
    half(1.0, pink, 8.6, 70);
    half(kHeight - 1.0, teal, 8.6, 70);
    half(3.5, pink, 6.6, 255);
    half(kHeight - 3.5, teal, 6.6, 255);

    // Pivot.
    QRadialGradient pivot(QPointF(cx - 1.0, cy - 1.0), 4.0);
    pivot.setColorAt(0.0, QColor(250, 250, 252));
    pivot.setColorAt(1.0, QColor(150, 156, 168));
    painter.setPen(QPen(QColor(20, 22, 26, 200), 0.8));
    painter.setBrush(pivot);
    painter.drawEllipse(QPointF(cx, cy), 3.2, 3.2);
    return image;
}

}  // namespace GaugeArt
