#include "RecordDecoder.h"

#include "BoxWriter.h"

#include <gtest/gtest.h>

namespace {

using namespace velto::testing;

const char* const kRmc = "$GPRMC,1,A,2232.1234,N,11403.12345,W,10.5,84.4,230394";

TEST(DigitSumKey, WeightsAndNonDigits) {
    struct Case {
        const char* key;
        int expected;
    } cases[] = {{"00000000", 0},
                 {"11111111", 10},
                 {"99999999", 90},
                 {"00001000", 2},
                 {"00000001", 2},
                 {"abcdefgh", 0},
                 {"1a2b3c4d", 1 + 2 + 3 * 2 + 4}};
    for (const Case& c : cases)
        EXPECT_EQ(DigitSumKey(reinterpret_cast<const uint8_t*>(c.key)), c.expected) << c.key;
}

TEST(FixedRecord, AccelerationBounds) {
    struct Case {
        int32_t x, y, z;
        float ex, ey, ez;
    } cases[] = {{10000, -10000, 0, 10.0f, -10.0f, 0.0f},
                 {10001, 5, 5, 0, 0, 0},
                 {5, -10001, 5, 0, 0, 0},
                 {-1, 2, 1000, -0.001f, 0.002f, 1.0f}};
    for (const Case& c : cases) {
        Bytes rec = FixedRecord({c.x, c.y, c.z, kRmc});
        tagAssistInfo s = DecodeFixedRecord(rec.data());
        EXPECT_FLOAT_EQ(s.accelX, c.ex);
        EXPECT_FLOAT_EQ(s.accelY, c.ey);
        EXPECT_FLOAT_EQ(s.accelZ, c.ez);
        EXPECT_EQ(s.latitude, "22.535390");  // the sentence is used either way
    }
}

TEST(FixedRecord, GgaOrRmcByTheFirstSixCharacters) {
    Bytes gga = FixedRecord({0, 0, 0, "$GPGGA,1,2232.1234,N,11403.12345,E,1,08"});
    tagAssistInfo s = DecodeFixedRecord(gga.data());
    EXPECT_EQ(s.longitude, "114.0520575");
    EXPECT_EQ(s.speed, 0);

    Bytes rmc = FixedRecord({0, 0, 0, kRmc});
    s = DecodeFixedRecord(rmc.data());
    EXPECT_EQ(s.longitude, "-114.0520575");
    EXPECT_EQ(s.speed, 19);
    EXPECT_DOUBLE_EQ(s.course, 84.4);

    Bytes zero(kFixedRecordSize, 0);
    s = DecodeFixedRecord(zero.data());
    EXPECT_EQ(s.latitude, "");
    EXPECT_EQ(s.accelX, 0.0f);
}

TEST(InterleavedShift, SingleAndDoubleShift) {
    // "12345678": L = 1+2+3+4+2*5+6+7+2*8 = 49.
    for (RecordShift mode : {RecordShift::Single, RecordShift::Double}) {
        Bytes rec = FixedRecord({1, 2, 3, kRmc}, "12345678", mode);
        ASSERT_NE(rec[89], '$');
        UndoInterleavedShift(rec.data());
        EXPECT_EQ(rec[88], ' ');
        EXPECT_EQ(std::string(reinterpret_cast<char*>(&rec[89]), 6), "$GPRMC");
        tagAssistInfo s = DecodeFixedRecord(rec.data());
        EXPECT_EQ(s.latitude, "22.535390");
        EXPECT_FLOAT_EQ(s.accelZ, 0.003f);  // accelerations are never shifted
    }
}

TEST(InterleavedShift, StopsAtStoredCrLfOrShiftsAll128Bytes) {
    Bytes rec(kFixedRecordSize, 100);
    const char key[] = "00000001";  // L = 2, lead byte 100 != 34: shift 4
    std::copy(key, key + 8, rec.begin() + 216);
    rec[100] = '\r';
    rec[101] = '\n';
    UndoInterleavedShift(rec.data());
    for (int p = 88; p < 100; ++p)
        EXPECT_EQ(rec[p], 96) << p;
    EXPECT_EQ(rec[100], '\r');
    EXPECT_EQ(rec[101], '\n');
    EXPECT_EQ(rec[102], 100);

    Bytes all(kFixedRecordSize, 100);
    std::copy(key, key + 8, all.begin() + 216);
    UndoInterleavedShift(all.data());
    for (int p = 88; p < 216; ++p)
        EXPECT_EQ(all[p], 96) << p;
    EXPECT_EQ(all[216], '0');
}

TEST(TabLine, PlainShiftedAndPartialLines) {
    std::string plain = "-12\t34\t1000\t" + std::string(kRmc);
    tagAssistInfo s = DecodeTabLine(plain, 0);
    EXPECT_FLOAT_EQ(s.accelX, -0.012f);
    EXPECT_FLOAT_EQ(s.accelY, 0.034f);
    EXPECT_FLOAT_EQ(s.accelZ, 1.0f);
    EXPECT_EQ(s.latitude, "22.535390");

    // Shifted by 7: TABs are shifted too, so characters 1 to 5 hold none.
    std::string line = "5\t6\t7\t" + std::string(kRmc);
    std::string shifted;
    for (char c : line)
        shifted.push_back(char(c + 7));
    s = DecodeTabLine(shifted, 7);
    EXPECT_FLOAT_EQ(s.accelX, 0.005f);
    EXPECT_EQ(s.longitude, "-114.0520575");

    // A TAB at character 0 only: the line is still shifted back (in place).
    std::string tabFirst = std::string("\t") + char('5' + 3) + char(' ' + 3) + char('6' + 3);
    DecodeTabLine(tabFirst, 3);
    EXPECT_EQ(tabFirst, std::string("\x06") + "5 6");

    std::string garbage = "hello";
    s = DecodeTabLine(garbage, 0);
    EXPECT_EQ(s.accelX, 0.0f);
    EXPECT_EQ(s.latitude, "");

    std::string twoInts = "  7   8";
    s = DecodeTabLine(twoInts, 0);
    EXPECT_FLOAT_EQ(s.accelX, 0.007f);
    EXPECT_FLOAT_EQ(s.accelY, 0.008f);
    EXPECT_EQ(s.accelZ, 0.0f);
}

TEST(HeaderBlock, ShiftFromRawKeyBytes) {
    const uint8_t header[16] = {'p', 'e', 'l', 'r', 'i', 'x', '1', 1, 2, 3, 4, 5, 6, 7, 200, 0};
    uint8_t m = 0;
    ASSERT_TRUE(HeaderBlockShift(header, m));
    EXPECT_EQ(m, uint8_t(1 + 2 + 3 + 4 + 10 + 6 + 7 + 400));

    const uint8_t wrong[16] = {'p', 'e', 'l', 'r', 'i', 'x', '2'};
    EXPECT_FALSE(HeaderBlockShift(wrong, m));
}

TEST(HeaderBlock, DecodesWordsAndText) {
    const uint8_t m = 77;
    Bytes block = HeaderBlock({-1, 10000, 0, kRmc}, m);
    tagAssistInfo s = DecodeHeaderBlock(block.data(), m);
    EXPECT_FLOAT_EQ(s.accelX, -0.001f);  // stored as M + 65535
    EXPECT_FLOAT_EQ(s.accelY, 10.0f);
    EXPECT_EQ(s.latitude, "22.535390");
    EXPECT_EQ(s.speed, 19);

    Bytes plain = HeaderBlock({32767, -32768, 5, kRmc}, 0);  // no range test here
    s = DecodeHeaderBlock(plain.data(), 0);
    EXPECT_FLOAT_EQ(s.accelX, 32.767f);
    EXPECT_FLOAT_EQ(s.accelY, -32.768f);
}

}  // namespace
