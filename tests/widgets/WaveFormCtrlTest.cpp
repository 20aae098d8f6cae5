#include "WaveFormCtrl.h"

#include "TelemetryStore.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using widgettest::CountPixels;
using widgettest::Near;
using widgettest::Render;

namespace {

// 424 x 134: plot edges L 24, T 14, R 423, B 120; q = 26, zero level 67.
constexpr int kW = 424, kH = 134, kL = 24, kT = 14, kR = 423, kB = 120;
const QColor kWhite(255, 255, 255), kRed(255, 0, 0), kGreen(0, 255, 0);
const QColor kFrame(32, 37, 42), kPlot(19, 19, 19);

bool IsWhite(QRgb p) {
    return Near(p, kWhite, 40);
}
bool IsRed(QRgb p) {
    return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
}
bool IsGreen(QRgb p) {
    return qGreen(p) > 200 && qRed(p) < 60 && qBlue(p) < 60;
}

class WaveFormCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        graph.SetDataSource(&store);
        graph.resize(kW, kH);
    }
    void Fill(int count) {
        store.Clear();
        for (int i = 0; i < count; ++i)
            store.AddSample(tagAssistInfo{});
    }
    void Add(float x, float y, float z) {
        tagAssistInfo s;
        s.accelX = x;
        s.accelY = y;
        s.accelZ = z;
        store.AddSample(s);
    }
    // Red and green pixels inside the plot (between its top and bottom edges).
    int PlotPixels(const QImage& image, bool (*match)(QRgb)) {
        return CountPixels(image, QRect(kL, kT, kR - kL + 1, kB - kT + 1), match);
    }

    TelemetryStore store;
    CWaveFormCtrl graph;
};

TEST_F(WaveFormCtrlTest, EmptyGraphShowsFrameLabelsAndZeroValuesButNoCursor) {
    const QImage image = Render(graph);
    EXPECT_TRUE(Near(image.pixel(2, 2), QColor(10, 10, 10)));
    EXPECT_TRUE(Near(image.pixel(kL + 5, kT + 5), kPlot));
    EXPECT_TRUE(Near(image.pixel(kL, kT + 5), kFrame)) << "left frame line, no cursor on it";
    EXPECT_TRUE(Near(image.pixel(kL + 5, kT + 2 * 26), kFrame)) << "centre line";
    EXPECT_TRUE(Near(image.pixel(kR, kT + 5), kFrame));
    EXPECT_EQ(graph.CursorX(), -1);
    EXPECT_EQ(PlotPixels(image, IsRed), 0);
    EXPECT_EQ(PlotPixels(image, IsGreen), 0);
    // "+2G" in the left margin; the three value texts under the plot in their colours.
    EXPECT_GT(CountPixels(image, QRect(0, kT, kL - 1, 12), IsWhite), 5);
    const int x0 = kL + (kR - kL - 240) / 2;
    EXPECT_GT(CountPixels(image, QRect(x0, kB + 1, 75, 13), IsWhite), 5);
    EXPECT_GT(CountPixels(image, QRect(x0 + 80, kB + 1, 75, 13), IsRed), 5);
    EXPECT_GT(CountPixels(image, QRect(x0 + 160, kB + 1, 75, 13), IsGreen), 5);
}

TEST_F(WaveFormCtrlTest, ClearedGraphPutsTheCursorOnTheLeftEdge) {
    graph.ClearTelemetry();
    const QImage image = Render(graph);
    EXPECT_EQ(graph.GetCurrentIndex(), 0);
    EXPECT_EQ(graph.CursorX(), kL);
    EXPECT_TRUE(IsWhite(image.pixel(kL, kT + 5)));
}

TEST_F(WaveFormCtrlTest, ClearTelemetryEmptiesTheStore) {
    Fill(10);
    graph.LoadTelemetry();
    graph.ClearTelemetry();
    EXPECT_EQ(store.GetCount(), 0);
    EXPECT_EQ(graph.GetSampleCount(), 0);
    EXPECT_EQ(graph.GetDecimationStep(), 1);
}

