#include "TelemetryRecords.h"

#include "BoxBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
    char buf[512];
    va_list args;
    va_start(args, fmt);
    vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

struct CoordinateField {
    std::string field;     // dddmm.mmmm[m]
    std::string expected;  // the decimal-degree text the reader forms
    char hemisphere;
};

// `degrees` as an NMEA field with `digits` minute-fraction digits, and the
// reader's text for it: t = minutes scaled, v = t * 100 / 60 (truncating).
CoordinateField MakeCoordinate(double degrees, int digits, int degreeWidth, char positive,
                               char negative) {
    const int64_t scale = digits == 4 ? 10000 : 100000;
    const int64_t total = std::llround(std::fabs(degrees) * 60.0 * double(scale));
    const int64_t whole = total / (60 * scale);
    const int64_t rest = total % (60 * scale);
    const int64_t minutes = rest / scale, fraction = rest % scale;
    CoordinateField c;
    c.hemisphere = degrees < 0 ? negative : positive;
    c.field = Format("%0*lld%02lld.%0*lld", degreeWidth, static_cast<long long>(whole),
                     static_cast<long long>(minutes), digits, static_cast<long long>(fraction));
    const int64_t v = (minutes * scale + fraction) * 100 / 60;
    c.expected = Format("%s%lld.%0*lld", degrees < 0 ? "-" : "", static_cast<long long>(whole),
                        digits + 2, static_cast<long long>(v));
    return c;
}

std::string WithChecksum(const std::string& body) {
    uint8_t sum = 0;
    for (size_t i = 1; i < body.size(); ++i)
        sum ^= uint8_t(body[i]);
    return body + Format("*%02X", sum);
}

}  // namespace

std::string CsvHeader() {
    return "second,accel_x,accel_y,accel_z,latitude,longitude,speed_kmh,course\n";
}

std::string CsvRow(int second, const tagExpectedSample& s) {
    return Format("%d,%.3f,%.3f,%.3f,%s,%s,%d,%.6g\n", second, double(float(s.accelX) / 1000.0f),
                  double(float(s.accelY) / 1000.0f), double(float(s.accelZ) / 1000.0f),
                  s.latitude.c_str(), s.longitude.c_str(), s.speed, s.course);
}

tagFix MakeRmcFix(const char* talker, const tagDriveSecond& state, int fractionDigits,
                  const std::tm& utc) {
    const CoordinateField lat = MakeCoordinate(state.latitude, fractionDigits, 2, 'N', 'S');
    const CoordinateField lon = MakeCoordinate(state.longitude, fractionDigits, 3, 'E', 'W');
    const std::string knots = Format("%.2f", state.speedKmh / 1.852);
    const bool moving = state.speedKmh >= 0.5;
    const std::string course = moving ? Format("%.2f", state.heading) : std::string();
    const std::string date = Format("%02d%02d%02d", utc.tm_mday, utc.tm_mon + 1, utc.tm_year % 100);

    tagFix fix;
    fix.sentence = WithChecksum(Format("$%sRMC,%02d%02d%02d.000,A,%s,%c,%s,%c,%s,%s,%s,,,A", talker,
                                       utc.tm_hour, utc.tm_min, utc.tm_sec, lat.field.c_str(),
                                       lat.hemisphere, lon.field.c_str(), lon.hemisphere,
                                       knots.c_str(), course.c_str(), date.c_str()));
    fix.expected.accelX = state.accelX;
    fix.expected.accelY = state.accelY;
    fix.expected.accelZ = state.accelZ;
    fix.expected.latitude = lat.expected;
    fix.expected.longitude = lon.expected;
    fix.expected.speed = int(std::strtod(knots.c_str(), nullptr) * 1.85);
    // Without a course the date moves into its place: above 360, so 0.
    const double courseRead = std::strtod((moving ? course : date).c_str(), nullptr);
    fix.expected.course = courseRead > 360.0 ? 0.0 : courseRead;
    return fix;
}

