#pragma once

#include <QImage>

// Loads a numbered image resource into `out`. `type` selects the resource
// folder: "PNG" -> ":/png/<id>.png", "BITMAP" -> ":/bitmap/<id>.png",
// "ICON" -> ":/icon/<id>.png". When a screen has a device pixel ratio above
// 1, "<id>@2x.png" is taken instead, with a device pixel ratio of 2: drawn
// at its logical size (QImage::deviceIndependentSize) it is as large as the
// 1x image, with twice the detail. Returns false, leaving `out` untouched,
// when the type is unknown or the resource is missing or does not decode.
bool LoadPngResource(int id, const char* type, QImage& out);
