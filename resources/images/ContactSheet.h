// A proof sheet of all images, enlarged, for looking them over.
#pragma once

#include <QImage>
#include <vector>

#include "ImageCatalogue.h"

QImage ContactSheet(const std::vector<ImageEntry>& entries, int scale);
