#include "BlackVueLogs.h"

#include "ByteSource.h"
#include "NmeaSentence.h"
#include "PerSecondResampler.h"
#include "TrackSamples.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kBlockBytes = 64 * 1024;
// NMEA allows 82 characters a sentence; longer ones are garbage and skipped.
constexpr size_t kMaxSentence = 128;
// Digits of a "[ms]" prefix: up to 18 always fit an int64_t.
constexpr int kMaxPrefixDigits = 18;
constexpr int kMaxFields = 16;
constexpr double kKnotsToKmh = 1.852;
constexpr int64_t kDayMillis = 86400000;
constexpr double kStandardGravity = 9.80665;

struct Field {
    const char* p = nullptr;
    size_t n = 0;
    bool Is(const char* text) const {
        return n == std::strlen(text) && std::memcmp(p, text, n) == 0;
    }
};

// The fields of a sentence between its '$' and its '*' (or end), split at every comma.
int SplitFields(const char* s, size_t n, Field* fields) {
    const char* end = static_cast<const char*>(std::memchr(s, '*', n));
    if (end == nullptr)
        end = s + n;
    int count = 0;
    const char* start = s;
    for (const char* p = s;; ++p) {
        if (p == end || *p == ',') {
            if (count == kMaxFields)
                break;
            fields[count++] = {start, size_t(p - start)};
            if (p == end)
                break;
            start = p + 1;
        }
    }
    return count;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A plain unsigned decimal number ("0.5", "4737.7053", "12"): digits and at most one point,
// no sign, no exponent, nothing else (so never inf or NaN).
bool PlainNumber(const Field& f, double& out) {
    if (f.n == 0 || f.n > 32)
        return false;
    int points = 0;
    for (size_t i = 0; i < f.n; ++i) {
        if (f.p[i] == '.')
            ++points;
        else if (!IsDigit(f.p[i]))
            return false;
    }
    if (points > 1 || (f.n == 1 && points == 1))
        return false;
    return std::from_chars(f.p, f.p + f.n, out, std::chars_format::fixed).ec == std::errc();
}

// DDMM.MMMM (DDDMM.MMMM) and its hemisphere letter to signed decimal degrees.
bool NmeaDegrees(const Field& value, const Field& hemisphere, char positive, char negative,
                 double limit, double& out) {
    double v = 0.0;
    if (!PlainNumber(value, v) || hemisphere.n != 1 ||
        (hemisphere.p[0] != positive && hemisphere.p[0] != negative))
        return false;
    const double degrees = std::floor(v / 100.0);
    const double minutes = v - 100.0 * degrees;
    if (minutes >= 60.0)
        return false;
    out = degrees + minutes / 60.0;
    if (out > limit)
        return false;
    if (hemisphere.p[0] == negative)
        out = -out;
    return true;
}

// hhmmss[.sss] to milliseconds of the day; false when it is no such time.
bool TimeOfDay(const Field& f, int64_t& millis) {
    if (f.n < 6 || !IsDigit(f.p[0]) || !IsDigit(f.p[1]) || !IsDigit(f.p[2]) || !IsDigit(f.p[3]) ||
        !IsDigit(f.p[4]) || !IsDigit(f.p[5]))
        return false;
    const int h = (f.p[0] - '0') * 10 + f.p[1] - '0';
    const int m = (f.p[2] - '0') * 10 + f.p[3] - '0';
    const int s = (f.p[4] - '0') * 10 + f.p[5] - '0';
    if (h > 23 || m > 59 || s > 60)
        return false;
    int64_t fraction = 0, scale = 1000;
    if (f.n > 6) {
        if (f.p[6] != '.')
            return false;
        for (size_t i = 7; i < f.n; ++i) {
            if (!IsDigit(f.p[i]))
                return false;
            if (scale > 1) {
                scale /= 10;
                fraction += (f.p[i] - '0') * scale;
            }
        }
    }
    millis = ((int64_t(h) * 60 + m) * 60 + s) * 1000 + fraction;
    return true;
}

// The NMEA log as a stream of characters: "[ms]" prefixes and "$..." sentences, ended by a
// line end, a NUL, or the next '[' or '$'.
class NmeaLogScanner {
public:
    NmeaLogScanner(int64_t startMs, PerSecondResampler& out) : m_startMs(startMs), m_out(out) {}

    void Feed(const char* data, size_t n) {
        size_t i = 0;
        while (i < n) {
            if (m_state == State::Sentence) {
                size_t j = i;
                while (j < n && !EndsSentence(data[j]))
                    ++j;
                AppendToSentence(data + i, j - i);
                if (j == n)
                    break;
                i = j;
            }
            Put(data[i++]);
        }
    }
    void Finish() { EndSentence(); }

private:
    enum class State { Outside, Prefix, Sentence };

    void Put(char c) {
        if (c == '$') {
            EndSentence();
            m_sentencePrefix = m_prefixDone ? m_prefix : kNoLogStart;
            m_prefixDone = false;
            m_state = State::Sentence;
            m_length = 0;
            m_skipped = false;
            return;
        }
        if (c == '[') {
            EndSentence();
            m_state = State::Prefix;
            m_prefixDone = false;
            m_prefix = 0;
            m_prefixDigits = 0;
            return;
        }
        if (c == '\n' || c == '\r' || c == '\0') {
            EndSentence();
            m_prefixDone = false;
            return;
        }
        switch (m_state) {
            case State::Prefix:
                if (IsDigit(c) && m_prefixDigits < kMaxPrefixDigits) {
                    m_prefix = m_prefix * 10 + (c - '0');
                    ++m_prefixDigits;
                } else {
                    if (c == ']' && m_prefixDigits > 0) {
                        m_prefixDone = true;
                        if (m_firstPrefix == kNoLogStart)
                            m_firstPrefix = m_prefix;
                    }
                    m_state = State::Outside;
                }
                break;
            case State::Sentence:  // Feed copies the sentence up to its end
                break;
            case State::Outside:
                m_prefixDone = false;  // a prefix belongs only to a '$' right after it
                break;
        }
    }

    static bool EndsSentence(char c) {
        return c == '$' || c == '[' || c == '\n' || c == '\r' || c == '\0';
    }

    // Only RMC sentences are read: one whose name is another, or that grows beyond
    // kMaxSentence, is skipped.
    void AppendToSentence(const char* p, size_t n) {
        if (m_skipped)
            return;
        if (n > kMaxSentence - m_length) {
            m_skipped = true;
            return;
        }
        std::memcpy(m_sentence + m_length, p, n);
        m_length += n;
        if (m_length >= 5 && std::memcmp(m_sentence + 2, "RMC", 3) != 0)
            m_skipped = true;
    }

    void EndSentence() {
        if (m_state == State::Sentence && !m_skipped)
            Sentence(m_sentence, m_length);
        m_state = State::Outside;
        m_length = 0;
    }

    // "ttRMC,hhmmss.ss,A,DDMM.MMMM,N,DDDMM.MMMM,W,knots,course,DDMMYY,..." (after the '$').
    void Sentence(const char* s, size_t n) {
        Field f[kMaxFields];
        const int count = SplitFields(s, n, f);
        if (count < 7 || f[0].n != 5 || std::memcmp(f[0].p + 2, "RMC", 3) != 0 || f[0].p[0] < 'A' ||
            f[0].p[0] > 'Z' || f[0].p[1] < 'A' || f[0].p[1] > 'Z')
            return;
        double video = 0.0;
        if (!VideoTime(f[1], video) || !f[2].Is("A"))
            return;
        TimedFix fix;
        fix.videoSeconds = video;
        if (!NmeaDegrees(f[3], f[4], 'N', 'S', 90.0, fix.latitude) ||
            !NmeaDegrees(f[5], f[6], 'E', 'W', 180.0, fix.longitude))
            return;
        double knots = 0.0;
        if (PlainNumber(f[7], knots))
            fix.speedKmh = knots * kKnotsToKmh;
        double course = 0.0;
        if (PlainNumber(f[8], course) && course <= 360.0)
            fix.course = course;
        int64_t utc = kNoUtcTime;
        if (RmcUtcTime(std::string(s, n), utc))
            fix.utcMillis = utc;
        m_out.AddFix(fix);
    }

    // Rule "log clock" (BlackVueLogs.h).
    bool VideoTime(const Field& time, double& video) {
        int64_t tod = -1;
        const bool hasTod = TimeOfDay(time, tod);
        if (m_sentencePrefix != kNoLogStart) {
            const int64_t start = m_startMs != kNoLogStart ? m_startMs : m_firstPrefix;
            video = double(m_sentencePrefix - start) / 1000.0;
        } else if (!hasTod) {
            return false;
        } else if (m_anchored) {
            int64_t step = tod - m_anchorTod;
            if (step < -kDayMillis / 2)
                step += kDayMillis;
            else if (step >= kDayMillis / 2)
                step -= kDayMillis;
            video = m_anchorVideo + double(step) / 1000.0;
        } else {
            video = 0.0;
        }
        if (hasTod) {
            m_anchored = true;
            m_anchorTod = tod;
            m_anchorVideo = video;
        }
        return true;
    }

    const int64_t m_startMs;
    PerSecondResampler& m_out;
    State m_state = State::Outside;
    char m_sentence[kMaxSentence];
    size_t m_length = 0;
    bool m_skipped = false;
    int64_t m_prefix = 0;
    int m_prefixDigits = 0;
    bool m_prefixDone = false;
    int64_t m_firstPrefix = kNoLogStart;
    int64_t m_sentencePrefix = kNoLogStart;
    bool m_anchored = false;
    int64_t m_anchorTod = 0;
    double m_anchorVideo = 0.0;
};

struct Raw3gf {
    uint32_t ms;
    int16_t x, y, z;
};

int16_t I16At(const uint8_t* b) {
    return int16_t(uint16_t(b[0] << 8 | b[1]));
}

// Rule "3gf gravity scale" (BlackVueLogs.h): the factor from raw units to g.
double GravityScale(const std::vector<Raw3gf>& records) {
    constexpr double kTenthsOfMs2 = 1.0 / (10.0 * kStandardGravity);
    std::vector<double> lengths;
    lengths.reserve(records.size());
    for (const Raw3gf& r : records)
        lengths.push_back(std::sqrt(double(r.x) * r.x + double(r.y) * r.y + double(r.z) * r.z));
    if (lengths.empty())
        return kTenthsOfMs2;
    std::nth_element(lengths.begin(), lengths.begin() + ptrdiff_t(lengths.size() / 2),
                     lengths.end());
    const double median = lengths[lengths.size() / 2];
    if (median <= 0.0)
        return kTenthsOfMs2;
    const size_t near = size_t(std::count_if(lengths.begin(), lengths.end(), [&](double l) {
        return std::fabs(l - median) <= 0.25 * median;
    }));
    return 2 * near >= lengths.size() ? 1.0 / median : kTenthsOfMs2;
}

}  // namespace

