// Renders every image of the player into a folder tree (png/, bitmap/,
// icon/), optionally the desktop icon and a proof sheet.
//
//   velto_render_images --out DIR [--app-icon FILE] [--sheet FILE]

#include <QDir>
#include <QGuiApplication>
#include <QString>
#include <cstdio>

#include "ContactSheet.h"
#include "IconArt.h"
#include "ImageCatalogue.h"
#include "PaintKit.h"

namespace {

struct Options {
    QString outDir;
    QString appIcon;
    QString sheet;
};

bool ParseOptions(const QStringList& args, Options& options) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (i + 1 >= args.size())
            return false;
        if (a == QLatin1String("--out")) {
            options.outDir = args[++i];
        } else if (a == QLatin1String("--app-icon")) {
            options.appIcon = args[++i];
        } else if (a == QLatin1String("--sheet")) {
            options.sheet = args[++i];
        } else {
            return false;
        }
    }
    return !options.outDir.isEmpty() || !options.sheet.isEmpty();
}

// "png/152.png" -> "png/152@2x.png": the name Qt looks for on a screen of
// twice the pixel density.
QString ScaledPath(const QString& path, int scale) {
    if (scale == 1)
        return path;
    QString scaled = path;
    return scaled.insert(path.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(scale));
}

// Every image at 1x and 2x. A painter that works pixel by pixel (the keyed
// bitmaps) paints at 1x only: its 2x image repeats each pixel, which keeps
// its key colours exact.
bool RenderAll(const std::vector<ImageEntry>& entries, const QString& outDir) {
    bool ok = true;
    for (int scale : {1, 2}) {
        PaintKit::SetScale(scale);
        for (const ImageEntry& e : entries) {
            QImage image = e.paint();
            if (scale > 1 && image.size() == QSize(e.width, e.height)) {
                image = image.scaled(image.size() * scale, Qt::IgnoreAspectRatio,
                                     Qt::FastTransformation);
            }
            ok = PaintKit::SavePng(image, QDir(outDir).filePath(ScaledPath(e.path, scale)),
                                   e.width * scale, e.height * scale) &&
                 ok;
        }
    }
    PaintKit::SetScale(1);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    // Rendering needs fonts but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Options options;
    if (!ParseOptions(app.arguments(), options)) {
        std::fprintf(stderr,
                     "usage: velto_render_images --out DIR [--app-icon FILE] [--sheet FILE]\n");
        return 2;
    }
    const std::vector<ImageEntry> entries = ImageCatalogue();
    bool ok = true;
    if (!options.outDir.isEmpty())
        ok = RenderAll(entries, options.outDir) && ok;
    if (!options.appIcon.isEmpty()) {
        ok = PaintKit::SavePng(IconArt::AppIcon(256), options.appIcon, 256, 256) && ok;
    }
    if (!options.sheet.isEmpty()) {
        const QImage sheet = ContactSheet(entries, 3);
        ok = PaintKit::SavePng(sheet, options.sheet, sheet.width(), sheet.height()) && ok;
    }
    return ok ? 0 : 1;
}
