#include "Pictograms.h"

#include <QPainterPathStroker>
#include <QPolygonF>
#include <QTransform>
#include <cmath>

namespace Pictograms {
namespace {

// Rounds the corners of a filled outline by growing it with a round-joined
// stroke of the given width.
QPainterPath Softened(const QPainterPath& path, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    return path.united(stroker.createStroke(path)).simplified();
}

QPainterPath Polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QVector<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QPainterPath RoundedRect(double x, double y, double w, double h, double r) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

QPainterPath Stroke(const QPainterPath& centreLine, double width, Qt::PenCapStyle cap) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(centreLine);
}

QPainterPath Mirrored(const QPainterPath& path) {
    return QTransform(-1, 0, 0, 1, 24, 0).map(path);
}

}  // namespace

QPainterPath Play() {
    return Softened(Polygon({{8.6, 5.6}, {8.6, 18.4}, {19.0, 12.0}}), 1.8);
}

QPainterPath Pause() {
    QPainterPath path = RoundedRect(6.0, 5.0, 4.4, 14.0, 1.2);
    path.addPath(RoundedRect(13.6, 5.0, 4.4, 14.0, 1.2));
    return path;
}

QPainterPath Stop() {
    return RoundedRect(6.2, 6.2, 11.6, 11.6, 1.8);
}

QPainterPath SkipBack() {
    QPainterPath path = RoundedRect(2.8, 5.8, 2.8, 12.4, 1.0);
    path.addPath(Softened(Polygon({{7.2, 12.0}, {13.6, 6.4}, {13.6, 17.6}}), 1.0));
    path.addPath(Softened(Polygon({{14.2, 12.0}, {20.6, 6.4}, {20.6, 17.6}}), 1.0));
    return path.simplified();
}

QPainterPath SkipForward() {
    return Mirrored(SkipBack());
}

QPainterPath StepBack() {
    QPainterPath path = RoundedRect(5.4, 6.0, 3.0, 12.0, 1.0);
    path.addPath(Softened(Polygon({{10.0, 12.0}, {18.2, 6.4}, {18.2, 17.6}}), 1.6));
    return path.simplified();
}

QPainterPath StepForward() {
    return Mirrored(StepBack());
}

QPainterPath Camera() {
    QPainterPath body = RoundedRect(2.6, 7.4, 18.8, 12.6, 2.6);
    body = body.united(Softened(Polygon({{8.0, 8.0}, {9.4, 4.8}, {14.6, 4.8}, {16.0, 8.0}}), 1.0));
    QPainterPath lensHole;
    lensHole.addEllipse(QPointF(12.0, 13.6), 4.7, 4.7);
    QPainterPath flash;
    flash.addEllipse(QPointF(18.0, 10.2), 0.95, 0.95);
    QPainterPath lens;
    lens.addEllipse(QPointF(12.0, 13.6), 3.0, 3.0);
    return body.subtracted(lensHole).subtracted(flash).united(lens);
}

QPainterPath CircularArrows() {
    const QPointF centre(12.0, 12.0);
    const double radius = 7.2;
    QPainterPath result;
    for (int half = 0; half < 2; ++half) {
        const double start = half == 0 ? 200.0 : 20.0;  // degrees, counter-clockwise in Qt
        const double span = 125.0;
        QPainterPath arc;
        const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        arc.arcMoveTo(box, start);
        arc.arcTo(box, start, span);
        result.addPath(Stroke(arc, 2.6, Qt::FlatCap));
        // Arrow head at the end of the arc, pointing along it.
        const double end = (start + span) * M_PI / 180.0;
        const QPointF tip(centre.x() + radius * std::cos(end), centre.y() - radius * std::sin(end));
        const QPointF tangent(-std::sin(end), -std::cos(end));  // direction of travel
        const QPointF normal(std::cos(end), -std::sin(end));
        const QPointF apex = tip + tangent * 3.6;
        const QPointF left = tip + normal * 3.6 - tangent * 0.6;
        const QPointF right = tip - normal * 3.6 - tangent * 0.6;
        result.addPath(Softened(Polygon({apex, left, right}), 0.8));
    }
    return result.simplified();
}

QPainterPath Folder() {
    QPainterPath back = Softened(
        Polygon({{3.0, 5.6}, {9.0, 5.6}, {11.0, 7.6}, {21.0, 7.6}, {21.0, 18.6}, {3.0, 18.6}}),
        1.4);
    QPainterPath seam;
    seam.addRect(QRectF(2.0, 9.8, 20.0, 1.2));
    return back.subtracted(seam);
}

QPainterPath WasteBin() {
    QPainterPath lid = RoundedRect(3.6, 5.4, 16.8, 2.4, 1.0);
    QPainterPath handle = RoundedRect(9.0, 3.0, 6.0, 3.4, 1.0);
    handle = handle.subtracted(RoundedRect(10.4, 4.3, 3.2, 1.4, 0.4));
    QPainterPath body =
        Softened(Polygon({{5.4, 9.0}, {18.6, 9.0}, {17.4, 20.4}, {6.6, 20.4}}), 1.2);
    for (double x : {8.8, 11.4, 14.0}) {
        body = body.subtracted(RoundedRect(x, 11.0, 1.2, 7.6, 0.6));
    }
    return lid.united(handle.subtracted(lid)).united(body).simplified();
}

QPainterPath CornerArrows() {
    // One arrow to the upper right corner, a solid head on a short diagonal
    // shaft; the other three are rotations of it. The middle stays open.
    QPainterPath head = Softened(Polygon({{20.4, 3.6}, {20.4, 9.8}, {14.2, 3.6}}), 1.0);
    QPainterPath shaft;
    shaft.moveTo(14.6, 9.4);
    shaft.lineTo(17.4, 6.6);
    QPainterPath quarter = head.united(Stroke(shaft, 2.2, Qt::RoundCap));
    QPainterPath all;
    for (int i = 0; i < 4; ++i) {
        QTransform turn;
        turn.translate(12, 12);
        turn.rotate(90.0 * i);
        turn.translate(-12, -12);
        all.addPath(turn.map(quarter));
    }
    return all.simplified();
}

}  // namespace Pictograms
