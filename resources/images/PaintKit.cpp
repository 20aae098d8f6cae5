#include "PaintKit.h"

#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QRadialGradient>
#include <cstdio>

namespace PaintKit {

namespace {

// An ellipse filling rect for a round body, else a pill with half-circle ends.
QPainterPath EllipseOrPill(const QRectF& rect, bool round) {
    QPainterPath path;
    if (round) {
        path.addEllipse(rect);
    } else {
        const double r = rect.height() / 2.0;
        path.addRoundedRect(rect, r, r);
    }
    return path;
}

}  // namespace

FacePalette PaletteFor(Face face) {
    switch (face) {
        case Face::Blue:
            return {QColor(96, 166, 236), QColor(28, 86, 168), QColor(14, 46, 96),
                    QColor(255, 255, 255), QColor(8, 30, 70, 150)};
        case Face::Pink:
            return {QColor(255, 128, 196), QColor(204, 38, 126), QColor(110, 14, 66),
                    QColor(255, 255, 255), QColor(90, 8, 50, 150)};
        case Face::Yellow:
            return {QColor(255, 224, 110), QColor(230, 158, 18), QColor(128, 80, 6),
                    QColor(255, 255, 255), QColor(110, 64, 0, 170)};
        case Face::DisabledBlue:
            return {QColor(128, 148, 172), QColor(74, 92, 116), QColor(44, 54, 70),
                    QColor(196, 206, 218), QColor(30, 38, 50, 90)};
    }
    return PaletteFor(Face::Blue);
}

namespace {
int g_scale = 1;
}  // namespace

void SetScale(int scale) {
    g_scale = scale > 1 ? scale : 1;
}

int Scale() {
    return g_scale;
}

QImage TransparentImage(int width, int height) {
    QImage image(width * g_scale, height * g_scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(g_scale);
    image.fill(Qt::transparent);
    return image;
}

QImage OpaqueImage(int width, int height, const QColor& fill) {
    QImage image(width * g_scale, height * g_scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(g_scale);
    image.fill(fill);
    return image;
}

void PreparePainter(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
}

QFont UiFont(double pixelSize, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void PaintGlossyBody(QPainter& painter, const QPainterPath& shape, const QRectF& bounds,
                     const FacePalette& palette) {
    painter.save();
    painter.setPen(Qt::NoPen);

    // Soft contact shadow just below the body.
    painter.setBrush(QColor(0, 0, 0, 60));
    painter.drawPath(shape.translated(0, 0.8));

    // Rim, then the body gradient inset by one pixel.
    painter.setBrush(palette.rim);
    painter.drawPath(shape);

    const QRectF inner = bounds.adjusted(1.0, 1.0, -1.0, -1.0);
    const bool round = qAbs(bounds.width() - bounds.height()) < 0.5;
    const QPainterPath body = EllipseOrPill(inner, round);
    QLinearGradient fill(inner.topLeft(), inner.bottomLeft());
    fill.setColorAt(0.0, palette.top);
    fill.setColorAt(0.55, palette.bottom);
    fill.setColorAt(1.0, palette.bottom.darker(112));
    painter.setBrush(fill);
    painter.drawPath(body);

    // Warm glow along the bottom edge, as light passing through the glass.
    QRadialGradient glow(QPointF(inner.center().x(), inner.bottom()), inner.height() * 0.6);
    QColor glowColour = palette.top;
    glowColour.setAlpha(110);
    glow.setColorAt(0.0, glowColour);
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setClipPath(body);
    painter.setBrush(glow);
    painter.drawRect(inner);

    // Gloss: a bright cap over the upper half.
    QRectF capRect(inner.left() + inner.width() * 0.08, inner.top() + 0.6, inner.width() * 0.84,
                   inner.height() * 0.52);
    const QPainterPath cap = EllipseOrPill(capRect, round);
    QLinearGradient gloss(capRect.topLeft(), capRect.bottomLeft());
    gloss.setColorAt(0.0, QColor(255, 255, 255, 150));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 12));
    painter.setBrush(gloss);
    painter.drawPath(cap);
    painter.setClipping(false);

    // Thin highlight ring just inside the rim.
    QPen ring(QColor(255, 255, 255, 70), 0.8);
    painter.setPen(ring);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(body);
    painter.restore();
}

void PaintGlyph(QPainter& painter, const QPainterPath& glyph, const FacePalette& palette) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.glyphShadow);
    painter.drawPath(glyph.translated(0, 1.0));
    painter.setBrush(palette.glyph);
    painter.drawPath(glyph);
    painter.restore();
}

bool SavePng(const QImage& image, const QString& path, int width, int height) {
    if (image.width() != width || image.height() != height) {
        std::fprintf(stderr, "%s: size %dx%d, expected %dx%d\n", qPrintable(path), image.width(),
                     image.height(), width, height);
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QImage out = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                     : QImage::Format_RGB32);
    if (!out.save(path, "PNG")) {
        std::fprintf(stderr, "%s: cannot write\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace PaintKit
