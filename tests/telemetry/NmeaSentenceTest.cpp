#include "NmeaSentence.h"
#include "UtcTime.h"

#include <gtest/gtest.h>

namespace {

struct CoordinateCase {
    const char* field;
    char hemisphere;
    const char* expected;
};

TEST(FormatCoordinate, WorkedValues) {
    const CoordinateCase cases[] = {
        {"2232.1234", 'N', "22.535390"},
        {"11403.12345", 'W', "-114.0520575"},
        {"0030.0000", 'S', "-0.500000"},
        {"4807", 'N', "0"},
        {"4807.038", 'N', ""},
        {"4807.0380", 's', "48.117300"},
        {"01131.0000", 'E', "11.516666"},
        {"4807.0380", '\0', "48.117300"},
        {"4807.038012", 'N', ""},
        {"4807.", 'N', ""},
        {"9999999999999999999999.0000", 'N', "21474836.783333"},
    };
    for (const CoordinateCase& c : cases)
        EXPECT_EQ(FormatCoordinate(c.field, c.hemisphere), c.expected)
            << c.field << " " << c.hemisphere;
}

struct RmcCase {
    const char* name;
    const char* sentence;
    const char* latitude;
    const char* longitude;
    int32_t speed;
    double course;
};

TEST(ParseRmcSentence, FieldsAndStrtokShifting) {
    const RmcCase cases[] = {
        {"full", "$GPRMC,123519,A,4807.0380,N,01131.0000,E,022.4,084.4,230394,003.1,W*6A",
         "48.117300", "11.516666", 41, 84.4},
        {"glonass", "$GLRMC,1,A,4807.0380,S,01131.0000,W,10.5,90,230394", "-48.117300",
         "-11.516666", 19, 90.0},
        {"combined", "$GNRMC,1,A,2232.1234,N,11403.12345,W,0,0,230394", "22.535390", "-114.0520575",
         0, 0.0},
        {"void fix used", "$GPRMC,1,V,2232.1234,N,11403.12345,E,1,2,3", "22.535390", "114.0520575",
         1, 2.0},
        {"empty course: date read as course", "$GPRMC,1,A,2232.1234,N,11403.12345,E,1.0,,230394",
         "22.535390", "114.0520575", 1, 0.0},
        {"empty speed: course read as speed", "$GPRMC,1,A,2232.1234,N,11403.12345,E,,84.4,230394",
         "22.535390", "114.0520575", 156, 0.0},
        {"course above 360", "$GPRMC,1,A,2232.1234,N,11403.12345,E,0,361.5,230394", "22.535390",
         "114.0520575", 0, 0.0},
        {"course exactly 360", "$GPRMC,1,A,2232.1234,N,11403.12345,E,0,360,230394", "22.535390",
         "114.0520575", 0, 360.0},
        {"cut after course", "$GPRMC,1,A,2232.1234,N,11403.12345,E,2,45", "22.535390",
         "114.0520575", 3, 45.0},
        {"one coordinate unsupported", "$GPRMC,1,A,2232.1234,N,11403.123,E,0,0,1", "22.535390", "",
         0, 0.0},
        {"checksum tail on course", "$GPRMC,1,A,2232.1234,N,11403.12345,E,0,12.5*7F\r\n",
         "22.535390", "114.0520575", 0, 12.5},
        {"nan course", "$GPRMC,1,A,2232.1234,N,11403.12345,E,nan,nan,1", "22.535390", "114.0520575",
         0, 0.0},
        {"huge speed clamped", "$GPRMC,1,A,2232.1234,N,11403.12345,E,1e300,0,1", "22.535390",
         "114.0520575", 2147483647, 0.0},
    };
    for (const RmcCase& c : cases) {
        tagAssistInfo s;
        EXPECT_EQ(ParseRmcSentence(c.sentence, s), 0);
        EXPECT_EQ(s.latitude, c.latitude) << c.name;
        EXPECT_EQ(s.longitude, c.longitude) << c.name;
        EXPECT_EQ(s.speed, c.speed) << c.name;
        EXPECT_DOUBLE_EQ(s.course, c.course) << c.name;
    }
}

TEST(ParseRmcSentence, RejectedSentencesLeaveTheSampleUnchanged) {
    const std::string latitude33(28, '1');
    const char* rejected[] = {
        "$GPRMC,1,A,2232.1234,N,11403.12345,E,2",  // cut after the speed
        "$GPGGA,1,2232.1234,N,11403.12345,E,1,08",
        "$GPRMCX,1,A,2232.1234,N,11403.12345,E,0,0,1",
        "GPRMC,1,A,2232.1234,N,11403.12345,E,0,0,1",
        "",
        ",,,,,,,,,,",
    };
    for (const char* sentence : rejected) {
        tagAssistInfo s;
        s.course = 7.0;
        ParseRmcSentence(sentence, s);
        EXPECT_EQ(s.latitude, "") << sentence;
        EXPECT_EQ(s.longitude, "") << sentence;
        EXPECT_EQ(s.speed, 0) << sentence;
        EXPECT_EQ(s.course, 7.0) << sentence;
    }
    tagAssistInfo s;
    ParseRmcSentence("$GPRMC,1,A," + latitude33 + ".0000,N,11403.12345,E,0,0,1", s);
    EXPECT_EQ(s.latitude, "");
    ParseRmcSentence("$GPRMC,1,A," + std::string(27, '1') + ".0000,N,11403.12345,E,0,0,1", s);
    EXPECT_NE(s.latitude, "");  // 32 characters are accepted
}

TEST(ParseGgaSentence, OnlyGpTalkerAndOnlyPosition) {
    tagAssistInfo s;
    s.speed = 12;
    s.course = 34.0;
    ParseGgaSentence("$GPGGA,123519,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,*47", s);
    EXPECT_EQ(s.latitude, "48.117300");
    EXPECT_EQ(s.longitude, "11.516666");
    EXPECT_EQ(s.speed, 12);
    EXPECT_EQ(s.course, 34.0);

    tagAssistInfo other;
    ParseGgaSentence("$GNGGA,123519,4807.0380,N,01131.0000,E,1,08", other);
    ParseGgaSentence("$GPGGA,123519,4807.0380,N,01131.0000", other);
    EXPECT_EQ(other.latitude, "");
    EXPECT_EQ(other.longitude, "");
}

}  // namespace

