// The shared per-second resampler of the real cameras' formats.
#include "BoxWalker.h"
#include "PerSecondResampler.h"
#include "TelemetryStore.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TimedFix Fix(double t, double lat, double lon, double course = kNoCourse) {
    TimedFix f;
    f.videoSeconds = t;
    f.latitude = lat;
    f.longitude = lon;
    f.speedKmh = 36.9;
    f.course = course;
    f.utcMillis = int64_t(t * 1000);
    return f;
}

tagAssistInfo Sample(const TelemetryStore& store, int i) {
    tagAssistInfo s;
    EXPECT_EQ(store.GetSample(i, s), 0);
    return s;
}

TEST(PerSecondResampler, FirstFixOfTheSecondAndMeanAccelerations) {
    PerSecondResampler r(100);
    r.AddFix(Fix(0.9, 10.5, 20.5));
    r.AddFix(Fix(0.2, 10.1, 20.1));  // earlier in second 0, added later: it wins
    r.AddFix(Fix(0.2, 10.2, 20.2));  // a tie: the first added stays
    r.AddFix(Fix(2.0, 10.3, 20.1));
    r.AddAcceleration({0.1, 1.0, 2.0, -1.0});
    r.AddAcceleration({0.6, 0.0, 1.0, 0.0});
    r.AddAcceleration({1.5, 0.5, 0.5, 0.5});
    TelemetryStore store;
    ASSERT_EQ(r.WriteTo(store), 3);

    const tagAssistInfo s0 = Sample(store, 0);
    EXPECT_EQ(s0.latitude, "10.1000000");
    EXPECT_EQ(s0.longitude, "20.1000000");
    EXPECT_EQ(s0.speed, 36);
    EXPECT_EQ(s0.utcMillis, 200);
    EXPECT_FLOAT_EQ(s0.accelX, 0.5f);
    EXPECT_FLOAT_EQ(s0.accelY, 1.5f);
    EXPECT_FLOAT_EQ(s0.accelZ, -0.5f);

    // No fix in second 1: no usable position, never "0,0".
    const tagAssistInfo s1 = Sample(store, 1);
    EXPECT_EQ(s1.latitude, "");
    EXPECT_EQ(s1.longitude, "");
    EXPECT_FALSE(HasUsablePosition(s1));
    EXPECT_FALSE(HasUtcTime(s1));
    EXPECT_FLOAT_EQ(s1.accelX, 0.5f);

    // Due north from second 0 to second 2; the first fix takes the same bearing.
    EXPECT_NEAR(Sample(store, 2).course, 0.0, 1e-6);
    EXPECT_NEAR(s0.course, 0.0, 1e-6);
}

TEST(PerSecondResampler, CourseGivenDerivedOrKept) {
    PerSecondResampler r(100);
    r.AddFix(Fix(0, 0.0, 10.0));
    r.AddFix(Fix(1, 0.0, 10.001));          // due east
    r.AddFix(Fix(2, 0.0, 10.001));          // no movement: keeps 90
    r.AddFix(Fix(3, -0.001, 10.001));       // due south
    r.AddFix(Fix(4, -0.001, 10.001, 370));  // given: 10
    TelemetryStore store;
    ASSERT_EQ(r.WriteTo(store), 5);
    const double expected[] = {90, 90, 90, 180, 10};
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(Sample(store, i).course, expected[i], 1e-6) << i;
}

TEST(PerSecondResampler, DropsWhatNoFixOrTimeCanBe) {
    PerSecondResampler r(10);
    r.AddFix(Fix(0, 0.0, 0.0));   // 0,0: no fix
    r.AddFix(Fix(0, 91.0, 1.0));  // beyond the pole
    r.AddFix(Fix(0, NAN, 1.0));
    r.AddFix(Fix(-0.5, 1.0, 1.0));  // before the recording
    r.AddFix(Fix(10.0, 1.0, 1.0));  // beyond the limit
    r.AddFix(Fix(INFINITY, 1.0, 1.0));
    r.AddAcceleration({1e30, 1, 1, 1});
    r.AddAcceleration({1.0, NAN, 1, 1});
    EXPECT_TRUE(r.Empty());
    TelemetryStore store;
    EXPECT_EQ(r.WriteTo(store), 0);
}

TEST(PerSecondResampler, NeverMoreSamplesThanTheRecordLimit) {
    PerSecondResampler r(uint64_t(1) << 40);  // held to kMaxRecords
    r.AddFix(Fix(double(kMaxRecords) + 5, 1.0, 1.0));
    r.AddFix(Fix(double(kMaxRecords) - 0.5, 1.0, 1.0));
    TelemetryStore store;
    EXPECT_EQ(r.WriteTo(store), int(kMaxRecords));
}

TEST(DecimalDegreesText, AlwaysUsableForARealFix) {
    EXPECT_EQ(DecimalDegreesText(47.62841796875), "47.6284180");
    EXPECT_EQ(DecimalDegreesText(-0.5), "-0.5000000");
    EXPECT_EQ(DecimalDegreesText(1e-7), "0.0000001");
    EXPECT_GT(DecimalDegreesText(0.0000001).size(), 6u);
}

}  // namespace
