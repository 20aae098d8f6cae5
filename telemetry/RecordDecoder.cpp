#include "RecordDecoder.h"

#include "NmeaSentence.h"

#include <cstring>
#include <limits>

namespace {

constexpr int32_t kAccelLimit = 10000;
constexpr size_t kLeadByte = 88;
constexpr size_t kSentenceStart = 89;
constexpr size_t kKeyStart = 216;
constexpr size_t kMaxWord = 1023;

int32_t ReadI32LE(const uint8_t* b) {
    return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                   uint32_t(b[3]) << 24);
}

float Thousandths(int32_t v) {
    return float(v) / 1000.0f;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(*p))
        ++p;
    return p;
}

// A signed decimal integer as %d reads it; values beyond 32 bits are clamped.
bool ScanInteger(const char*& p, int32_t& out) {
    const char* q = p;
    bool negative = false;
    if (*q == '+' || *q == '-')
        negative = *q++ == '-';
    if (*q < '0' || *q > '9')
        return false;
    int64_t v = 0;
    for (; *q >= '0' && *q <= '9'; ++q)
        if (v <= std::numeric_limits<int32_t>::max())
            v = v * 10 + (*q - '0');
    v = negative ? -v : v;
    if (v > std::numeric_limits<int32_t>::max())
        v = std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min())
        v = std::numeric_limits<int32_t>::min();
    out = int32_t(v);
    p = q;
    return true;
}

// "integer ws integer ws integer ws word": stops at the first part that does not match.
void ScanTabLine(const char* p, int32_t accel[3], std::string& word) {
    for (int i = 0; i < 3; ++i) {
        p = SkipBlanks(p);
        if (!ScanInteger(p, accel[i]))
            return;
    }
    p = SkipBlanks(p);
    const char* start = p;
    while (*p != '\0' && !IsBlank(*p) && size_t(p - start) < kMaxWord)
        ++p;
    word.assign(start, p);
}

}  // namespace

int DigitSumKey(const uint8_t key[8]) {
    static const int kWeight[8] = {1, 1, 1, 1, 2, 1, 1, 2};
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        if (key[i] >= '0' && key[i] <= '9')
            sum += kWeight[i] * (key[i] - '0');
    return sum;
}

void UndoInterleavedShift(uint8_t record[kFixedRecordSize]) {
    const int l = DigitSumKey(record + kKeyStart);
    const int shift = record[kLeadByte] == l + 32 ? l : 2 * l;
    for (size_t p = kLeadByte; p < kKeyStart; ++p) {
        if (p < kKeyStart - 1 && record[p] == '\r' && record[p + 1] == '\n')
            break;
        record[p] = uint8_t(record[p] - shift);
    }
}

tagAssistInfo DecodeFixedRecord(const uint8_t record[kFixedRecordSize]) {
    tagAssistInfo s;
    int32_t a[3] = {ReadI32LE(record + 76), ReadI32LE(record + 80), ReadI32LE(record + 84)};
    for (int32_t v : a) {
        if (v < -kAccelLimit || v > kAccelLimit) {
            a[0] = a[1] = a[2] = 0;
            break;
        }
    }
    s.accelX = Thousandths(a[0]);
    s.accelY = Thousandths(a[1]);
    s.accelZ = Thousandths(a[2]);

    const char* text = reinterpret_cast<const char*>(record + kSentenceStart);
    const size_t room = kFixedRecordSize - kSentenceStart;
    const std::string sentence(text, strnlen(text, room));
    if (sentence.compare(0, 6, "$GPGGA") == 0)
        ParseGgaSentence(sentence, s);
    else
        ParseRmcSentence(sentence, s);
    return s;
}

tagAssistInfo DecodeTabLine(std::string& line, int shift) {
    bool tab = false;
    for (size_t i = 1; i <= 5 && i < line.size(); ++i)
        tab = tab || line[i] == '\t';
    if (!tab) {
        for (char& c : line) {
            if (c == '\0' || c == '\r' || c == '\n')
                break;
            c = char(uint8_t(c) - shift);
        }
    }
    tagAssistInfo s;
    int32_t accel[3] = {0, 0, 0};
    std::string word;
    ScanTabLine(line.c_str(), accel, word);  // a byte shifted to zero ends the line
    s.accelX = Thousandths(accel[0]);
    s.accelY = Thousandths(accel[1]);
    s.accelZ = Thousandths(accel[2]);
    ParseRmcSentence(word, s);
    return s;
}

bool HeaderBlockShift(const uint8_t header[kHeaderBlockHeaderSize], uint8_t& shift) {
    if (std::memcmp(header, "pelrix1", 7) != 0)
        return false;
    const uint8_t* k = header + 7;
    shift = uint8_t(k[0] + k[1] + k[2] + k[3] + 2 * k[4] + k[5] + k[6] + 2 * k[7]);
    return true;
}

tagAssistInfo DecodeHeaderBlock(const uint8_t block[kHeaderBlockSize], uint8_t shift) {
    tagAssistInfo s;
    float* axes[3] = {&s.accelX, &s.accelY, &s.accelZ};
    for (int i = 0; i < 3; ++i) {
        uint16_t stored = uint16_t(block[2 * i] | block[2 * i + 1] << 8);
        *axes[i] = Thousandths(int16_t(uint16_t(stored - shift)));
    }
    std::string sentence;
    for (size_t p = 6; p < kHeaderBlockSize; ++p) {
        char c = char(uint8_t(block[p] - shift));
        if (c == '\0')
            break;
        sentence.push_back(c);
    }
    ParseRmcSentence(sentence, s);
    return s;
}
