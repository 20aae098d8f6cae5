#include "DlgVideo.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>

namespace {

// The main window's part: counts double clicks that reach it.
class Owner : public QWidget {
public:
    int doubleClicks = 0;

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override { ++doubleClicks; }
};

// Counts what reaches the surface itself.
class CountingSurface : public CDlgVideo {
public:
    using CDlgVideo::CDlgVideo;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        ++presses;
        CDlgVideo::mousePressEvent(e);
    }
};

class DlgVideoTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner.resize(400, 300);
        QPalette pal = owner.palette();
        pal.setColor(QPalette::Window, QColor(200, 200, 200));
        owner.setPalette(pal);
        surface = new CountingSurface(&owner);
        surface->setGeometry(10, 10, 320, 180);
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    }
    Owner owner;
    CountingSurface* surface = nullptr;
};

TEST_F(DlgVideoTest, IsANativeBlackWindow) {
    EXPECT_NE(surface->VideoWindowId(), 0ul);
    EXPECT_TRUE(surface->testAttribute(Qt::WA_NativeWindow));
    surface->resize(200, 100);
    surface->FillBlack();
    const QImage image = widgettest::Render(*surface);
    EXPECT_EQ(
        widgettest::CountPixels(image, image.rect(), [](QRgb p) { return (p & 0xFFFFFFu) != 0; }),
        0);
}

TEST_F(DlgVideoTest, AfterOneSecondMouseInputGoesToTheMainWindow) {
    EXPECT_FALSE(surface->IsInputDisabled());
    QTRY_VERIFY_WITH_TIMEOUT(surface->IsInputDisabled(), 3000);
    const QPoint overVideo(100, 100);  // owner coordinates, inside the surface
    QTest::mouseClick(owner.windowHandle(), Qt::LeftButton, {}, overVideo);
    EXPECT_EQ(surface->presses, 0);
    QTest::mouseDClick(owner.windowHandle(), Qt::LeftButton, {}, overVideo);
    EXPECT_EQ(owner.doubleClicks, 1);
}

TEST_F(DlgVideoTest, ADoubleClickOnTheSurfaceItselfAlsoReachesTheMainWindow) {
    QTest::mouseDClick(surface, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(owner.doubleClicks, 1);
}

}  // namespace
