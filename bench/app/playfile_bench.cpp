// How long PlayFile keeps the GUI thread busy (open, telemetry extraction,
// route to the map), on the sample recordings and on a synthetic one-hour
// recording, and the wall time of one clock tick. Runs the real main window
// (libvlc, the map page) on the display, or offscreen without one.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "BoxWriter.h"
#include "CDlgMap.h"
#include "FileList.h"
#include "GuiTestEnvironment.h"
#include "PlayerApp.h"
#include "PlayerDlg.h"
#include "RecordingName.h"
#include "TelemetryStore.h"

namespace {

using namespace velto::testing;

CPlayerDlg* g_dlg = nullptr;

struct tagBenchEntry {
    std::string label;
    int index = 0;  // in the playlist
    tagFileNode node;
};
std::vector<tagBenchEntry> g_entries;

// An RMC sentence for second i of a drive heading east at 50 km/h.
std::string Sentence(int i) {
    const double minutes = 12.3240 + i * 0.0075;
    char text[128];
    std::snprintf(text, sizeof text,
                  "$GPRMC,%02d%02d%02d.00,A,4012.3240,N,%03d%07.4f,E,27.0,%.1f,140326,,,A",
                  (8 + i / 3600) % 24, (i / 60) % 60, i % 60, 8 + int(minutes / 60),
                  minutes - 60 * int(minutes / 60), double(i % 360));
    return text;
}

// One hour of interleaved single-track layout (kind 4): 108000 video samples
// in the tables, a record after every 30th; the video data is a hole.
std::string WriteOneHourRecording(const std::string& folder) {
    std::vector<Bytes> records;
    for (int i = 0; i < 3600; ++i) {
        TelemetryRecord r;
        r.accelX = (i % 200) - 100;
        r.accelY = 30;
        r.accelZ = 1000;
        r.sentence = Sentence(i);
        records.push_back(FixedRecord(r, "20260314"));
    }
    const std::string path = folder + "/HOUR_0001.MOV";
    return SingleTrackRecording(ThirtyFpsLayout(records)).WriteTo(path) ? path : std::string();
}

CPlaybackController& Controller() {
    return g_dlg->Controller();
}

void StopQuietly() {
    Controller().OnStop();
    QTest::qWait(150);
}

// Plays playlist entry `index` as a double click on its row does.
void PlayEntry(int index) {
    g_dlg->SelectAndFocusRow(index);
    Controller().OnListDoubleClick();
}

// The GUI thread's time in PlayFile(Current): open, extraction, route.
void BM_PlayFile(benchmark::State& state, const tagBenchEntry* entry) {
    for (auto _ : state) {
        state.PauseTiming();
        StopQuietly();
        state.ResumeTiming();
        PlayEntry(entry->index);
    }
    state.counters["samples"] = Controller().Store().GetCount();
    StopQuietly();
}

// Its parts: libvlc open and duration, the extraction, the route calls.
void BM_Open(benchmark::State& state, const tagBenchEntry* entry) {
    for (auto _ : state) {
        state.PauseTiming();
        StopQuietly();
        state.ResumeTiming();
        Controller().Engine().OpenAndPlay(entry->node.strFilePath);
        benchmark::DoNotOptimize(Controller().Engine().GetDuration());
    }
    StopQuietly();
}

void BM_Extract(benchmark::State& state, const tagBenchEntry* entry) {
    TelemetryStore store;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadEntryTelemetry(store, entry->node).count);
    }
    state.counters["samples"] = store.GetCount();
}

void BM_Route(benchmark::State& state, const tagBenchEntry* entry) {
    TelemetryStore store;
    ReadEntryTelemetry(store, entry->node);
    CDlgMap* map = g_dlg->MapView();
    for (auto _ : state) {
        map->ClearPolyLine();
        map->NewPolyLine();
        tagAssistInfo s;
        for (int i = 0; i < store.GetCount(); ++i) {
            if (store.GetSample(i, s) == 0 && HasUsablePosition(s)) {
                map->PutMarkerToLine(QString::fromStdString(s.latitude),
                                     QString::fromStdString(s.longitude));
            }
        }
        map->RenderPolyLine();
        state.PauseTiming();
        QTest::qWait(20);  // let the page take the script calls
        state.ResumeTiming();
    }
}

// One tick of the 500 ms timer on a paused recording; `redraw` forces the
// gauges to be drawn as on a second whose speed changed.
void BM_ClockTick(benchmark::State& state, bool redraw) {
    PlayEntry(g_entries.front().index);
    IVideoEngine& engine = Controller().Engine();
    if (!QTest::qWaitFor([&] { return engine.GetTime() > 0; }, 5000)) {
        state.SkipWithError("the recording does not play");
        return;
    }
    engine.SetTime(5500);
    QTest::qWait(300);
    engine.Pause();
    QTest::qWait(300);
    for (auto _ : state) {
        if (redraw) {
            state.PauseTiming();
            g_dlg->DrawSpeedDial(0, std::nan(""));  // no heading compares equal to it
            state.ResumeTiming();
        }
        Controller().OnTimer(kClockTimer);
    }
    StopQuietly();
}

void RegisterAll() {
    for (const tagBenchEntry& e : g_entries) {
        const std::string name = e.label;
        benchmark::RegisterBenchmark(("PlayFile/" + name).c_str(), BM_PlayFile, &e)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(8);
        benchmark::RegisterBenchmark(("PlayFile_Open/" + name).c_str(), BM_Open, &e)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(8);
        benchmark::RegisterBenchmark(("PlayFile_Extract/" + name).c_str(), BM_Extract, &e)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("PlayFile_Route/" + name).c_str(), BM_Route, &e)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(8);
    }
    benchmark::RegisterBenchmark("ClockTick/steady", BM_ClockTick, false)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("ClockTick/gauges_redrawn", BM_ClockTick, true)
        ->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    const GuiTestEnvironment environment;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    CPlayerApp::PrepareProcess();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    CPlayerDlg dlg;
    g_dlg = &dlg;
    if (!QTest::qWaitForWindowExposed(&dlg) ||
        !QTest::qWaitFor([&] { return dlg.MapView()->m_bPageReady; }, 20000)) {
        std::fprintf(stderr, "bench_playfile: the window or its map page did not come up\n");
    }
    // No ticks and no advance between the measurements.
    dlg.StopTimers();
    dlg.SetErrorHook([](const QString&) {});

    CFileList& list = dlg.Controller().FileList();
    for (const QString& path : SampleRecordings()) {
        list.AddFile(path.toStdString(), nullptr, UpperExtension(path.toStdString()));
    }
    TempDir folder;
    const std::string hour = WriteOneHourRecording(folder.Path());
    if (!hour.empty()) {
        tagFileNode node;
        node.strFilePath = hour;
        node.strFileName = "HOUR_0001.MOV";
        node.nChipset = ChipsetKind::Interleaved;
        list.AppendEntry(node);
    }
    for (int i = 0; i < list.GetEntryCount(); ++i) {
        tagBenchEntry e;
        e.index = i;
        list.GetEntry(i, e.node);
        e.label = e.node.strFileName + "/kind" + std::to_string(ChipsetKindNumber(e.node.nChipset));
        g_entries.push_back(e);
    }
    if (g_entries.empty()) {
        std::fprintf(stderr, "bench_playfile: no recordings\n");
        return 1;
    }
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
