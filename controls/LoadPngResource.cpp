#include "LoadPngResource.h"

#include <QGuiApplication>
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
    const QString base = QStringLiteral(":/%1/%2").arg(QLatin1String(folder)).arg(id);
    // A screen of more than 1x: the 2x picture, drawn at the same logical size.
    if (qGuiApp != nullptr && qGuiApp->devicePixelRatio() > 1.0) {
        QImage sharp(base + QStringLiteral("@2x.png"));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2.0);
            out = std::move(sharp);
            return true;
        }
    }
    QImage image(base + QStringLiteral(".png"));
    if (image.isNull())
        return false;
    image.setDevicePixelRatio(1.0);
    out = std::move(image);
    return true;
}
