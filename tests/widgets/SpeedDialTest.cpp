#include "SpeedDial.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

using widgettest::CountPixels;
using widgettest::IsReddish;
using widgettest::Render;

namespace {

constexpr int kKmh = CSpeedDial::kUnitKmh;
constexpr int kMph = CSpeedDial::kUnitMph;

TEST(SpeedDialGeometry, TwoSquareLayout) {
    struct Case {
        int w, h;
        int side, x1, x2, y0, length;
    };
    for (const Case c : {Case{300, 100, 100, 33, 166, 0, 36}, Case{200, 100, 76, 16, 108, 12, 27},
                         Case{248, 100, 100, 16, 132, 0, 36}, Case{247, 100, 99, 16, 131, 0, 36}}) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        const tagSpeedDialLayout l = CSpeedDial::Layout(c.w, c.h);
        EXPECT_EQ(l.side, c.side);
        EXPECT_EQ(l.x1, c.x1);
        EXPECT_EQ(l.x2, c.x2);
        EXPECT_EQ(l.y0, c.y0);
        EXPECT_EQ(l.cx1, c.x1 + c.side / 2);
        EXPECT_EQ(l.cx2, c.x2 + c.side / 2);
        EXPECT_EQ(l.cy, c.y0 + c.side / 2);
        EXPECT_EQ(CSpeedDial::NeedleLength(l), c.length);
    }
}

TEST(SpeedDialGeometry, NeedleAndTextPerUnit) {
    struct Case {
        int unit, speed;
        int needleSpeed, angle;
        const char* text;
    };
    const Case cases[] = {
        {kKmh, 0, 0, 150, "0KMH"},      {kKmh, 120, 120, 270, "120KMH"},
        {kKmh, 240, 240, 30, "240KMH"}, {kKmh, 241, 0, 150, "0KMH"},
        {kKmh, -5, 0, 150, "0KMH"},     {kMph, 0, 0, 140, "0MPH"},
        {kMph, 100, 100, 264, "62MPH"}, {kMph, 210, 210, 41, "130MPH"},
        {kMph, 211, 0, 140, "0MPH"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "unit " << c.unit << " speed " << c.speed);
        EXPECT_EQ(CSpeedDial::NeedleSpeed(c.speed, c.unit), c.needleSpeed);
        EXPECT_EQ(CSpeedDial::NeedleAngle(c.needleSpeed, c.unit), c.angle);
        EXPECT_EQ(CSpeedDial::SpeedText(c.speed, c.unit), QString::fromLatin1(c.text));
    }
}

TEST(SpeedDialGeometry, NeedleTipPoints) {
    // Centre (83, 50), length 36; pi taken as 3.1415 makes sin(30 deg) a
    // little short of 0.5, so the two lower tips differ by one pixel.
    const tagSpeedDialLayout l = CSpeedDial::Layout(300, 100);
    EXPECT_EQ(CSpeedDial::NeedleTip(l, 270), QPoint(83, 14));
    EXPECT_EQ(CSpeedDial::NeedleTip(l, 150), QPoint(83 - 31, 50 + 18));
    EXPECT_EQ(CSpeedDial::NeedleTip(l, 30), QPoint(83 + 31, 50 + 17));
    EXPECT_EQ(CSpeedDial::NeedleTip(l, 264), QPoint(83 - 3, 50 - 35));
}

TEST(SpeedDialGeometry, TextBoxAndCompassNeedleRectangles) {
    const tagSpeedDialLayout l = CSpeedDial::Layout(300, 100);
    const QRectF text = CSpeedDial::TextRect(l);
    EXPECT_NEAR(text.x(), 33 + 100 / 3.0, 1e-3);
    EXPECT_NEAR(text.y(), 78.0, 1e-3);
    EXPECT_NEAR(text.width(), 100 / 2.75, 1e-3);
    EXPECT_NEAR(text.height(), 9.0, 1e-3);
    const QRectF needle = CSpeedDial::CompassNeedleRect(l);
    EXPECT_NEAR(needle.x(), 166 + (100 - 12) / 2.0, 1e-3);
    EXPECT_NEAR(needle.y(), 25.0, 1e-3);
    EXPECT_EQ(needle.size(), QSizeF(12, 50));
}

// Dial and rose left empty, the compass needle painted pink above, teal below,
// so that only the two needles show.
class SpeedDialPaint : public ::testing::Test {
protected:
    void SetUp() override {
        QImage empty(160, 160, QImage::Format_ARGB32);
        empty.fill(Qt::transparent);
        QImage needle(18, 100, QImage::Format_ARGB32);
        needle.fill(Qt::transparent);
        QPainter p(&needle);
        p.fillRect(QRect(5, 0, 8, 50), QColor(255, 78, 176));
        p.fillRect(QRect(5, 50, 8, 50), QColor(61, 160, 184));
        p.end();
        dial.SetImages(empty, empty, empty, needle);
    }
    CSpeedDial dial;
};

bool IsPink(QRgb p) {
    return qRed(p) > 180 && qGreen(p) < 150 && qBlue(p) > 110 && qRed(p) > qGreen(p) + 70;
}