void ReadNmeaLog(ByteSource& src, uint64_t begin, uint64_t end, int64_t startMs,
                 PerSecondResampler& out) {
    NmeaLogScanner scanner(startMs, out);
    std::vector<char> block(kBlockBytes);
    end = std::min(end, src.Size());
    for (uint64_t pos = begin; pos < end;) {
        const size_t want = size_t(std::min<uint64_t>(kBlockBytes, end - pos));
        const size_t got = src.ReadAt(pos, block.data(), want);
        if (got == 0)
            break;
        scanner.Feed(block.data(), got);
        pos += got;
    }
    scanner.Finish();
}

void Read3gfLog(ByteSource& src, uint64_t begin, uint64_t end, PerSecondResampler& out) {
    constexpr size_t kRecord = 10;
    end = std::min(end, src.Size());
    if (begin >= end)
        return;
    const uint64_t count = std::min<uint64_t>((end - begin) / kRecord, kMaxTrackSamples);
    std::vector<Raw3gf> records;
    records.reserve(size_t(count));
    std::vector<uint8_t> block(kRecord * 6554);
    bool ended = false;
    for (uint64_t i = 0; i < count && !ended;) {
        const size_t want = size_t(std::min<uint64_t>(count - i, block.size() / kRecord));
        if (!src.ReadExact(begin + i * kRecord, block.data(), want * kRecord))
            break;
        for (size_t k = 0; k < want; ++k) {
            const uint8_t* b = &block[k * kRecord];
            const uint32_t ms =
                uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
            if (ms == 0xFFFFFFFFu) {
                ended = true;
                break;
            }
            records.push_back({ms, I16At(b + 4), I16At(b + 6), I16At(b + 8)});
        }
        i += want;
    }
    const double scale = GravityScale(records);
    for (const Raw3gf& r : records)
        out.AddAcceleration({r.ms / 1000.0, r.x * scale, r.y * scale, r.z * scale});
}

