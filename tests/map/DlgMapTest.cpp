// CDlgMap with the real map page in Qt WebEngine (run under Xvfb, offline).
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDirIterator>
#include <QFile>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <cmath>
#include <memory>
#include <vector>

#include "CDlgMap.h"
#include "MapProfile.h"
#include "MapTestSupport.h"
#include "TileServerStandIn.h"

using maptest::PageState;
using maptest::WaitFor;

namespace {

// Leaflet pans by whole pixels: at zoom 12 one pixel spans about 0.00034 degrees of longitude.
constexpr double kPixelAtZoom12 = 0.0004;

struct Point {
    QString lat;
    QString lng;
};

// Records the requests that reach the network layer of the map's profile:
// navigations that were let through to the callback address, and requests to
// any host but this machine, which are blocked: no test goes online.
class RequestRecorder : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) {
            return;
        }
        if (url.host() == QLatin1String("callback")) {
            ++callbackRequests;
        } else if (url.host() != QLatin1String("127.0.0.1")) {
            outside.append(url);
            info.block(true);
        }
    }
    int callbackRequests = 0;
    QList<QUrl> outside;
};

// Stands in for the user's browser: records the addresses the program asks it to open.
class BrowserStandIn : public QObject {
    Q_OBJECT

public:
    BrowserStandIn() {
        QDesktopServices::setUrlHandler("http", this, "open");
        QDesktopServices::setUrlHandler("https", this, "open");
    }
    ~BrowserStandIn() override {
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("https");
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// The player's rule for a usable position: both texts longer than 6 characters.
bool HasUsablePosition(const Point& p) {
    return p.lat.size() > 6 && p.lng.size() > 6;
}

// n samples along a line near the start of the map; every sample in shortAt has a short text.
std::vector<Point> MakeSamples(int n, const std::vector<int>& shortAt, double latBase = 51.48) {
    static const char* const kShortTexts[] = {"0", "", "51.5", "0.6041", "-1.234"};
    std::vector<Point> samples;
    for (int i = 0; i < n; ++i) {
        samples.push_back({QString::number(latBase + i * 0.0001, 'f', 6),
                           QString::number(0.60 + i * 0.0001, 'f', 6)});
    }
    for (size_t j = 0; j < shortAt.size(); ++j) {
        Point& p = samples[shortAt[j]];
        (j % 2 ? p.lng : p.lat) = QString::fromLatin1(kShortTexts[j % 5]);
    }
    return samples;
}

// Sends a route the way the player does: clear, new, the usable points, render.
int SendRoute(CDlgMap& map, const std::vector<Point>& samples) {
    int sent = 0;
    map.ClearPolyLine();
    map.NewPolyLine();
    for (const Point& p : samples) {
        if (HasUsablePosition(p)) {
            map.PutMarkerToLine(p.lat, p.lng);
            ++sent;
        }
    }
    map.RenderPolyLine();
    return sent;
}

bool Near(const QJsonValue& pair, double lat, double lng, double tolerance = 1e-6) {
    const QJsonArray a = pair.toArray();
    return a.size() == 2 && std::fabs(a[0].toDouble() - lat) < tolerance &&
           std::fabs(a[1].toDouble() - lng) < tolerance;
}

// The attribution the tests give their tile server.
const char kTestAttribution[] =
    "Tiles &copy; <a href=\"https://tiles.example/copyright\">Example Tiles</a>";

// n points from (lat, lng) in steps of (dLat, dLng), as texts.
CDlgMap::Route MakeRoute(int n, double lat, double lng, double dLat, double dLng) {
    CDlgMap::Route route;
    for (int i = 0; i < n; ++i) {
        route.append(
            {QString::number(lat + i * dLat, 'f', 6), QString::number(lng + i * dLng, 'f', 6)});
    }
    return route;
}

// A drive of three recordings, one after the other: east, north, east again.
// The second one has a point that is no number at index 3.
QList<CDlgMap::Route> MakeTrip() {
    QList<CDlgMap::Route> trip;
    trip.append(MakeRoute(20, 51.480, 0.600, 0, 0.0005));
    trip.append(MakeRoute(20, 51.480, 0.6095, 0.0005, 0));
    trip[1][3].lat = QStringLiteral("abc");
    trip.append(MakeRoute(20, 51.4895, 0.6095, 0, 0.0005));
    return trip;
}

bool Contains(const QJsonValue& bounds, double lat, double lng) {
    const QJsonArray b = bounds.toArray();
    const QJsonArray sw = b[0].toArray(), ne = b[1].toArray();
    return lat >= sw[0].toDouble() && lat <= ne[0].toDouble() && lng >= sw[1].toDouble() &&
           lng <= ne[1].toDouble();
}

class MapTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tiles.Listen());
        CMapProfile::Shared()->setUrlRequestInterceptor(&m_requests);
        m_parent = std::make_unique<QFrame>();
        m_parent->setFrameStyle(QFrame::Box | QFrame::Plain);
        m_parent->resize(640, 480);
        m_parent->show();
    }

    void TearDown() override {
        m_parent.reset();
        CMapProfile::Shared()->setUrlRequestInterceptor(nullptr);
        EXPECT_TRUE(m_requests.outside.isEmpty())
            << "the map went online: " << m_requests.outside.first().toString().toStdString();
    }

    // A map view taking its tiles from m_tiles (never from a real tile server).
    CDlgMap* MakeMap(const QUrl& url = QUrl()) {
        delete m_map;
        m_map = url.isEmpty() ? new CDlgMap(m_parent.get()) : new CDlgMap(m_parent.get(), url);
        EXPECT_TRUE(m_map->SetTileSource(m_tiles.UrlTemplate(), kTestAttribution));
        m_map->show();
        return m_map;
    }

    CDlgMap* MakeReadyMap() {
        MakeMap();
        EXPECT_TRUE(WaitFor([&] { return m_map->m_bPageReady; }))
            << "the page never reported inited";
        return m_map;
    }

    QJsonObject State() { return PageState(m_map->page()); }

    // Waits until the page's state satisfies condition; returns the last state read.
    QJsonObject WaitForState(const std::function<bool(const QJsonObject&)>& condition,
                             int timeoutMs = 10000) {
        QJsonObject state;
        WaitFor(
            [&] {
                state = State();
                return condition(state);
            },
            timeoutMs);
        return state;
    }

    void ClickCallbackButton(const QString& value) {
        maptest::Evaluate(
            m_map->page(),
            QStringLiteral("(function(v){var b=document.getElementById('btnCallback');"
                           "b.setAttribute('value', v); b.click();})(%1)")
                .arg(QString::fromUtf8(
                         QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact))
                         .mid(1)
                         .chopped(1)));
    }

    // The point of the page (and of the view) where the map shows lat, lng.
    QPoint PagePoint(double lat, double lng) {
        const QJsonArray xy =
            QJsonDocument::fromJson(
                maptest::Evaluate(m_map->page(),
                                  QStringLiteral("(function(){var p=map.latLngToContainerPoint([%1,"
                                                 "%2]);return JSON.stringify([p.x,p.y]);})()")
                                      .arg(lat, 0, 'f', 7)
                                      .arg(lng, 0, 'f', 7))
                    .toString()
                    .toUtf8())
                .array();
        return QPoint(qRound(xy[0].toDouble()), qRound(xy[1].toDouble()));
    }

    // The centre of the page element that selector finds.
    QPoint ElementCentre(const QString& selector) {
        const QJsonArray xy =
            QJsonDocument::fromJson(
                maptest::Evaluate(
                    m_map->page(),
                    QStringLiteral(
                        "(function(){var r=document.querySelector(%1)"
                        ".getBoundingClientRect();"
                        "return JSON.stringify([r.left+r.width/2,r.top+r.height/2]);})()")
                        .arg(QString::fromUtf8(
                                 QJsonDocument(QJsonArray{selector}).toJson(QJsonDocument::Compact))
                                 .mid(1)
                                 .chopped(1)))
                    .toString()
                    .toUtf8())
                .array();
        return QPoint(qRound(xy[0].toDouble()), qRound(xy[1].toDouble()));
    }

    // A left click of the mouse on the page, as the user makes it.
    void ClickAt(const QPoint& at) {
        QWidget* target = m_map->view()->focusProxy();
        ASSERT_NE(target, nullptr);
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, at);
    }

    TileServerStandIn m_tiles;
    RequestRecorder m_requests;
    std::unique_ptr<QFrame> m_parent;
    CDlgMap* m_map = nullptr;  // owned by m_parent
};

