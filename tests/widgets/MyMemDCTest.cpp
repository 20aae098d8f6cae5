#include "MyMemDC.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGrey = qRgb(90, 90, 90);

QImage Target() {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(kBlue);
    return image;
}

TEST(MyMemDC, CopiesTheDrawingBackInOneBlitAtTheEnd) {
    QImage image = Target();
    QPainter target(&image);
    {
        CMyMemDC dc(&target, QRect(10, 5, 20, 10));
        dc->fillRect(QRect(12, 6, 4, 4), QColor(kRed));  // target coordinates
        EXPECT_EQ(image.pixel(13, 7), kBlue) << "nothing reaches the target before the end";
    }
    target.end();
    EXPECT_EQ(image.pixel(13, 7), kRed);
    EXPECT_EQ(image.pixel(9, 7), kBlue) << "outside the rectangle";
}

TEST(MyMemDC, StartsInTheBackgroundColourOrWithACopy) {
    QImage image = Target();
    QPainter target(&image);
    target.setBackground(QColor(kGrey));
    { CMyMemDC dc(&target, QRect(0, 0, 10, 10)); }
    { CMyMemDC dc(&target, QRect(20, 0, 10, 10), true); }
    target.end();
    EXPECT_EQ(image.pixel(5, 5), kGrey) << "nothing drawn: the background colour";
    EXPECT_EQ(image.pixel(25, 5), kBlue) << "copy-background keeps the target's pixels";
}

TEST(MyMemDC, OnlyTheTargetsClipRegionIsUpdated) {
    QImage image = Target();
    QPainter target(&image);
    target.setClipRect(QRect(0, 0, 15, 30));
    {
        CMyMemDC dc(&target, QRect(10, 10, 10, 10));
        dc->fillRect(QRect(10, 10, 10, 10), QColor(kRed));
    }
    target.end();
    EXPECT_EQ(image.pixel(12, 12), kRed);
    EXPECT_EQ(image.pixel(17, 12), kBlue);
}

}  // namespace
