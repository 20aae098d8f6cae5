#include "LoadPngResource.h"
#include "PngButton.h"
#include "WidgetTestSupport.h"
#include "WinXPButtonST.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>

using widgettest::CountPixels;
using widgettest::Near;
using widgettest::Render;
using widgettest::WaitFor;

namespace {

const QRgb kMagenta = qRgb(255, 0, 255);
const QColor kSignBlue(62, 124, 191);

TEST(LoadPngResource, UnknownTypeOrMissingIdFails) {
    QImage image(3, 3, QImage::Format_RGB32);
    EXPECT_FALSE(LoadPngResource(152, "JPEG", image));
    EXPECT_FALSE(LoadPngResource(99999, "PNG", image));
    EXPECT_FALSE(LoadPngResource(152, nullptr, image));
    EXPECT_EQ(image.size(), QSize(3, 3)) << "the output is left untouched";
}

#ifdef VELTO_HAVE_IMAGES

TEST(LoadPngResource, FindsTheNumberedImages) {
    QImage image;
    ASSERT_TRUE(LoadPngResource(152, "PNG", image));
    EXPECT_EQ(image.size(), QSize(205, 51));
    ASSERT_TRUE(LoadPngResource(179, "BITMAP", image));
    EXPECT_EQ(image.size(), QSize(23, 11));
    ASSERT_TRUE(LoadPngResource(222, "ICON", image));
}

// On a screen of twice the pixel density (QT_SCALE_FACTOR=2) the images come
// at 2x and draw at their logical size: the button keeps its size and shows
// the 2x strip's own pixels. On a 1x screen the 1x images are taken.
TEST(LoadPngResource, TakesTheSharpImageOnADenseScreen) {
    const qreal dpr = qGuiApp->devicePixelRatio();
    const QByteArray expected = qgetenv("VELTO_EXPECT_DPR");
    if (!expected.isEmpty()) {
        ASSERT_EQ(dpr, expected.toDouble()) << "run with QT_SCALE_FACTOR=" << expected.constData();
    }
    const qreal want = dpr > 1.0 ? 2.0 : 1.0;
    QImage image;
    ASSERT_TRUE(LoadPngResource(152, "PNG", image));
    EXPECT_EQ(image.devicePixelRatio(), want);
    EXPECT_EQ(image.deviceIndependentSize().toSize(), QSize(205, 51));

    QWidget window;
    window.resize(120, 80);
    auto* button = new CPngButton(&window);
    ASSERT_TRUE(button->SetImage(152));
    EXPECT_EQ(button->size(), QSize(51, 51));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage shot = button->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shot.size(), QSize(51, 51) * want);
    const QImage strip = image.convertToFormat(QImage::Format_ARGB32);
    // The opaque middle of frame 0, pixel for pixel.
    int same = 0;
    int total = 0;
    for (int y = shot.height() / 3; y < shot.height() * 2 / 3; ++y) {
        for (int x = shot.width() / 3; x < shot.width() * 2 / 3; ++x) {
            ++total;
            same += Near(shot.pixel(x, y), QColor(strip.pixel(x, y)), 2) ? 1 : 0;
        }
    }
    EXPECT_EQ(same, total);
}

// Two image buttons side by side in a shown window, so that the mouse and
// the focus behave as on screen.
class PngButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 120);
        first = new CPngButton(&window);
        second = new CPngButton(&window);
        first->move(10, 10);
        second->move(100, 10);
        ASSERT_TRUE(first->SetImage(152));
        ASSERT_TRUE(second->SetImage(155));
        ASSERT_TRUE(LoadPngResource(152, "PNG", strip));
        strip = strip.convertToFormat(QImage::Format_ARGB32);
        window.setFocusPolicy(Qt::StrongFocus);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        window.setFocus();
        Enter();
        Leave();
    }
    bool Enter() {
        QTest::mouseMove(first, QPoint(25, 25));
        return WaitFor([this] { return first->IsHovering(); });
    }
    bool Leave() {
        QTest::mouseMove(&window, QPoint(250, 100));
        return WaitFor([this] { return !first->IsHovering(); });
    }
    // Whether the button shows frame f of its strip (largest channel
    // difference over the frame at most 8).
    bool Shows(int f) {
        const QImage shown = Render(*first);
        const QImage frame = strip.copy(f * 51, 0, 51, 51);
        for (int y = 0; y < 51; y += 2) {
            for (int x = 0; x < 51; x += 2) {
                const QRgb a = shown.pixel(x, y), b = frame.pixel(x, y);
                if (qAlpha(b) < 250)
                    continue;
                if (!Near(a, QColor(b), 8))
                    return false;
            }
        }
        return true;
    }
    QWidget window;
    CPngButton* first = nullptr;
    CPngButton* second = nullptr;
    QImage strip;
};

