#include "LoadPngResource.h"

#include <QString>
#include <cstring>

namespace {

const char* FolderForType(const char* type) {
    if (type == nullptr)
        return nullptr;
    if (std::strcmp(type, "PNG") == 0)
        return "png";
    if (std::strcmp(type, "BITMAP") == 0)
        return "bitmap";
    if (std::strcmp(type, "ICON") == 0)
        return "icon";
    return nullptr;
}

}  // namespace

bool LoadPngResource(int id, const char* type, QImage& out) {
    const char* folder = FolderForType(type);
    if (folder == nullptr)
        return false;
    QImage image(QStringLiteral(":/%1/%2.png").arg(QLatin1String(folder)).arg(id));
    if (image.isNull())
        return false;
    out = std::move(image);
    return true;
}
