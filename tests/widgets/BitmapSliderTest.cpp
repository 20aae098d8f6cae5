#include "BitmapSlider.h"

#include "SliderEvent.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPainter>
#include <QTest>
#include <vector>

using widgettest::CountPixels;
using widgettest::Near;
using widgettest::Render;

namespace {

const QColor kThumbBody(24, 190, 24);
const QColor kParentBg(40, 44, 52);

// Records the slider events posted to it.
class EventSink : public QWidget {
public:
    struct Posted {
        QEvent::Type type;
        int id;
        int value;
        bool operator==(const Posted& o) const {
            return type == o.type && id == o.id && value == o.value;
        }
    };
    std::vector<Posted> events;

    bool event(QEvent* e) override {
        if (e->type() == CSliderEvent::Moving || e->type() == CSliderEvent::Moved) {
            auto* s = static_cast<CSliderEvent*>(e);
            events.push_back({e->type(), s->ControlId(), s->Value()});
            return true;
        }
        return QWidget::event(e);
    }
};

// A 23 x 11 pill: pure red corners (made transparent from pixel (0, 0)),
// green body.
QImage ThumbImage() {
    QImage image(23, 11, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    QPainter p(&image);
    p.fillRect(QRect(2, 0, 19, 11), kThumbBody);
    p.fillRect(QRect(0, 2, 23, 7), kThumbBody);
    return image;
}

bool IsThumb(QRgb p) {
    return Near(p, kThumbBody, 2);
}

class BitmapSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        QPalette pal = parent.palette();
        pal.setColor(QPalette::Window, kParentBg);
        parent.setPalette(pal);
        parent.resize(400, 100);
        slider = new CBitmapSlider(&parent);
        slider->SetControlId(1020);
        slider->setGeometry(10, 10, 300, 15);
        slider->SetColourChannel(qRgb(128, 128, 128), qRgb(0, 0, 0), 96);
        ASSERT_TRUE(slider->SetThumbImages(ThumbImage(), ThumbImage(), true,
                                           CBitmapSlider::kTransparentFromPixel, 0, 0));
        slider->SetFocusRectFlag(false);
        slider->SetValueRange(0, 100);
        slider->SetValue(0);
    }
    std::vector<EventSink::Posted> TakeEvents() {
        QCoreApplication::sendPostedEvents(&parent);
        auto events = parent.events;
        parent.events.clear();
        return events;
    }
    int ThumbLeftInImage() {
        const QImage image = Render(*slider);
        for (int x = 0; x < image.width(); ++x) {
            if (IsThumb(image.pixel(x, 5)))
                return x;
        }
        return -1;
    }

    EventSink parent;
    CBitmapSlider* slider = nullptr;
};

TEST_F(BitmapSliderTest, ThumbPositionFollowsTheValue) {
    EXPECT_EQ(slider->ThumbWidth(), 23);
    EXPECT_EQ(slider->ThumbTopLeft(), QPoint(0, 0));
    EXPECT_EQ(ThumbLeftInImage(), 0);
    slider->SetValue(100);
    EXPECT_EQ(slider->ThumbTopLeft(), QPoint(277, 0));
    EXPECT_EQ(ThumbLeftInImage(), 277);
    slider->SetValue(50);
    EXPECT_EQ(slider->ThumbTopLeft().x(), 138);
}

TEST_F(BitmapSliderTest, SetValueClampsToTheRange) {
    slider->SetValue(150);
    EXPECT_EQ(slider->GetValue(), 100);
    slider->SetValue(-3);
    EXPECT_EQ(slider->GetValue(), 0);
    slider->SetValueRange(10, 10);
    EXPECT_EQ(slider->Pos2Pixel(10), 11) << "an empty range keeps the thumb at the minimum";
}

TEST_F(BitmapSliderTest, ChannelAndTransparentThumbCorners) {
    const QImage image = Render(*slider);
    EXPECT_TRUE(Near(image.pixel(150, 1), kParentBg));
    EXPECT_TRUE(Near(image.pixel(150, 4), QColor(128, 128, 128)));
    EXPECT_TRUE(Near(image.pixel(150, 7), QColor(0, 0, 0)));
    // The thumb's red corner pixel shows what lies under it, not red.
    EXPECT_TRUE(Near(image.pixel(0, 0), kParentBg));
    EXPECT_EQ(CountPixels(image, image.rect(), widgettest::IsReddish), 0);
}