TEST_F(PngButtonTest, FirstStripSizesTheButtonToOneFrame) {
    EXPECT_EQ(first->size(), QSize(51, 51));
    EXPECT_EQ(first->FrameWidth(), 51) << "205 / 4; the last column is never shown";
    EXPECT_EQ(first->pos(), QPoint(10, 10));
    first->resize(60, 60);
    ASSERT_TRUE(first->SetImage(167));
    EXPECT_EQ(first->size(), QSize(60, 60)) << "later strips keep the size";
}

TEST_F(PngButtonTest, HoverShowsFrameTwoAndLeavingFrameZero) {
    EXPECT_EQ(first->CurrentFrame(), 0);
    EXPECT_TRUE(Shows(0));
    ASSERT_TRUE(Enter());
    EXPECT_EQ(first->CurrentFrame(), 2);
    EXPECT_TRUE(Shows(2));
    ASSERT_TRUE(Leave());
    EXPECT_EQ(first->CurrentFrame(), 0);
    EXPECT_TRUE(Shows(0));
}

TEST_F(PngButtonTest, FocusShowsFrameTwoUntilTheMouseLeaves) {
    first->setFocus();
    EXPECT_EQ(first->CurrentFrame(), 2);
    ASSERT_TRUE(Enter());
    ASSERT_TRUE(Leave());
    EXPECT_TRUE(first->hasFocus());
    EXPECT_EQ(first->CurrentFrame(), 0) << "leaving draws frame 0 although focused";
    second->setFocus();
    first->setFocus();
    EXPECT_EQ(first->CurrentFrame(), 2);
}