std::vector<uint8_t> MakeFixedRecord(const tagDriveSecond& state, const std::string& sentence,
                                     const std::tm& local) {
    std::vector<uint8_t> r(kFixedRecordSize, 0);
    const std::string stamp =
        Format("%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
               local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    memcpy(&r[8], stamp.data(), stamp.size());
    PutLe32(r, 76, uint32_t(state.accelX));
    PutLe32(r, 80, uint32_t(state.accelY));
    PutLe32(r, 84, uint32_t(state.accelZ));
    r[88] = ' ';
    const std::string text = sentence + "\r\n";
    memcpy(&r[89], text.data(), std::min<size_t>(text.size(), 216 - 89));
    return r;
}

int DigitSumKey(const char key[8]) {
    static const int kWeights[8] = {1, 1, 1, 1, 2, 1, 1, 2};
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        if (key[i] >= '0' && key[i] <= '9')
            sum += kWeights[i] * (key[i] - '0');
    return sum;
}

void ShiftFixedRecord(std::vector<uint8_t>& r, const char key[8], bool singleShift) {
    const int l = DigitSumKey(key);
    const int shift = singleShift ? l : 2 * l;
    memcpy(&r[216], key, 8);
    for (size_t p = 88; p <= 215; ++p) {
        if (p < 215 && r[p] == '\r' && r[p + 1] == '\n')
            break;
        r[p] = uint8_t(r[p] + shift);
    }
    // The lead byte tells the two shifts apart: L + 32 means the single one.
    r[88] = uint8_t(singleShift ? l + 32 : 32 + 2 * l);
}

std::vector<uint8_t> WithLeadIn(const std::vector<uint8_t>& record) {
    std::vector<uint8_t> out(kRecordLeadIn, 0);
    PutBe32(out, 0, uint32_t(kRecordLeadIn + record.size()));
    memcpy(&out[4], "GPS VELTO", 9);
    out.insert(out.end(), record.begin(), record.end());
    return out;
}

std::string MakeTabLine(const tagDriveSecond& state, const std::string& sentence) {
    return Format("%d\t%d\t%d\t%s", state.accelX, state.accelY, state.accelZ, sentence.c_str());
}

std::vector<uint8_t> MakeTextRecord(const std::string& line, int shift) {
    const size_t n = line.size() + 1;
    std::vector<uint8_t> r(2 + n);
    r[0] = uint8_t(n >> 8);
    r[1] = uint8_t(n);
    r[2] = ' ';
    for (size_t i = 0; i < line.size(); ++i)
        r[3 + i] = uint8_t(uint8_t(line[i]) + shift);
    return r;
}

std::vector<uint8_t> MakeKeyRecord(const char key[8]) {
    std::vector<uint8_t> r(2 + 11, 0);
    r[1] = 11;
    r[2] = ' ';
    memcpy(&r[3], key, 8);
    r[11] = '\r';
    r[12] = '\n';
    return r;
}

std::vector<uint8_t> MakeBlockHeader(const uint8_t key[8]) {
    std::vector<uint8_t> h(16, 0);
    memcpy(&h[0], "pelrix1", 7);
    memcpy(&h[7], key, 8);
    return h;
}

int HeaderBlockShift(const uint8_t key[8]) {
    return (key[0] + key[1] + key[2] + key[3] + 2 * key[4] + key[5] + key[6] + 2 * key[7]) % 256;
}

std::vector<uint8_t> MakeHeaderBlock(const tagDriveSecond& state, const std::string& sentence,
                                     int shift) {
    std::vector<uint8_t> b(kHeaderBlockSize, 0);
    PutLe16(b, 0, uint16_t(state.accelX + shift));
    PutLe16(b, 2, uint16_t(state.accelY + shift));
    PutLe16(b, 4, uint16_t(state.accelZ + shift));
    const std::string text = sentence + "\r\n";
    memcpy(&b[6], text.data(), std::min<size_t>(text.size(), 126));
    for (size_t i = 6; i < b.size(); ++i)
        b[i] = uint8_t(b[i] + shift);
    return b;
}
