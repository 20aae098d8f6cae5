// Time for a one-hour route (3600 points) to reach the map page and be drawn,
// through CDlgMap (points sent in one call at RenderPolyLine), with one script
// call per point for comparison, and as a trip of 60 one-minute recordings
// (SetTripRoutes, fitting the view). Runs under Xvfb:
//   xvfb-run -a -s "-screen 0 1920x1080x24" bench_map_route [--rounds N] [--hold SECONDS]
//       [--tile-url TEMPLATE] [--width PX] [--height PX]
// Tiles come from --tile-url, by default a local port where nothing answers:
// the benchmark never asks a real tile server.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "CDlgMap.h"

namespace {

constexpr int kRoutePoints = 3600;
constexpr int kTripRecordings = 60;
const char kNoTileServer[] = "http://127.0.0.1:9/{z}/{x}/{y}.png";

struct Timing {
    double callsMs;  // time the window's thread spends inside the host calls
    double drawnMs;  // from NewPolyLine until the page has drawn the polyline
};

QJsonObject ReadState(QWebEnginePage* page) {
    QJsonObject state;
    QEventLoop loop;
    page->runJavaScript(QStringLiteral("window.__veltoState()"), [&](const QVariant& v) {
        state = QJsonDocument::fromJson(v.toString().toUtf8()).object();
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return state;
}

// A route of one sample per second along a drive heading north-east.
std::vector<std::pair<QString, QString>> MakeRoute(double latBase) {
    std::vector<std::pair<QString, QString>> route;
    for (int i = 0; i < kRoutePoints; ++i) {
        route.emplace_back(QString::number(latBase + i * 0.00002, 'f', 6),
                           QString::number(0.55 + i * 0.00003, 'f', 6));
    }
    return route;
}

Timing SendThroughHost(CDlgMap& map, const std::vector<std::pair<QString, QString>>& route) {
    QElapsedTimer timer;
    timer.start();
    map.ClearPolyLine();
    map.NewPolyLine();
    for (const auto& p : route) {
        map.PutMarkerToLine(p.first, p.second);
    }
    map.RenderPolyLine();
    const double callsMs = timer.nsecsElapsed() / 1e6;
    const QJsonObject state = ReadState(map.page());  // runs after the route's scripts
    const double drawnMs = timer.nsecsElapsed() / 1e6;
    if (state["polylinePoints"].toInt() != kRoutePoints) {
        std::fprintf(stderr, "route not drawn: %d points\n", state["polylinePoints"].toInt());
    }
    return {callsMs, drawnMs};
}

// The same drive as a trip of kTripRecordings recordings, the middle one playing.
Timing SendTrip(CDlgMap& map, const std::vector<std::pair<QString, QString>>& route) {
    QElapsedTimer timer;
    timer.start();
    QList<CDlgMap::Route> trip;
    const size_t perRecording = route.size() / kTripRecordings;
    for (size_t i = 0; i < route.size(); ++i) {
        if (i % perRecording == 0) {
            trip.append(CDlgMap::Route());
        }
        trip.last().append({route[i].first, route[i].second});
    }
    map.SetTripRoutes(trip, kTripRecordings / 2);
    const double callsMs = timer.nsecsElapsed() / 1e6;
    const QJsonObject state = ReadState(map.page());
    const double drawnMs = timer.nsecsElapsed() / 1e6;
    if (state["polylines"].toInt() != kTripRecordings ||
        state["polylinePoints"].toInt() != kRoutePoints) {
        std::fprintf(stderr, "trip not drawn: %d lines, %d points\n", state["polylines"].toInt(),
                     state["polylinePoints"].toInt());
    }
    return {callsMs, drawnMs};
}

QString Call(const char* function, const QJsonArray& args) {
    return QString::fromLatin1(function) + "(" +
           QString::fromUtf8(QJsonDocument(args).toJson(QJsonDocument::Compact)).mid(1).chopped(1) +
           ")";
}

Timing SendOneCallPerPoint(CDlgMap& map, const std::vector<std::pair<QString, QString>>& route) {
    QWebEnginePage* page = map.page();
    QElapsedTimer timer;
    timer.start();
    page->runJavaScript(Call("clearPolyLine", {}));
    page->runJavaScript(Call("newPolyLine", {}));
    for (const auto& p : route) {
        page->runJavaScript(Call("putMarkerToLine", {p.first, p.second}));
    }
    page->runJavaScript(Call("renderPolyLine", {}));
    const double callsMs = timer.nsecsElapsed() / 1e6;
    const QJsonObject state = ReadState(page);
    const double drawnMs = timer.nsecsElapsed() / 1e6;
    if (state["polylinePoints"].toInt() != kRoutePoints) {
        std::fprintf(stderr, "route not drawn: %d points\n", state["polylinePoints"].toInt());
    }
    return {callsMs, drawnMs};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Report(const char* name, const std::vector<Timing>& timings) {
    std::vector<double> calls, drawn;
    for (const Timing& t : timings) {
        calls.push_back(t.callsMs);
        drawn.push_back(t.drawnMs);
    }
    std::printf("%-22s %d points: host calls %8.2f ms, drawn after %8.2f ms (median of %zu)\n",
                name, kRoutePoints, Median(calls), Median(drawn), timings.size());
}

const char* TextOption(int argc, char** argv, const char* name, const char* fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return argv[i + 1];
        }
    }
    return fallback;
}

int IntOption(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return std::atoi(argv[i + 1]);
        }
    }
    return fallback;
}

