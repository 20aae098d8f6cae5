// Checks the images linked into a program: every resource is there with the
// exact size its control relies on, and the key colours sit where the
// controls look for them.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>

#include "ImageResources.h"

namespace {

struct Expected {
    const char* path;
    int width;
    int height;
};

const Expected kImages[] = {
    {":/png/164.png", 260, 29},    {":/png/162.png", 260, 29},    {":/png/153.png", 205, 51},
    {":/png/152.png", 205, 51},    {":/png/167.png", 205, 51},    {":/png/155.png", 205, 51},
    {":/png/151.png", 205, 51},    {":/png/161.png", 205, 51},    {":/png/149.png", 205, 51},
    {":/png/189.png", 180, 45},    {":/png/192.png", 208, 51},    {":/png/191.png", 208, 51},
    {":/png/220.png", 160, 160},   {":/png/218.png", 160, 160},   {":/png/217.png", 160, 160},
    {":/png/219.png", 18, 100},    {":/png/marker.png", 32, 48},  {":/bitmap/210.png", 24, 24},
    {":/bitmap/211.png", 24, 24},  {":/bitmap/156.png", 2, 11},   {":/bitmap/157.png", 2, 11},
    {":/bitmap/179.png", 23, 11},  {":/icon/128.png", 256, 256},  {":/icon/128-16.png", 16, 16},
    {":/icon/128-32.png", 32, 32}, {":/icon/128-48.png", 48, 48}, {":/icon/222.png", 16, 16},
};

QImage Load(const char* path) {
    return QImage(QString::fromLatin1(path));
}

TEST(ImageResources, EveryImageHasItsExactSize) {
    EXPECT_TRUE(VeltoImagesPresent());
    for (const Expected& e : kImages) {
        const QImage image = Load(e.path);
        ASSERT_FALSE(image.isNull()) << e.path;
        EXPECT_EQ(image.width(), e.width) << e.path;
        EXPECT_EQ(image.height(), e.height) << e.path;
    }
    const QImage idle = Load(":/png/193.png");
    ASSERT_FALSE(idle.isNull());
    EXPECT_GE(idle.width(), 640);
}

QString TwiceName(const char* path) {
    QString name = QString::fromLatin1(path);
    return name.insert(name.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
}

// Each image also comes at twice the pixels for screens of twice the density.
TEST(ImageResources, EveryImageHasItsTwiceSizeTwin) {
    for (const Expected& e : kImages) {
        const QImage twice(TwiceName(e.path));
        ASSERT_FALSE(twice.isNull()) << e.path;
        EXPECT_EQ(twice.size(), QSize(e.width, e.height) * 2) << e.path;
    }
    EXPECT_EQ(QImage(QStringLiteral(":/png/193@2x.png")).size(), Load(":/png/193.png").size() * 2);
    // Painted images are painted again, with more detail than the 1x pixels
    // repeated; the keyed bitmaps repeat their pixels, keeping the key colours.
    for (const char* path : {":/png/220.png", ":/png/152.png", ":/icon/222.png"}) {
        const QImage one = Load(path).convertToFormat(QImage::Format_ARGB32);
        const QImage doubled =
            one.scaled(one.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        EXPECT_NE(QImage(TwiceName(path)).convertToFormat(QImage::Format_ARGB32), doubled) << path;
    }
    for (const char* path : {":/bitmap/179.png", ":/bitmap/210.png"}) {
        const QImage one = Load(path).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(QImage(TwiceName(path)).convertToFormat(QImage::Format_RGB32),
                  one.scaled(one.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation))
            << path;
    }
}

TEST(ImageResources, KeyColoursAreOpaquePixelsWhereTheControlsReadThem) {
    const QImage thumb = Load(":/bitmap/179.png");
    EXPECT_EQ(thumb.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(thumb.pixel(22, 10), qRgb(255, 0, 0));
    EXPECT_EQ(thumb.pixel(2, 5), qRgb(24, 190, 24));    // green end
    EXPECT_EQ(thumb.pixel(7, 4), qRgb(206, 215, 231));  // centre panel
    for (const char* path : {":/bitmap/210.png", ":/bitmap/211.png"}) {
        const QImage sign = Load(path);
        EXPECT_EQ(sign.pixel(0, 0), qRgb(255, 0, 255)) << path;
        EXPECT_EQ(sign.pixel(12, 12), qRgb(62, 124, 191)) << path;
        // Only the two colours: anything between them would not be keyed out.
        for (int y = 0; y < sign.height(); ++y) {
            for (int x = 0; x < sign.width(); ++x) {
                const QRgb p = sign.pixel(x, y);
                EXPECT_TRUE(p == qRgb(255, 0, 255) || p == qRgb(62, 124, 191)) << path;
            }
        }
    }
    EXPECT_EQ(Load(":/bitmap/210.png").pixel(12, 6), qRgb(62, 124, 191));  // the plus has arms
    EXPECT_EQ(Load(":/bitmap/211.png").pixel(12, 6), qRgb(255, 0, 255));
}

TEST(ImageResources, GaugesAreTransparentOutsideTheFace) {
    for (const char* path : {":/png/220.png", ":/png/218.png", ":/png/217.png"}) {
        const QImage dial = Load(path);
        EXPECT_EQ(qAlpha(dial.pixel(0, 0)), 0) << path;
        EXPECT_EQ(qAlpha(dial.pixel(159, 159)), 0) << path;
        EXPECT_EQ(qAlpha(dial.pixel(80, 80)), 255) << path;
    }
    // The text boxes the readout writes into are white.
    EXPECT_GE(QColor(Load(":/png/220.png").pixel(80, 130)).lightness(), 250);
    EXPECT_GE(QColor(Load(":/png/218.png").pixel(80, 131)).lightness(), 250);
}

TEST(ImageResources, CompassNeedleIsPinkUpAndTealDown) {
    const QImage needle = Load(":/png/219.png");
    const QColor up(needle.pixel(8, 30));
    const QColor down(needle.pixel(8, 70));
    EXPECT_GT(up.red(), up.green() + 100);
    EXPECT_GT(down.blue(), down.red() + 80);
    EXPECT_EQ(qAlpha(needle.pixel(0, 0)), 0);
}

}  // namespace