TEST_F(MapTest, LoadsOfflineAnswersLoadedAndBecomesReady) {
    MakeMap();
    int readySignals = 0;
    QObject::connect(m_map, &CDlgMap::pageReady, [&] { ++readySignals; });
    EXPECT_FALSE(m_map->m_bPageReady);
    ASSERT_TRUE(WaitFor([&] { return m_map->m_bPageReady; }));
    EXPECT_EQ(readySignals, 1);

    const QJsonObject s = State();
    EXPECT_TRUE(s["libraryLoaded"].toBool());
    EXPECT_EQ(s["initialised"].toInt(), 1);
    EXPECT_EQ(s["initCount"].toInt(), 1);
    EXPECT_EQ(s["markerURL"].toString(), "qrc:/png/marker.png");
    EXPECT_FALSE(s["notice"].toBool());
    EXPECT_EQ(s["layerGroups"].toInt(), 4);
    EXPECT_EQ(s["zoom"].toInt(), 12);
    EXPECT_TRUE(Near(s["center"], 51.483333, 0.604167, 1e-5));
    EXPECT_TRUE(Near(s["marker"], 51.483333, 0.604167));
    EXPECT_FALSE(s["markerOnMap"].toBool());
    EXPECT_EQ(m_map->page()->url(), QUrl("qrc:/html/194.html"));
}