TEST(NmeaSentence, RmcUtcTime) {
    const struct {
        const char* sentence;
        bool ok;
        const char* iso;
    } cases[] = {
        {"$GPRMC,081500,A,4737.7053,N,12219.2060,W,0.0,0.0,150724,,,A*6F", true,
         "2024-07-15T08:15:00Z"},
        {"$GNRMC,235959.5,A,1,N,2,E,,,311299", true, "1999-12-31T23:59:59.500Z"},
        {"$GPRMC,000000.123456,V,,,,,,,010170", true, "1970-01-01T00:00:00.123Z"},
        {"$GPRMC,081500,A,1,N,2,E,1,2", false, ""},         // no date
        {"$GPRMC,0815,A,1,N,2,E,1,2,150724", false, ""},    // short time
        {"$GPRMC,081500,A,1,N,2,E,1,2,310224", false, ""},  // 31 February
        {"$GPRMC,246000,A,1,N,2,E,1,2,150724", false, ""},  // hour 24
    };
    for (const auto& c : cases) {
        int64_t t = 0;
        EXPECT_EQ(RmcUtcTime(c.sentence, t), c.ok) << c.sentence;
        if (c.ok) {
            EXPECT_EQ(IsoUtcText(t), c.iso) << c.sentence;
        }
    }
    EXPECT_EQ(IsoUtcText(kNoUtcTime), "");
}

TEST(NmeaSentence, RmcTimeLeavesTheOtherFieldsAsTheyWere) {
    tagAssistInfo s;
    ParseRmcSentence("$GPRMC,081500,A,4737.7053,N,12219.2060,W,10,90.5,150724", s);
    EXPECT_EQ(s.latitude, "47.628421");
    EXPECT_EQ(s.speed, 18);
    EXPECT_EQ(IsoUtcText(s.utcMillis), "2024-07-15T08:15:00Z");
}