TEST_F(SpeedDialPaint, NeedlePointsAtTheSpeed) {
    struct Case {
        int w, h, unit, speed;
    };
    const Case cases[] = {{300, 100, kKmh, 0},   {300, 100, kKmh, 240}, {300, 100, kKmh, 241},
                          {300, 100, kMph, 100}, {300, 100, kMph, 210}, {300, 100, kMph, 211},
                          {200, 100, kKmh, 120}, {200, 100, kMph, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.w << "x" << c.h << " unit " << c.unit << " speed " << c.speed);
        dial.resize(c.w, c.h);
        const int needleSpeed = dial.Draw(c.speed, 0.0, c.unit);
        EXPECT_EQ(needleSpeed, CSpeedDial::NeedleSpeed(c.speed, c.unit));
        const QImage image = Render(dial);
        const tagSpeedDialLayout l = CSpeedDial::Layout(c.w, c.h);
        const QPoint tip = CSpeedDial::NeedleTip(l, CSpeedDial::NeedleAngle(needleSpeed, c.unit));
        const QPoint centre(l.cx1, l.cy);
        // Red just inside the tip and half-way along; none on the opposite side.
        const QPoint nearTip = centre + (tip - centre) * 0.85;
        const QPoint halfWay = centre + (tip - centre) * 0.5;
        const QPoint opposite = centre - (tip - centre) * 0.6;
        EXPECT_GT(CountPixels(image, QRect(nearTip - QPoint(1, 1), QSize(3, 3)), IsReddish), 0);
        EXPECT_GT(CountPixels(image, QRect(halfWay - QPoint(1, 1), QSize(3, 3)), IsReddish), 0);
        EXPECT_EQ(CountPixels(image, QRect(opposite - QPoint(1, 1), QSize(3, 3)), IsReddish), 0);
        const QPoint beyond = centre + (tip - centre) * 1.25;
        EXPECT_EQ(CountPixels(image, QRect(beyond - QPoint(1, 1), QSize(3, 3)), IsReddish), 0);
    }
}

TEST_F(SpeedDialPaint, CompassNeedleTurnsToTheHeading) {
    dial.resize(300, 100);
    const tagSpeedDialLayout l = CSpeedDial::Layout(300, 100);
    const int r = l.half / 3;
    struct Case {
        double heading;
        QPoint pinkAt;
    };
    for (const Case c : {Case{0.0, QPoint(0, -r)}, Case{90.0, QPoint(r, 0)},
                         Case{180.0, QPoint(0, r)}, Case{270.0, QPoint(-r, 0)}}) {
        SCOPED_TRACE(c.heading);
        dial.Draw(0, c.heading, kKmh);
        EXPECT_EQ(dial.DrawnHeading(), c.heading);
        const QImage image = Render(dial);
        const QPoint pink = QPoint(l.cx2, l.cy) + c.pinkAt;
        const QPoint other = QPoint(l.cx2, l.cy) - c.pinkAt;
        EXPECT_TRUE(IsPink(image.pixel(pink))) << std::hex << image.pixel(pink);
        EXPECT_FALSE(IsPink(image.pixel(other)));
    }
}

TEST_F(SpeedDialPaint, SpeedTextSitsInTheTextBox) {
    dial.resize(300, 100);
    dial.Draw(88, 0.0, kKmh);
    const QImage image = Render(dial);
    const tagSpeedDialLayout l = CSpeedDial::Layout(300, 100);
    const QRect box = CSpeedDial::TextRect(l).toAlignedRect();
    auto isText = [](QRgb p) { return qAlpha(p) > 0 && qBlue(p) > 100 && qRed(p) < 200; };
    EXPECT_GT(CountPixels(image, box, isText), 5);
    const QRect aboveBox(l.x1, 0, l.side, box.top() - 1);
    EXPECT_EQ(CountPixels(image, aboveBox, isText), 0);
}

TEST_F(SpeedDialPaint, NothingIsDrawnBeforeTheFirstDraw) {
    dial.resize(300, 100);
    EXPECT_FALSE(dial.HasDrawing());
    const QImage image = Render(dial);
    EXPECT_EQ(CountPixels(image, QRect(2, 2, 296, 96), IsReddish), 0);
}

#ifdef VELTO_HAVE_IMAGES
TEST(SpeedDialImages, TheDialImagesAreLoadedFromTheResources) {
    CSpeedDial dial;
    dial.resize(300, 100);
    dial.Draw(0, 180.0, kKmh);
    const QImage image = Render(dial);
    const tagSpeedDialLayout l = CSpeedDial::Layout(300, 100);
    // The dial face is opaque around its centre; the compass needle points down.
    EXPECT_EQ(qAlpha(image.pixel(l.cx1 + 10, l.cy - 20)), 255);
    EXPECT_EQ(qAlpha(image.pixel(l.cx2 + 20, l.cy - 20)), 255);
    const QPoint pink(l.cx2, l.cy + l.half / 3);
    EXPECT_TRUE(IsPink(image.pixel(pink))) << std::hex << image.pixel(pink);
}
#endif

}  // namespace