TEST_F(MapTest, RouteBecomesOnePolylineOfTheUsablePoints) {
    MakeReadyMap();
    struct Case {
        int n;
        std::vector<int> shortAt;
    };
    const Case cases[] = {
        {0, {}},  // an empty route draws an empty polyline
        {1, {}},
        {50, {0, 7, 8, 9, 49}},  // short texts first, inside and last
        {3600, {1, 100, 1800, 3599}},
    };
    for (const Case& c : cases) {
        const auto samples = MakeSamples(c.n, c.shortAt);
        const int sent = SendRoute(*m_map, samples);
        ASSERT_EQ(sent, c.n - static_cast<int>(c.shortAt.size()));
        const QJsonObject s = WaitForState([&](const QJsonObject& st) {
            return st["polylines"].toInt() == 1 && st["polylinePoints"].toInt() == sent;
        });
        EXPECT_EQ(s["polylines"].toInt(), 1) << "n=" << c.n;
        EXPECT_EQ(s["polylinePoints"].toInt(), sent) << "n=" << c.n;
        if (sent > 0) {
            const Point& first = c.shortAt.empty() || c.shortAt[0] != 0 ? samples[0] : samples[1];
            EXPECT_TRUE(Near(s["firstPoint"], first.lat.toDouble(), first.lng.toDouble()))
                << "latitude must go first, n=" << c.n;
        }
    }
}

TEST_F(MapTest, SecondRouteReplacesTheFirst) {
    MakeReadyMap();
    SendRoute(*m_map, MakeSamples(40, {}, 51.40));
    const auto second = MakeSamples(25, {3}, 51.50);
    const int sent = SendRoute(*m_map, second);
    const QJsonObject s =
        WaitForState([&](const QJsonObject& st) { return st["polylinePoints"].toInt() == sent; });
    EXPECT_EQ(s["polylines"].toInt(), 1);
    EXPECT_EQ(s["polylinePoints"].toInt(), sent);
    EXPECT_TRUE(Near(s["firstPoint"], 51.50, 0.60));
}

TEST_F(MapTest, MarkerMovesAndTheMapFollowsOnlyWhenItLeavesTheView) {
    MakeReadyMap();
    // Inside the view: the marker moves, the view stays.
    const QJsonObject before = State();
    m_map->SetLgtLat("51.501234", "0.612345", "0");
    QJsonObject s = WaitForState([](const QJsonObject& st) { return st["markerOnMap"].toBool(); });
    EXPECT_TRUE(Near(s["marker"], 51.501234, 0.612345));
    EXPECT_TRUE(
        Near(s["center"], before["center"][0].toDouble(), before["center"][1].toDouble(), 1e-9));

    // Outside the view: the map centres on the marker.
    m_map->SetLgtLat("51.601234", "0.812345", "0");
    s = WaitForState([](const QJsonObject& st) {
        return Near(st["center"], 51.601234, 0.812345, kPixelAtZoom12);
    });
    EXPECT_TRUE(Near(s["marker"], 51.601234, 0.812345));
    EXPECT_TRUE(Near(s["center"], 51.601234, 0.812345, kPixelAtZoom12))
        << s["center"].toArray()[0].toDouble() << "," << s["center"].toArray()[1].toDouble();

    // Empty texts leave the marker and the view where they are.
    m_map->SetLgtLat("", "", "");
    m_map->SetLgtLat("", "0.700000", "0");
    QTest::qWait(300);
    const QJsonObject after = State();
    EXPECT_TRUE(after["markerOnMap"].toBool());
    EXPECT_TRUE(Near(after["marker"], 51.601234, 0.812345));
    EXPECT_TRUE(Near(after["center"], s["center"][0].toDouble(), s["center"][1].toDouble(), 1e-9));
}

TEST_F(MapTest, OnlyExactReportsStartTheMap) {
    MakeReadyMap();
    int readySignals = 0;
    QObject::connect(m_map, &CDlgMap::pageReady, [&] { ++readySignals; });
    const char* const ignored[] = {
        "HTTP://callback/loaded",  "http://Callback/loaded",
        "http://callback/LOADED",  " http://callback/loaded",
        "http://callback/loaded ", "http://callback/loaded?x=1",
        "http://callback/loade",   "HTTP://CALLBACK/INITED",
        "http://callback/view",    "",
    };
    for (const char* value : ignored) {
        ClickCallbackButton(QString::fromLatin1(value));
    }
    // Reports arrive in order: the exact "loaded" after them starts the map once more.
    ClickCallbackButton(QStringLiteral("http://callback/loaded"));
    ASSERT_TRUE(WaitFor([&] { return readySignals == 1; }));
    QTest::qWait(200);
    EXPECT_EQ(State()["initCount"].toInt(), 2);
    EXPECT_EQ(readySignals, 1);
    EXPECT_TRUE(m_map->m_bPageReady);
}

TEST_F(MapTest, CallbackNavigationsAreCancelled) {
    MakeReadyMap();
    BrowserStandIn browser;
    maptest::Evaluate(m_map->page(), "window.__sameDocument = 1");
    const char* const targets[] = {"http://callback/view?t=1", "http://callback/loaded",
                                   "http://callback/routeClick?x=1&y=2"};
    for (const char* target : targets) {
        maptest::Evaluate(m_map->page(), QStringLiteral("window.location.href = '%1'").arg(target));
        QTest::qWait(300);
        EXPECT_EQ(m_map->page()->url(), QUrl("qrc:/html/194.html")) << target;
        EXPECT_EQ(maptest::Evaluate(m_map->page(), "window.__sameDocument").toInt(), 1) << target;
    }
    EXPECT_EQ(m_requests.callbackRequests, 0) << "a callback navigation was let through";
    EXPECT_TRUE(browser.opened.isEmpty()) << "a callback address went to the browser";
    EXPECT_EQ(State()["initCount"].toInt(), 1);
    EXPECT_TRUE(m_map->m_bPageReady);
}