TEST_F(PngButtonTest, DraggingOffAndBackWhilePressed) {
    ASSERT_TRUE(Enter());
    QTest::mousePress(first, Qt::LeftButton, {}, QPoint(25, 25));
    EXPECT_EQ(first->CurrentFrame(), 2);
    QMouseEvent off(QEvent::MouseMove, QPointF(120, 25), first->mapToGlobal(QPointF(120, 25)),
                    Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(first, &off);
    EXPECT_EQ(first->CurrentFrame(), 0);
    QMouseEvent back(QEvent::MouseMove, QPointF(25, 25), first->mapToGlobal(QPointF(25, 25)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(first, &back);
    EXPECT_EQ(first->CurrentFrame(), 2);
    QTest::mouseRelease(first, Qt::LeftButton, {}, QPoint(25, 25));
}

TEST_F(PngButtonTest, DisablingAFocusedButtonMovesTheFocusOn) {
    first->setFocus();
    ASSERT_TRUE(first->hasFocus());
    first->setEnabled(false);
    EXPECT_TRUE(second->hasFocus());
    EXPECT_EQ(first->CurrentFrame(), 3);
    EXPECT_TRUE(Shows(3));
    first->setEnabled(true);
    EXPECT_EQ(first->CurrentFrame(), 0);
}

TEST(PngButton, MissingStripDrawsNothing) {
    CPngButton button;
    button.resize(40, 40);
    EXPECT_FALSE(button.SetImage(99999));
    EXPECT_FALSE(button.HasImage());
    const QImage image = Render(button);
    EXPECT_EQ(CountPixels(image, image.rect(), [](QRgb p) { return qAlpha(p) != 0; }), 0);
}

TEST(WinXPButtonST, VolumeBitmapWithMagentaKey) {
    CWinXPButtonST button;
    button.resize(26, 26);
    button.SetFlatMode(true, true);
    ASSERT_TRUE(button.AssignBitmaps(211, kMagenta, 211, kMagenta));
    const QImage image = Render(button);
    EXPECT_EQ(CountPixels(image, image.rect(), [](QRgb p) { return Near(p, QColor(kMagenta)); }),
              0);
    EXPECT_GT(CountPixels(image, image.rect(), [](QRgb p) { return Near(p, kSignBlue, 10); }), 4);
}

#endif  // VELTO_HAVE_IMAGES

// 24 x 24 magenta with a blue plus sign in the middle.
QImage PlusImage() {
    QImage image(24, 24, QImage::Format_RGB32);
    image.fill(kMagenta);
    QPainter p(&image);
    p.fillRect(QRect(6, 11, 12, 2), kSignBlue);
    p.fillRect(QRect(11, 6, 2, 12), kSignBlue);
    return image;
}

QRect BlueBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (Near(image.pixel(x, y), kSignBlue, 4))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

class VolumeButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(100, 60);
        button = new CWinXPButtonST(&window);
        button->setGeometry(10, 10, 26, 26);
        button->SetFlatMode(true, true);
        ASSERT_TRUE(button->AssignImages(PlusImage(), kMagenta, PlusImage(), kMagenta));
        window.setFocusPolicy(Qt::StrongFocus);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        window.setFocus();
        Enter();
        Leave();
    }
    bool Enter() {
        QTest::mouseMove(button, QPoint(13, 13));
        return WaitFor([this] { return button->IsHovered(); });
    }
    bool Leave() {
        QTest::mouseMove(&window, QPoint(90, 50));
        return WaitFor([this] { return !button->IsHovered(); });
    }
    QWidget window;
    CWinXPButtonST* button = nullptr;
};

TEST_F(VolumeButtonTest, IdleFaceShowsThroughTheTransparentColour) {
    const QImage image = Render(*button);
    EXPECT_FALSE(button->IsHovered());
    EXPECT_EQ(button->IdleColour(), window.palette().color(QPalette::Window)) << "blends in";
    EXPECT_TRUE(Near(image.pixel(0, 0), button->IdleColour()));
    EXPECT_TRUE(Near(image.pixel(2, 2), button->IdleColour())) << "magenta corner is transparent";
    EXPECT_EQ(BlueBounds(image), QRect(7, 7, 12, 12)) << "centred: (26 - 24) / 2 = 1";
}

TEST_F(VolumeButtonTest, HoverDrawsTheBlackFrameAndPressingOffsetsTheBitmap) {
    ASSERT_TRUE(Enter());
    QImage image = Render(*button);
    EXPECT_TRUE(Near(image.pixel(0, 0), Qt::black));
    EXPECT_TRUE(Near(image.pixel(25, 25), Qt::black));
    EXPECT_TRUE(Near(image.pixel(1, 1), button->HoverColour()));
    EXPECT_EQ(BlueBounds(image), QRect(7, 7, 12, 12));

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(13, 13));
    image = Render(*button);
    EXPECT_EQ(BlueBounds(image), QRect(8, 8, 12, 12)) << "pressed offset (1, 1)";
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(13, 13));

    ASSERT_TRUE(Leave());
    EXPECT_TRUE(Near(Render(*button).pixel(0, 0), button->IdleColour()));
}

TEST_F(VolumeButtonTest, DoubleClickCountsAsTwoClicks) {
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    // Through the window, as the platform delivers it: press, release,
    // double click, release.
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(23, 23));
    EXPECT_EQ(clicks, 2);
}

TEST(ButtonST, FailedBitmapsLeaveNoImages) {
    CButtonST button;
    button.resize(26, 26);
    button.SetFlatMode(true, false);
    EXPECT_FALSE(button.AssignBitmaps(99998, kMagenta, 99999, kMagenta));
    EXPECT_FALSE(button.AssignImages(PlusImage(), kMagenta, QImage(), kMagenta));
    EXPECT_TRUE(BlueBounds(Render(button)).isNull());
}

}  // namespace