// Without a display the benchmark runs itself again under a private Xvfb.
void RunUnderXvfbWhenNoDisplay(char** argv) {
    if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") ||
        std::getenv("VELTO_BENCH_UNDER_XVFB")) {
        return;
    }
    setenv("VELTO_BENCH_UNDER_XVFB", "1", 1);
    std::vector<char*> args{const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                            const_cast<char*>("-s"), const_cast<char*>("-screen 0 1920x1080x24")};
    for (char** a = argv; *a; ++a) {
        args.push_back(*a);
    }
    args.push_back(nullptr);
    execvp("xvfb-run", args.data());
    std::perror("xvfb-run");
}

}  // namespace

int main(int argc, char** argv) {
    RunUnderXvfbWhenNoDisplay(argv);
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int rounds = std::max(1, IntOption(argc, argv, "--rounds", 5));
    const int holdSeconds = IntOption(argc, argv, "--hold", 0);

    QFrame placeholder;
    placeholder.setFrameStyle(QFrame::Box | QFrame::Plain);
    placeholder.setGeometry(0, 0, IntOption(argc, argv, "--width", 800),
                            IntOption(argc, argv, "--height", 600));
    placeholder.show();
    auto* map = new CDlgMap(&placeholder);
    map->SetTileSource(QString::fromLocal8Bit(TextOption(argc, argv, "--tile-url", kNoTileServer)),
                       QStringLiteral("Tiles of the benchmark"));
    map->show();

    QElapsedTimer startup;
    startup.start();
    if (!QTest::qWaitFor([&] { return map->m_bPageReady; }, 60000)) {
        std::fprintf(stderr, "the map page never became ready\n");
        return 1;
    }
    std::printf("page ready after %.0f ms\n", startup.nsecsElapsed() / 1e6);

    std::vector<Timing> hostTimings, perPointTimings, tripTimings;
    for (int r = 0; r < rounds; ++r) {
        hostTimings.push_back(SendThroughHost(*map, MakeRoute(51.40 + r * 0.001)));
        perPointTimings.push_back(SendOneCallPerPoint(*map, MakeRoute(51.40 + r * 0.001)));
        tripTimings.push_back(SendTrip(*map, MakeRoute(51.40 + r * 0.001)));
    }
    Report("CDlgMap (batched)", hostTimings);
    Report("one call per point", perPointTimings);
    Report("trip of 60 routes", tripTimings);

    if (holdSeconds > 0) {
        std::printf("holding the window for %d s\n", holdSeconds);
        std::fflush(stdout);
        SendTrip(*map, MakeRoute(51.47));
        map->SetLgtLat(QString::number(51.47 + 1800 * 0.00002, 'f', 6),
                       QString::number(0.55 + 1800 * 0.00003, 'f', 6), "0");
        QTest::qWait(holdSeconds * 1000);
    }
    return 0;
}