TEST_F(MapTest, AttributionLinkOpensInBrowserAndMapStays) {
    MakeReadyMap();
    BrowserStandIn browser;
    maptest::Evaluate(m_map->page(),
                      "document.querySelector('.leaflet-control-attribution "
                      "a[href*=\"copyright\"]').click()");
    ASSERT_TRUE(WaitFor([&] { return !browser.opened.isEmpty(); }, 5000));
    EXPECT_EQ(browser.opened.first(), QUrl("https://tiles.example/copyright"));
    EXPECT_EQ(m_map->page()->url(), QUrl("qrc:/html/194.html"));
    EXPECT_EQ(State()["initialised"].toInt(), 1);
}

TEST_F(MapTest, CoordinateTextsAreDataNeverScript) {
    MakeReadyMap();
    const QString hostile[] = {
        "'); window.__pwned = 1; ('",
        "\"); window.__pwned = 1; (\"",
        "0); window.__pwned = 1; (0",
        "\\\"); window.__pwned = 1; //",
        "</script><script>window.__pwned = 1</script>",
        "${window.__pwned = 1}",
        QStringLiteral("51.500000\u2028window.__pwned = 1"),
        "51.500000'+(window.__pwned = 1)+'",
    };
    m_map->SetLgtLat("51.490000", "0.610000", "0");
    m_map->ClearPolyLine();
    m_map->NewPolyLine();
    m_map->PutMarkerToLine("51.480000", "0.600000");
    for (const QString& text : hostile) {
        m_map->PutMarkerToLine(text, "0.600000");
        m_map->PutMarkerToLine("51.480000", text);
        m_map->SetLgtLat(text, "0.600000", text);
        m_map->SetLgtLat("51.480000", text, "0");
    }
    m_map->PutMarkerToLine("51.481000", "0.601000");
    m_map->RenderPolyLine();
    const QJsonObject s =
        WaitForState([](const QJsonObject& st) { return st["polylines"].toInt() == 1; });
    EXPECT_EQ(maptest::Evaluate(m_map->page(), "typeof window.__pwned").toString(), "undefined");
    // The texts that are no numbers add no point and leave the marker where it was.
    EXPECT_EQ(s["polylinePoints"].toInt(), 2);
    EXPECT_TRUE(Near(s["marker"], 51.49, 0.61));
}

TEST_F(MapTest, RouteAndPositionSentBeforeReadyAreDelivered) {
    MakeMap();
    ASSERT_FALSE(m_map->m_bPageReady);
    SendRoute(*m_map, MakeSamples(30, {}, 51.40));
    m_map->SetLgtLat("51.400000", "0.600000", "0");
    const auto latest = MakeSamples(12, {5}, 51.45);
    const int sent = SendRoute(*m_map, latest);
    m_map->SetLgtLat("51.450500", "0.600500", "0");
    m_map->SetLgtLat("", "", "");  // an empty position keeps the last one

    ASSERT_TRUE(WaitFor([&] { return m_map->m_bPageReady; }));
    const QJsonObject s = WaitForState([&](const QJsonObject& st) {
        return st["polylinePoints"].toInt() == sent && st["markerOnMap"].toBool();
    });
    EXPECT_EQ(s["polylines"].toInt(), 1);
    EXPECT_EQ(s["polylinePoints"].toInt(), sent);
    EXPECT_TRUE(Near(s["firstPoint"], 51.45, 0.60));
    EXPECT_TRUE(s["markerOnMap"].toBool());
    EXPECT_TRUE(Near(s["marker"], 51.4505, 0.6005));

    // A map started again (a second "loaded") shows the same route and position.
    ClickCallbackButton(QStringLiteral("http://callback/loaded"));
    const QJsonObject again = WaitForState([&](const QJsonObject& st) {
        return st["initCount"].toInt() == 2 && st["polylinePoints"].toInt() == sent &&
               st["markerOnMap"].toBool();
    });
    EXPECT_EQ(again["polylines"].toInt(), 1);
    EXPECT_EQ(again["polylinePoints"].toInt(), sent);
    EXPECT_TRUE(Near(again["marker"], 51.4505, 0.6005));

    // A repeated "inited" on the same map does not draw the route twice.
    int readySignals = 0;
    QObject::connect(m_map, &CDlgMap::pageReady, [&] { ++readySignals; });
    ClickCallbackButton(QStringLiteral("http://callback/inited"));
    ASSERT_TRUE(WaitFor([&] { return readySignals == 1; }));
    EXPECT_EQ(State()["polylines"].toInt(), 1);
    EXPECT_EQ(State()["polylinePoints"].toInt(), sent);
}

