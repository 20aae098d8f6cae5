#include "ImageResources.h"

#include <QFile>

bool VeltoImagesPresent() {
    return QFile::exists(QStringLiteral(":/png/152.png"));
}
