// How long PlayFile keeps the GUI thread busy (open, telemetry extraction,
// route to the map), on the sample recordings and on a synthetic one-hour
// recording, and the wall time of one clock tick. Runs the real main window
// (libvlc, the map page) on the display, or offscreen without one.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <QTest>

#include <cstdio>
#include <string>
#include <vector>

#include "BoxWriter.h"
#include "CDlgMap.h"
#include "Extraction.h"
#include "GuiTestEnvironment.h"
#include "PlayerApp.h"
#include "PlayerDlg.h"
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

void StopQuietly() {
    g_dlg->m_bUserStop = true;
    g_dlg->m_engine.Stop();
    QTest::qWait(150);
}

// The GUI thread's time in PlayFile(Current): open, extraction, route.
void BM_PlayFile(benchmark::State& state, const tagBenchEntry* entry) {
    for (auto _ : state) {
        state.PauseTiming();
        StopQuietly();
        g_dlg->m_nCurIndex = entry->index;
        state.ResumeTiming();
        g_dlg->PlayFile(Current);
    }
    state.counters["samples"] = g_dlg->m_store.GetCount();
    StopQuietly();
}

// Its parts: libvlc open and duration, the extraction, the route calls.
void BM_Open(benchmark::State& state, const tagBenchEntry* entry) {
    for (auto _ : state) {
        state.PauseTiming();
        StopQuietly();
        state.ResumeTiming();
        g_dlg->m_engine.OpenAndPlay(entry->node.strFilePath);
        benchmark::DoNotOptimize(g_dlg->m_engine.GetDuration());
    }
    StopQuietly();
}

void BM_Extract(benchmark::State& state, const tagBenchEntry* entry) {
    TelemetryStore store;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ExtractForKind(store, entry->node.nChipset, entry->node.strFilePath));
    }
    state.counters["samples"] = store.GetCount();
}

void BM_Route(benchmark::State& state, const tagBenchEntry* entry) {
    TelemetryStore store;
    ExtractForKind(store, entry->node.nChipset, entry->node.strFilePath);
    CDlgMap* map = g_dlg->m_pDlgMap;
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
    g_dlg->m_nCurIndex = g_entries.front().index;
    g_dlg->PlayFile(Current);
    if (!QTest::qWaitFor([] { return g_dlg->m_engine.GetTime() > 0; }, 5000)) {
        state.SkipWithError("the recording does not play");
        return;
    }
    g_dlg->m_engine.SetTime(5500);
    QTest::qWait(300);
    g_dlg->m_engine.Pause();
    QTest::qWait(300);
    for (auto _ : state) {
        if (redraw) {
            state.PauseTiming();
            g_dlg->m_nLastSpeed = -1;
            state.ResumeTiming();
        }
        g_dlg->OnTimer(1);
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
        !QTest::qWaitFor([&] { return dlg.m_pDlgMap->m_bPageReady; }, 20000)) {
        std::fprintf(stderr, "bench_playfile: the window or its map page did not come up\n");
    }
    // No ticks and no advance between the measurements.
    dlg.m_timer1.stop();
    dlg.m_timer2.stop();
    dlg.m_timer3.stop();
    dlg.m_fnShowError = [](const QString&) {};

    for (const QString& path : SampleRecordings()) {
        dlg.m_fileList.AddFile(path.toStdString(), nullptr,
                               ("." + QFileInfo(path).suffix().toUpper()).toStdString());
    }
    TempDir folder;
    const std::string hour = WriteOneHourRecording(folder.Path());
    if (!hour.empty()) {
        tagFileNode node;
        node.strFilePath = hour;
        node.strFileName = "HOUR_0001.MOV";
        node.nChipset = ChipsetKind::Interleaved;
        dlg.m_fileList.AppendEntry(node);
    }
    for (int i = 0; i < dlg.m_fileList.GetEntryCount(); ++i) {
        tagBenchEntry e;
        e.index = i;
        dlg.m_fileList.GetEntry(i, e.node);
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