TEST_F(WaveFormCtrlTest, OneSampleDrawsNoPolylineAndTheCursorStaysLeft) {
    Add(0.0f, 1.0f, -1.0f);
    graph.LoadTelemetry();
    EXPECT_EQ(PlotPixels(Render(graph), IsRed), 0);
    graph.SetCurrentIndex(1);  // the count itself is accepted
    EXPECT_EQ(graph.GetCurrentIndex(), 1);
    EXPECT_EQ(graph.CursorX(), kL);
    graph.SetCurrentIndex(2);
    graph.SetCurrentIndex(-1);
    EXPECT_EQ(graph.GetCurrentIndex(), 1);
}

// Spikes at samples 5990 (Y, +2 g) and 5995 (Z, -2 g): without decimation
// both are plotted; with 6001 samples only every tenth sample is, so 5990
// is the last point and 5995 is skipped.
TEST_F(WaveFormCtrlTest, DecimatesAbove6000Samples) {
    struct Case {
        int count;
        int step;
        int points;
        bool zSpikeShown;
    };
    for (const Case c : {Case{6000, 1, 6000, true}, Case{6001, 10, 600, false}}) {
        SCOPED_TRACE(c.count);
        store.Clear();
        for (int i = 0; i < c.count; ++i) {
            Add(0.0f, i == 5990 ? 2.0f : 0.0f, i == 5995 ? -2.0f : 0.0f);
        }
        graph.LoadTelemetry();
        EXPECT_EQ(graph.GetDecimationStep(), c.step);
        EXPECT_EQ(CWaveFormCtrl::PlottedPoints(c.count), c.points);
        const QImage image = Render(graph);
        const QRect nearRightTop(kR - 4, kT, 5, 4);
        const QRect nearRightBottom(kR - 4, kB - 3, 5, 4);
        EXPECT_GT(CountPixels(image, nearRightTop, IsRed), 0) << "Y spike at +2 g reaches T";
        EXPECT_EQ(CountPixels(image, nearRightBottom, IsGreen) > 0, c.zSpikeShown);
        // The last plotted point lies on R.
        const QPoint last = graph.PointAt(c.points - 1, 0.0f);
        EXPECT_GE(last.x(), kR - 1);
        EXPECT_LE(last.x(), kR);
    }
}

TEST_F(WaveFormCtrlTest, PointsFollowTheFixedScale) {
    Fill(2);
    graph.LoadTelemetry();
    EXPECT_EQ(graph.PointAt(0, 2.0f), QPoint(kL, kT));
    EXPECT_EQ(graph.PointAt(0, 0.0f).y(), kT + (kB - kT) / 2);
    EXPECT_EQ(graph.PointAt(1, -2.0f), QPoint(kR, kB));
}

TEST_F(WaveFormCtrlTest, ValuesBeyondTheScaleAreNotClipped) {
    // +2.4 g lies 10 pixels above the plot's top edge, in the label margin.
    Add(2.4f, 0.0f, 0.0f);
    Add(2.4f, 0.0f, 0.0f);
    graph.LoadTelemetry();
    EXPECT_EQ(graph.PointAt(0, 2.4f).y(), 3);
    const QImage image = Render(graph);
    EXPECT_GT(CountPixels(image, QRect(kL + 50, 0, 100, kT - 1), IsWhite), 50);
}

TEST_F(WaveFormCtrlTest, CursorFollowsTheCurrentIndex) {
    struct Case {
        int count;
        int index;
    };
    for (const Case c : {Case{6000, 3000}, Case{6000, 6000}, Case{36000, 12345}}) {
        SCOPED_TRACE(c.index);
        Fill(c.count);
        graph.LoadTelemetry();
        graph.SetCurrentIndex(c.index);
        const int step = graph.GetDecimationStep();
        const float dx = static_cast<float>(static_cast<double>(kR - kL) / (c.count / step - 1));
        const int expected =
            static_cast<int>(std::trunc(static_cast<float>(c.index / step) * dx + kL));
        ASSERT_EQ(graph.CursorX(), expected);
        const QImage image = Render(graph);
        EXPECT_TRUE(IsWhite(image.pixel(expected, kT + 3)));
        EXPECT_FALSE(IsWhite(image.pixel(expected - 3, kT + 3)));
    }
}

}  // namespace
