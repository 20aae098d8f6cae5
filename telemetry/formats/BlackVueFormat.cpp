// BlackVue (Pittasoft) recordings: a top-level "free" box whose children are the camera's
// logs (BlackVueLogs.h): "sttm" (u64, the start in milliseconds of the camera's clock),
// "gps " (an NMEA log, each sentence prefixed "[ms]" on the same clock, NUL-padded) and
// "3gf " (accelerations), beside "cprt", "ptnm", "thum" ... The video time of a fix is its
// "[ms]" minus "sttm"; its UTC time comes from the RMC sentence.
#include "BoxWalker.h"
#include "ByteSource.h"
#include "PerSecondResampler.h"
#include "TelemetryFormat.h"
#include "TelemetryStore.h"
#include "formats/BlackVueLogs.h"

namespace {

struct BlackVueLogs {
    BoxExtent gps{0, 0};
    BoxExtent accelerations{0, 0};
    int64_t startMs = kNoLogStart;
};

// The logs of the recording's BlackVue box; false when it has neither.
bool FindLogs(ByteSource& src, BlackVueLogs& logs) {
    BoxExtent box;
    if (!FindBlackVueBox(src, box))
        return false;
    BoxHeader h;
    const bool gps = FindChildBox(src, box.payload, box.end, "gps ", h, logs.gps);
    const bool accelerations =
        FindChildBox(src, box.payload, box.end, "3gf ", h, logs.accelerations);
    if (!gps)
        logs.gps = {0, 0};
    if (!accelerations)
        logs.accelerations = {0, 0};
    logs.startMs = BlackVueStartTime(src, box);
    return gps || accelerations;
}

class BlackVue final : public TelemetryFormat {
public:
    TelemetryFormatId Id() const override { return TelemetryFormatId::BlackVue; }
    const char* Name() const override { return "BlackVue free box (gps, 3gf)"; }

    bool Claims(const FormatContext& ctx) const override {
        BlackVueLogs logs;
        return FindLogs(ctx.src, logs);
    }

    int Extract(const FormatContext& ctx, TelemetryStore& store) const override {
        store.Clear();
        BlackVueLogs logs;
        if (!FindLogs(ctx.src, logs))
            return 0;
        PerSecondResampler resampler(BoxWalker(ctx.src).RecordLimit());
        ReadNmeaLog(ctx.src, logs.gps.payload, logs.gps.end, logs.startMs, resampler);
        Read3gfLog(ctx.src, logs.accelerations.payload, logs.accelerations.end, resampler);
        return resampler.WriteTo(store);
    }
};

}  // namespace

const TelemetryFormat& BlackVueFormat() {
    static const BlackVue f;
    return f;
}
