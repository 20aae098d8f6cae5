#pragma once

#include <QImage>

// Loads a numbered image resource into `out`. `type` selects the resource
// folder: "PNG" -> ":/png/<id>.png", "BITMAP" -> ":/bitmap/<id>.png",
// "ICON" -> ":/icon/<id>.png". Returns false, leaving `out` untouched, when
// the type is unknown or the resource is missing or does not decode.
bool LoadPngResource(int id, const char* type, QImage& out);
