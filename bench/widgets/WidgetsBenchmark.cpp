// One paint of the G-sensor graph (6000 samples, and 36000 decimated to
// 3600 points per axis), one speed readout paint and one seek slider paint,
// each rendered into an image on the offscreen platform.

#include "BitmapSlider.h"
#include "SpeedDial.h"
#include "TelemetryStore.h"
#include "WaveFormCtrl.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>

namespace {

void FillStore(TelemetryStore& store, int count) {
    store.Clear();
    for (int i = 0; i < count; ++i) {
        tagAssistInfo s;
        s.accelX = static_cast<float>(0.3 * std::sin(i / 30.0));
        s.accelY = static_cast<float>(-0.5 + 0.4 * std::cos(i / 17.0));
        s.accelZ = static_cast<float>(1.0 + 0.2 * std::sin(i / 11.0));
        s.latitude = "22.5431234";
        s.longitude = "114.0578765";
        s.speed = i % 120;
        s.course = i % 360;
        store.AddSample(s);
    }
}

void BM_GraphPaint(benchmark::State& state) {
    TelemetryStore store;
    FillStore(store, static_cast<int>(state.range(0)));
    CWaveFormCtrl graph;
    graph.resize(470, 137);
    graph.SetDataSource(&store);
    graph.LoadTelemetry();
    graph.SetCurrentIndex(store.GetCount() / 2);
    QImage image(graph.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        graph.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["points_per_axis"] = CWaveFormCtrl::PlottedPoints(store.GetCount());
}
BENCHMARK(BM_GraphPaint)->Arg(6000)->Arg(36000)->Unit(benchmark::kMillisecond);

void BM_SpeedDialPaint(benchmark::State& state) {
    CSpeedDial dial;
    dial.resize(308, 145);
    QImage image(dial.size(), QImage::Format_ARGB32_Premultiplied);
    int speed = 0;
    for (auto _ : state) {
        dial.Draw(speed, speed * 1.5, CSpeedDial::kUnitKmh);
        dial.render(&image);
        benchmark::DoNotOptimize(image.constBits());
        speed = (speed + 7) % 240;
    }
}
BENCHMARK(BM_SpeedDialPaint)->Unit(benchmark::kMillisecond);

void BM_SliderPaint(benchmark::State& state) {
    CBitmapSlider slider;
    slider.resize(420, 15);
    slider.SetColourChannel(qRgb(128, 128, 128), qRgb(0, 0, 0), 96);
    slider.SetThumbBitmaps(179, 179, true);
    slider.SetValueRange(0, 1000);
    QImage image(slider.size(), QImage::Format_ARGB32_Premultiplied);
    int value = 0;
    for (auto _ : state) {
        slider.SetValue(value);
        slider.render(&image);
        benchmark::DoNotOptimize(image.constBits());
        value = (value + 13) % 1000;
    }
}
BENCHMARK(BM_SliderPaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