TEST_F(MapTest, KeysAndRightClicksNeverReachThePage) {
    MakeReadyMap();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_parent.get()));
    QWidget* target = m_map->view()->focusProxy();
    ASSERT_NE(target, nullptr);
    const QPoint at(200, 150);

    QTest::keyClick(target, Qt::Key_A);
    QTest::keyClick(target, Qt::Key_Plus);
    QTest::mouseClick(target, Qt::RightButton, Qt::NoModifier, at);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &menuEvent);
    // A left click does reach the page, so the events above were delivered and dropped.
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, at);

    const QJsonObject s = WaitForState(
        [](const QJsonObject& st) { return st["mouseDowns"].toArray()[0].toInt() > 0; });
    EXPECT_GT(s["mouseDowns"].toArray()[0].toInt(), 0);
    EXPECT_EQ(s["mouseDowns"].toArray()[2].toInt(), 0);
    EXPECT_EQ(s["keyDowns"].toInt(), 0);
    EXPECT_EQ(s["contextMenus"].toInt(), 0);
    EXPECT_EQ(s["zoom"].toInt(), 12);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(MapTest, CoversParentAndTellsPageItsHeight) {
    MakeReadyMap();
    EXPECT_EQ(m_map->geometry(), m_parent->contentsRect());
    EXPECT_EQ(m_map->view()->size(), m_parent->contentsRect().size());
    m_parent->resize(500, 360);
    ASSERT_TRUE(WaitFor([&] { return m_map->geometry() == m_parent->contentsRect(); }));
    const int height = m_parent->contentsRect().height();
    const QJsonObject s =
        WaitForState([&](const QJsonObject& st) { return st["fixHeight"].toInt() == height; });
    EXPECT_EQ(s["fixHeight"].toInt(), height);
}

