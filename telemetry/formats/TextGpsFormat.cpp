// GPS in timed text and subtitle tracks (Ambarella and other dash cameras): NMEA sentences and
// the camera dialects, one sample of the track usually a second, timed by the track's tables.
#include "BoxWalker.h"
#include "ByteSource.h"
#include "NmeaFix.h"
#include "PerSecondResampler.h"
#include "TelemetryFormat.h"
#include "TelemetryStore.h"
#include "TextGpsDialects.h"
#include "TrackSamples.h"

#include <algorithm>

namespace {

// Samples looked at by Claims; a track whose first samples are in no dialect is someone else's.
constexpr size_t kClaimSamples = 8;

bool IsTextTrack(const MovieTrack& t) {
    return (t.HandlerIs("text") || t.HandlerIs("sbtl") || t.HandlerIs("subt")) &&
           (t.FormatIs("text") || t.FormatIs("tx3g"));
}

std::string ReadSample(WindowedReader& reader, const TrackSample& s) {
    size_t got = 0;
    const uint8_t* bytes = reader.Read(s.offset, std::min<size_t>(s.size, kMaxTextSample), got);
    return std::string(reinterpret_cast<const char*>(bytes), got);
}

class TextGpsFormat final : public TelemetryFormat {
public:
    TelemetryFormatId Id() const override { return TelemetryFormatId::TextGps; }
    const char* Name() const override { return "GPS text track"; }

    bool Claims(const FormatContext& ctx) const override {
        for (const MovieTrack& t : ListMovieTracks(ctx.src)) {
            if (!IsTextTrack(t))
                continue;
            const std::vector<TrackSample> samples = ReadTrackSamples(ctx.src, t);
            WindowedReader reader(ctx.src);
            for (size_t i = 0; i < samples.size() && i < kClaimSamples; ++i)
                if (IsGpsText(ReadSample(reader, samples[i])))
                    return true;
        }
        return false;
    }

    // The first text track whose samples are GPS text.
    int Extract(const FormatContext& ctx, TelemetryStore& store) const override {
        store.Clear();
        ByteSource& src = ctx.src;
        const uint64_t limit = BoxWalker(src).RecordLimit();
        for (const MovieTrack& t : ListMovieTracks(src)) {
            if (!IsTextTrack(t))
                continue;
            const std::vector<TrackSample> samples = ReadTrackSamples(src, t);
            PerSecondResampler resampler(limit);
            WindowedReader reader(src);
            bool gps = false;
            for (size_t i = 0; i < samples.size(); ++i) {
                const std::string text = ReadSample(reader, samples[i]);
                const double start = samples[i].seconds;
                const double next = start + samples[i].duration;
                const TextGpsSample decoded = DecodeGpsText(text);
                gps = gps || decoded.recognised;
                const size_t n = decoded.fixes.size();
                for (size_t k = 0; k < n; ++k) {
                    TimedFix f = decoded.fixes[k];
                    f.videoSeconds = start + (next > start ? (next - start) * double(k) / n : 0.0);
                    resampler.AddFix(f);
                }
                if (decoded.hasAcceleration)
                    resampler.AddAcceleration({start, decoded.ax, decoded.ay, decoded.az});
            }
            if (gps)
                return resampler.WriteTo(store);
        }
        return 0;
    }
};

}  // namespace

const TelemetryFormat& TextGpsFormatObject() {
    static const TextGpsFormat f;
    return f;
}