TEST_F(BitmapSliderTest, HighDpiInsetsAndMargin) {
    slider->SetColourChannel(qRgb(128, 128, 128), qRgb(0, 0, 0), 120);
    EXPECT_EQ(slider->MarginTop(), 2);
    slider->setGeometry(10, 10, 300, 20);
    slider->SetValue(50);
    const QImage image = Render(*slider);
    const QColor grey(128, 128, 128);
    EXPECT_TRUE(Near(image.pixel(5, 9), kParentBg));
    EXPECT_TRUE(Near(image.pixel(6, 9), grey));
    EXPECT_TRUE(Near(image.pixel(80, 7), kParentBg));
    EXPECT_TRUE(Near(image.pixel(80, 8), grey));
    EXPECT_TRUE(Near(image.pixel(293, 9), grey));
    EXPECT_TRUE(Near(image.pixel(294, 9), kParentBg));
    EXPECT_EQ(slider->ThumbTopLeft(), QPoint(138, 2));
    EXPECT_FALSE(IsThumb(image.pixel(149, 1)));
    EXPECT_TRUE(IsThumb(image.pixel(149, 2)));
}

TEST_F(BitmapSliderTest, ClickJumpsThereAndPostsMovingThenMoved) {
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(150, 7));
    EXPECT_TRUE(slider->IsDragging());
    EXPECT_EQ(slider->GetValue(), 50);
    EXPECT_EQ(TakeEvents(), (std::vector<EventSink::Posted>{{CSliderEvent::Moving, 1020, 50}}));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(150, 7));
    EXPECT_FALSE(slider->IsDragging());
    EXPECT_EQ(TakeEvents(), (std::vector<EventSink::Posted>{{CSliderEvent::Moved, 1020, 50}}));
}

TEST_F(BitmapSliderTest, GrabInsideTheThumbKeepsTheGrabOffset) {
    slider->SetValue(50);  // centre 149
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(152, 7));
    EXPECT_EQ(slider->GetValue(), 50) << "a click on the thumb does not move it";
    EXPECT_TRUE(TakeEvents().empty());
    QMouseEvent move(QEvent::MouseMove, QPointF(200, 7), QPointF(200, 7), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(slider, &move);
    // The centre follows at 200 - 3 = 197: trunc(186 / 277 * 100) = 67.
    EXPECT_EQ(slider->GetValue(), 67);
    QMouseEvent far(QEvent::MouseMove, QPointF(1000, 7), QPointF(1000, 7), Qt::NoButton,
                    Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(slider, &far);
    EXPECT_EQ(slider->GetValue(), 100);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(1000, 7));
    EXPECT_EQ(TakeEvents(), (std::vector<EventSink::Posted>{{CSliderEvent::Moving, 1020, 67},
                                                            {CSliderEvent::Moving, 1020, 100},
                                                            {CSliderEvent::Moved, 1020, 100}}));
}

TEST_F(BitmapSliderTest, NavigationKeysMoveByStepPageOrToTheEnds) {
    struct Case {
        Qt::Key key;
        int from, to;
    };
    const Case cases[] = {{Qt::Key_PageDown, 50, 70},  {Qt::Key_PageUp, 50, 30},
                          {Qt::Key_End, 50, 100},      {Qt::Key_Home, 50, 0},
                          {Qt::Key_Right, 50, 51},     {Qt::Key_Down, 50, 51},
                          {Qt::Key_Left, 50, 49},      {Qt::Key_Up, 50, 49},
                          {Qt::Key_PageDown, 90, 100}, {Qt::Key_Left, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " from " << c.from);
        slider->SetValue(c.from);
        QTest::keyClick(slider, c.key);
        EXPECT_EQ(slider->GetValue(), c.to);
        EXPECT_EQ(TakeEvents(),
                  (std::vector<EventSink::Posted>{{CSliderEvent::Moved, 1020, c.to}}));
    }
    QTest::keyClick(slider, Qt::Key_A);
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(BitmapSliderTest, DisabledSliderTakesNoInputAndShowsNoThumb) {
    slider->SetValue(50);
    slider->setEnabled(false);
    QTest::keyClick(slider, Qt::Key_End);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(250, 7));
    EXPECT_EQ(slider->GetValue(), 50);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(ThumbLeftInImage(), -1);
    slider->setEnabled(true);
    EXPECT_EQ(ThumbLeftInImage(), 138);
}

TEST_F(BitmapSliderTest, PressAndReleaseSignalsForTheOwner) {
    int pressed = 0, released = 0;
    QObject::connect(slider, &CBitmapSlider::sliderPressed, [&] { ++pressed; });
    QObject::connect(slider, &CBitmapSlider::sliderReleased, [&] { ++released; });
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(40, 7));
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(released, 1);
}

TEST_F(BitmapSliderTest, MissingThumbResourceLeavesNoThumb) {
    EXPECT_FALSE(slider->SetThumbBitmaps(99999, 0, true));
    EXPECT_FALSE(slider->HasThumb());
    EXPECT_EQ(ThumbLeftInImage(), -1);
}

}  // namespace