TEST_F(MapTest, PageWithoutMapLibraryKeepsNoticeAndNeverBecomesReady) {
    QFile file(":/html/194.html");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString html = QString::fromUtf8(file.readAll());
    const QString libraryTag = QStringLiteral("<script src=\"leaflet/leaflet.js\"></script>");
    ASSERT_TRUE(html.contains(libraryTag));
    html.remove(libraryTag);
    QTemporaryDir dir;
    QFile page(dir.filePath("194.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write(html.toUtf8());
    page.close();

    MakeMap(QUrl::fromLocalFile(page.fileName()));
    // The host answers "loaded" with setMarkerURL and initialize, which does nothing here.
    const QJsonObject s =
        WaitForState([](const QJsonObject& st) { return st["initCount"].toInt() == 1; });
    ASSERT_EQ(s["initCount"].toInt(), 1);
    SendRoute(*m_map, MakeSamples(5, {}));
    m_map->SetLgtLat("51.500000", "0.600000", "0");
    QTest::qWait(500);
    const QJsonObject after = State();
    EXPECT_FALSE(m_map->m_bPageReady);
    EXPECT_FALSE(after["libraryLoaded"].toBool());
    EXPECT_EQ(after["initialised"].toInt(), 0);
    EXPECT_EQ(after["markerURL"].toString(), "qrc:/png/marker.png");
    EXPECT_TRUE(after["notice"].toBool());
    EXPECT_TRUE(after["noticeText"].toString().contains("Loading Open Street Maps..."));
    EXPECT_EQ(maptest::Evaluate(m_map->page(), "document.querySelector('#map_notice input').value")
                  .toString(),
              "Refresh");
}

TEST_F(MapTest, TilesComeFromTheSourceWithTheProgramsUserAgent) {
    MakeReadyMap();
    const QJsonObject s =
        WaitForState([](const QJsonObject& st) { return st["tilesLoaded"].toInt() > 0; });
    EXPECT_GT(s["tilesLoaded"].toInt(), 0);
    EXPECT_EQ(s["tileErrors"].toInt(), 0);
    EXPECT_FALSE(s["tileNotice"].toBool());
    EXPECT_EQ(s["tileUrl"].toString(), m_tiles.UrlTemplate());
    ASSERT_FALSE(m_tiles.requests.isEmpty());
    const QRegularExpression tilePath(QStringLiteral("^/12/[0-9]+/[0-9]+\\.png$"));
    for (const TileServerStandIn::Request& r : m_tiles.requests) {
        EXPECT_EQ(r.method, "GET");
        EXPECT_TRUE(tilePath.match(QString::fromLatin1(r.path)).hasMatch()) << r.path.data();
        EXPECT_EQ(r.headers.value("user-agent").toStdString(),
                  "velto-player/" VELTO_PROJECT_VERSION);
    }
}

TEST_F(MapTest, TileFailuresShowTheNoticeWhileRouteAndMarkerDraw) {
    struct Case {
        const char* name;
        TileServerStandIn::Mode mode;
        bool refused;
    };
    const Case cases[] = {
        {"404", TileServerStandIn::Mode::NotFound, false},
        {"connection refused", TileServerStandIn::Mode::Tiles, true},
        {"no answer", TileServerStandIn::Mode::Hang, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A new port each time: the tiles of the one before are in the cache.
        ASSERT_TRUE(m_tiles.Listen());
        m_tiles.SetMode(c.mode);
        const quint16 port = m_tiles.Port();
        if (c.refused) {
            m_tiles.Close();
        }
        MakeReadyMap();
        const int sent = SendRoute(*m_map, MakeSamples(30, {}));
        m_map->SetLgtLat("51.481000", "0.601000", "0");
        // Errors show it at once; a server that never answers after 10 s.
        if (c.mode == TileServerStandIn::Mode::Hang) {
            QTest::qWait(3000);
            EXPECT_FALSE(State()["tileNotice"].toBool()) << "shown while tiles were on their way";
        }
        QJsonObject s =
            WaitForState([](const QJsonObject& st) { return st["tileNotice"].toBool(); }, 20000);
        ASSERT_TRUE(s["tileNotice"].toBool());
        const QString text = s["tileNoticeText"].toString();
        EXPECT_TRUE(text.contains("Map tiles cannot be loaded")) << text.toStdString();
        EXPECT_TRUE(text.contains("loaded from " + m_tiles.HostAndPort())) << text.toStdString();
        EXPECT_EQ(
            maptest::Evaluate(m_map->page(), "document.querySelector('#tile_notice input').value")
                .toString(),
            "Refresh");
        EXPECT_EQ(s["initialised"].toInt(), 1);
        EXPECT_EQ(s["polylines"].toInt(), 1);
        EXPECT_EQ(s["polylinePoints"].toInt(), sent);
        EXPECT_TRUE(s["markerOnMap"].toBool());

        // The server comes back; "Refresh" (or a late answer) brings the tiles and clears it.
        if (c.refused) {
            ASSERT_TRUE(m_tiles.Listen(port));
        }
        m_tiles.SetMode(TileServerStandIn::Mode::Tiles);
        if (c.mode != TileServerStandIn::Mode::Hang) {
            QTest::qWait(300);
            EXPECT_TRUE(State()["tileNotice"].toBool()) << "cleared before any tile loaded";
            ClickAt(ElementCentre("#tile_notice input"));
        }
        s = WaitForState([](const QJsonObject& st) {
            return !st["tileNotice"].toBool() && st["tilesLoaded"].toInt() > 0;
        });
        EXPECT_FALSE(s["tileNotice"].toBool());
        EXPECT_GT(s["tilesLoaded"].toInt(), 0);
    }
}

TEST_F(MapTest, TileSourceSetLaterSwitchesServerAndAttribution) {
    MakeReadyMap();
    WaitForState([](const QJsonObject& st) { return st["tilesLoaded"].toInt() > 0; });
    TileServerStandIn other;
    ASSERT_TRUE(other.Listen());
    EXPECT_TRUE(m_map->SetTileSource(
        other.UrlTemplate(),
        "Other &copy; <a href=\"https://other.example/terms\">Other</a> "
        "<img src=x onerror=\"window.__pwned=1\"><script>window.__pwned=1</script>"));
    const QJsonObject s = WaitForState([&](const QJsonObject& st) {
        return st["tileUrl"].toString() == other.UrlTemplate() && st["tilesLoaded"].toInt() > 0 &&
               !other.requests.isEmpty();
    });
    EXPECT_FALSE(other.requests.isEmpty());
    const QString attribution = s["attribution"].toString();
    EXPECT_TRUE(attribution.contains("<a href=\"https://other.example/terms\">Other</a>"))
        << attribution.toStdString();
    EXPECT_TRUE(attribution.contains("&lt;img src=x")) << attribution.toStdString();
    EXPECT_FALSE(attribution.contains("Example Tiles")) << attribution.toStdString();
    EXPECT_EQ(maptest::Evaluate(m_map->page(),
                                "document.querySelectorAll('.leaflet-control-attribution img, "
                                ".leaflet-control-attribution script').length")
                  .toInt(),
              0);
    EXPECT_EQ(maptest::Evaluate(m_map->page(), "typeof window.__pwned").toString(), "undefined");

    // A source set while the map starts (between "loaded" and "inited") reaches it at "inited".
    TileServerStandIn third;
    ASSERT_TRUE(third.Listen());
    m_map->m_bPageReady = false;
    EXPECT_TRUE(m_map->SetTileSource(third.UrlTemplate(), "Third"));
    QTest::qWait(300);
    EXPECT_EQ(State()["tileUrl"].toString(), other.UrlTemplate());
    ClickCallbackButton(QStringLiteral("http://callback/inited"));
    const QJsonObject atInited = WaitForState([&](const QJsonObject& st) {
        return st["tileUrl"].toString() == third.UrlTemplate() && !third.requests.isEmpty();
    });
    EXPECT_EQ(atInited["tileUrl"].toString(), third.UrlTemplate());
    EXPECT_FALSE(third.requests.isEmpty());
}

TEST_F(MapTest, TilesSeenOnceLoadFromTheDiskCacheWithoutTheServer) {
    const QString cacheRoot = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    ASSERT_TRUE(CMapProfile::StoragePath().startsWith(cacheRoot + "/"));
    MakeReadyMap();
    WaitForState([](const QJsonObject& st) { return st["tilesLoaded"].toInt() > 0; });
    QTest::qWait(1000);  // the last tiles of the view
    const int seen = State()["tilesLoaded"].toInt();
    ASSERT_GT(seen, 0);
    ASSERT_EQ(m_tiles.requests.size(), seen);

    // A second view of the same place, with the server gone.
    delete m_map;
    m_map = nullptr;
    m_tiles.Close();
    MakeReadyMap();
    const QJsonObject s =
        WaitForState([&](const QJsonObject& st) { return st["tilesLoaded"].toInt() >= seen; });
    EXPECT_GE(s["tilesLoaded"].toInt(), seen);
    EXPECT_EQ(s["tileErrors"].toInt(), 0);
    EXPECT_FALSE(s["tileNotice"].toBool());

    // The cache is on disk in the user's cache folder: a file for each tile.
    const auto filesHoldingTheTile = [&] {
        int n = 0;
        QDirIterator files(CMapProfile::StoragePath(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (file.size() < 64 * 1024 && file.open(QIODevice::ReadOnly) &&
                file.readAll().contains(m_tiles.Tile())) {
                ++n;
            }
        }
        return n;
    };
    EXPECT_TRUE(WaitFor([&] { return filesHoldingTheTile() >= seen; }, 10000))
        << filesHoldingTheTile() << " of " << seen << " tiles in "
        << CMapProfile::StoragePath().toStdString();
}

TEST_F(MapTest, TripRoutesOneLineEachCurrentOnTopViewFitted) {
    MakeReadyMap();
    const QList<CDlgMap::Route> trip = MakeTrip();
    m_map->SetTripRoutes(trip, 1);
    QJsonObject s =
        WaitForState([](const QJsonObject& st) { return st["routes"].toArray().size() == 3; });
    const QJsonArray routes = s["routes"].toArray();
    ASSERT_EQ(routes.size(), 3);
    // The current recording's line is drawn last, on top.
    EXPECT_EQ(routes[0]["route"].toInt(), 0);
    EXPECT_EQ(routes[1]["route"].toInt(), 2);
    EXPECT_EQ(routes[2]["route"].toInt(), 1);
    for (const QJsonValue& r : routes) {
        const bool current = r["route"].toInt() == 1;
        SCOPED_TRACE(r["route"].toInt());
        if (current) {
            EXPECT_EQ(r["color"].toString(), "#0000ff");
            EXPECT_EQ(r["weight"].toInt(), 6);
            EXPECT_EQ(r["opacity"].toDouble(), 1.0);
        } else {
            EXPECT_NE(r["color"].toString(), "#0000ff");
            EXPECT_LT(r["weight"].toInt(), 6);
        }
        const CDlgMap::Route& given = trip[r["route"].toInt()];
        const QJsonArray points = r["points"].toArray();
        const QJsonArray indices = r["indices"].toArray();
        ASSERT_EQ(points.size(), current ? given.size() - 1 : given.size());
        ASSERT_EQ(indices.size(), points.size());
        for (int i = 0; i < points.size(); ++i) {
            const CDlgMap::RoutePoint& p = given[indices[i].toInt()];
            EXPECT_TRUE(Near(points[i], p.lat.toDouble(), p.lng.toDouble())) << i;
        }
        if (current) {
            EXPECT_EQ(indices[3].toInt(), 4) << "the point that is no number keeps its place";
        }
    }
    // The view shows the whole trip, closer than the start's zoom.
    EXPECT_GT(s["zoom"].toInt(), 12);
    for (const CDlgMap::Route& route : trip) {
        for (const CDlgMap::RoutePoint& p : route) {
            if (p.lat != "abc") {
                EXPECT_TRUE(Contains(s["bounds"], p.lat.toDouble(), p.lng.toDouble()));
            }
        }
    }

    // The next recording starts without fitting: the view stays, the current line changes.
    m_map->SetTripRoutes(trip, 2, false);
    const QJsonObject next = WaitForState(
        [](const QJsonObject& st) { return st["routes"].toArray().last()["route"].toInt() == 2; });
    EXPECT_EQ(next["routes"].toArray().last()["color"].toString(), "#0000ff");
    EXPECT_EQ(next["routes"].toArray().size(), 3);
    EXPECT_TRUE(Near(next["center"], s["center"][0].toDouble(), s["center"][1].toDouble(), 1e-9));
    EXPECT_EQ(next["zoom"].toInt(), s["zoom"].toInt());

    // The single-route calls replace the trip.
    const int sent = SendRoute(*m_map, MakeSamples(10, {}));
    const QJsonObject single =
        WaitForState([&](const QJsonObject& st) { return st["polylines"].toInt() == 1; });
    EXPECT_EQ(single["polylinePoints"].toInt(), sent);
    EXPECT_EQ(single["routes"].toArray().at(0)["route"].toInt(), -1);
}

TEST_F(MapTest, TripSentBeforeReadyIsDrawnAndFitted) {
    MakeMap();
    ASSERT_FALSE(m_map->m_bPageReady);
    m_map->SetTripRoutes(MakeTrip(), 0, false);
    m_map->SetLgtLat("51.480000", "0.601000", "0");
    ASSERT_TRUE(WaitFor([&] { return m_map->m_bPageReady; }));
    const QJsonObject s = WaitForState([](const QJsonObject& st) {
        return st["routes"].toArray().size() == 3 && st["markerOnMap"].toBool();
    });
    EXPECT_EQ(s["routes"].toArray().size(), 3);
    EXPECT_EQ(s["routes"].toArray().last()["route"].toInt(), 0);
    EXPECT_GT(s["zoom"].toInt(), 12);
    EXPECT_TRUE(Contains(s["bounds"], 51.4895, 0.619));
    EXPECT_TRUE(Near(s["marker"], 51.48, 0.601));

    // ClearPolyLine forgets the trip: a map started again shows none.
    m_map->ClearPolyLine();
    ClickCallbackButton(QStringLiteral("http://callback/loaded"));
    const QJsonObject again =
        WaitForState([](const QJsonObject& st) { return st["initCount"].toInt() == 2; });
    QTest::qWait(300);
    EXPECT_EQ(State()["polylines"].toInt(), 0);
    EXPECT_EQ(again["initCount"].toInt(), 2);
}

TEST_F(MapTest, ClickOnARouteReportsPointRouteAndPlace) {
    MakeReadyMap();
    QSignalSpy clicks(m_map, &CDlgMap::routeClicked);
    const QList<CDlgMap::Route> trip = MakeTrip();
    m_map->SetTripRoutes(trip, 1);
    WaitForState([](const QJsonObject& st) { return st["routes"].toArray().size() == 3; });
    const QJsonObject s = State();
    const QJsonArray b = s["bounds"].toArray();
    // Three pixels of the view, in degrees.
    const double tolerance = 3 * (b[1][1].toDouble() - b[0][1].toDouble()) / m_map->view()->width();

    struct Case {
        int route;
        int point;
    };
    const Case cases[] = {{0, 10}, {1, 12}, {2, 5}, {1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("route %1 point %2").arg(c.route).arg(c.point).toStdString());
        const CDlgMap::RoutePoint& p = trip[c.route][c.point];
        clicks.clear();
        ClickAt(PagePoint(p.lat.toDouble(), p.lng.toDouble()));
        ASSERT_TRUE(WaitFor([&] { return clicks.size() == 1; }));
        const QList<QVariant> args = clicks.first();
        EXPECT_NEAR(args[0].toDouble(), p.lat.toDouble(), tolerance);
        EXPECT_NEAR(args[1].toDouble(), p.lng.toDouble(), tolerance);
        EXPECT_EQ(args[2].toInt(), c.route);
        EXPECT_EQ(args[3].toInt(), c.point);
    }

    // The single route reports route -1 and the place among the points given to it.
    const auto samples = MakeSamples(30, {});
    SendRoute(*m_map, samples);
    WaitForState([](const QJsonObject& st) { return st["polylines"].toInt() == 1; });
    clicks.clear();
    ClickAt(PagePoint(samples[17].lat.toDouble(), samples[17].lng.toDouble()));
    ASSERT_TRUE(WaitFor([&] { return clicks.size() == 1; }));
    EXPECT_EQ(clicks.first()[2].toInt(), -1);
    EXPECT_EQ(clicks.first()[3].toInt(), 17);

    // A click beside the route is no route click.
    clicks.clear();
    const QPoint on = PagePoint(samples[17].lat.toDouble(), samples[17].lng.toDouble());
    ClickAt(on + QPoint(0, 40));
    QTest::qWait(300);
    EXPECT_EQ(clicks.size(), 0);
}

TEST_F(MapTest, RouteClickReportsAreCheckedBeforeTheSignal) {
    MakeReadyMap();
    m_map->SetTripRoutes(MakeTrip(), 1);
    QSignalSpy clicks(m_map, &CDlgMap::routeClicked);
    struct Case {
        const char* report;
        bool emitted;
        double lat, lng;
        int route, point;
    };
    const Case cases[] = {
        {"routeClick?x=0.6&y=51.4&r=2&p=7", true, 51.4, 0.6, 2, 7},
        {"routeClick?x=0.6&y=51.4", true, 51.4, 0.6, -1, -1},
        {"routeClick?x=-0.5&y=-33.25&r=3&p=-4", true, -33.25, -0.5, -1, -1},
        {"routeClick?x=0.6&y=51.4&r=x&p=1e3", true, 51.4, 0.6, -1, -1},
        {"routeClick?x=abc&y=51.4", false, 0, 0, 0, 0},
        {"routeClick?x=0.6", false, 0, 0, 0, 0},
        {"routeClick?x=0.6&y=91", false, 0, 0, 0, 0},
        {"routeClick?x=nan&y=51.4", false, 0, 0, 0, 0},
        {"routeClick?x=inf&y=51.4", false, 0, 0, 0, 0},
        {"RouteClick?x=0.6&y=51.4", false, 0, 0, 0, 0},
        {"routeClick", false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        clicks.clear();
        ClickCallbackButton(QStringLiteral("http://callback/") + c.report);
        // A report that is certain to arrive marks the end of this case's reports.
        ClickCallbackButton(QStringLiteral("http://callback/routeClick?x=9&y=9"));
        ASSERT_TRUE(WaitFor([&] { return !clicks.isEmpty() && clicks.last()[0] == 9.0; }));
        ASSERT_EQ(clicks.size(), c.emitted ? 2 : 1);
        if (c.emitted) {
            EXPECT_DOUBLE_EQ(clicks.first()[0].toDouble(), c.lat);
            EXPECT_DOUBLE_EQ(clicks.first()[1].toDouble(), c.lng);
            EXPECT_EQ(clicks.first()[2].toInt(), c.route);
            EXPECT_EQ(clicks.first()[3].toInt(), c.point);
        }
    }
}

}  // namespace

#include "DlgMapTest.moc"

int main(int argc, char** argv) {
    const velto::testing::GuiTestEnvironment environment;
    auto app = maptest::MakeApplication(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
