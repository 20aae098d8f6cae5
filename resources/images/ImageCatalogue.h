// The list of every image the player carries: resource path, size and the
// function that paints it.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <vector>

struct ImageEntry {
    QString path;  // relative to the output folder, e.g. "png/152.png"
    int width;
    int height;
    std::function<QImage()> paint;
};

std::vector<ImageEntry> ImageCatalogue();