bool FindBlackVueBox(ByteSource& src, BoxExtent& box) {
    uint64_t pos = 0;
    for (int i = 0; i < kMaxChildBoxes && pos + 8 <= src.Size(); ++i) {
        BoxHeader h;
        if (!ReadBoxHeader(src, pos, h) || !ReadBoxExtent(src, h, src.Size(), box))
            return false;
        uint8_t first[8];
        if (h.Is("free") && box.end - box.payload >= 8 && src.ReadExact(box.payload, first, 8) &&
            first[0] == 0 && first[1] == 0) {
            for (const char* type : {"cprt", "sttm", "ptnm", "ptrh", "thum", "gps ", "3gf "})
                if (std::memcmp(first + 4, type, 4) == 0)
                    return true;
        }
        pos = box.end;
    }
    return false;
}

int64_t BlackVueStartTime(ByteSource& src, const BoxExtent& box) {
    BoxHeader h;
    BoxExtent sttm;
    uint32_t high = 0, low = 0;
    if (!FindChildBox(src, box.payload, box.end, "sttm", h, sttm) || sttm.end - sttm.payload < 8 ||
        !src.ReadU32BE(sttm.payload, high) || !src.ReadU32BE(sttm.payload + 4, low))
        return kNoLogStart;
    const uint64_t ms = uint64_t(high) << 32 | low;
    // 0 is no time; beyond int64 (or the prefixes' 18 digits) it is none either.
    return ms == 0 || ms >= uint64_t(1e18) ? kNoLogStart : int64_t(ms);
}
