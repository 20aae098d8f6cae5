// Shared drawing helpers for the project's images: colours, fonts, glossy
// shapes and exact-size PNG output.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

namespace PaintKit {

// The three faces of an image button, plus the dimmed disabled blue.
enum class Face { Blue, Pink, Yellow, DisabledBlue };

struct FacePalette {
    QColor top;     // light end of the body gradient
    QColor bottom;  // dark end of the body gradient
    QColor rim;     // outline
    QColor glyph;   // pictogram colour
    QColor glyphShadow;
};

FacePalette PaletteFor(Face face);

// The scale images are painted at: 1, or 2 for screens of twice the pixel
// density. Painters draw in the 1x coordinates either way; the images they
// start from have Scale() times the pixels and that device pixel ratio.
void SetScale(int scale);
int Scale();

// A transparent ARGB image of the given size (in 1x pixels).
QImage TransparentImage(int width, int height);
// An opaque image of the given size (in 1x pixels), filled with `fill`.
QImage OpaqueImage(int width, int height, const QColor& fill);

// A painter with antialiasing and smooth transforms switched on.
void PreparePainter(QPainter& painter);

// "DejaVu Sans" at a pixel size, optionally bold.
QFont UiFont(double pixelSize, bool bold = false);

// A glossy body (circle or rounded bar) filling `shape`, in the face colours.
void PaintGlossyBody(QPainter& painter, const QPainterPath& shape, const QRectF& bounds,
                     const FacePalette& palette);

// Fills `glyph` in the pictogram colour with a soft one-pixel drop shadow.
void PaintGlyph(QPainter& painter, const QPainterPath& glyph, const FacePalette& palette);

// Writes `image` as PNG; fails (returns false) when the size differs from the
// expected one or the file cannot be written.
bool SavePng(const QImage& image, const QString& path, int width, int height);

}  // namespace PaintKit
