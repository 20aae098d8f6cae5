// CDlgMap with the real map page in Qt WebEngine (run under Xvfb, offline).
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <cmath>
#include <memory>
#include <vector>

#include "CDlgMap.h"
#include "MapProfile.h"
#include "MapTestSupport.h"

using maptest::PageState;
using maptest::WaitFor;

namespace {

// Leaflet pans by whole pixels: at zoom 12 one pixel spans about 0.00034 degrees of longitude.
constexpr double kPixelAtZoom12 = 0.0004;

struct Point {
    QString lat;
    QString lng;
};

// Records the requests that reach the network layer (there is no network here):
// tile requests, and navigations that were let through to the callback address.
class RequestRecorder : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QString host = info.requestUrl().host();
        if (host == QLatin1String("tile.openstreetmap.org")) {
            ++tileRequests;
        } else if (host == QLatin1String("callback")) {
            ++callbackRequests;
        }
    }
    int tileRequests = 0;
    int callbackRequests = 0;
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

// Installs a recorder on the map views' profile for the life of the scope.
class ScopedRecorder {
public:
    ScopedRecorder() { CMapProfile::Shared()->setUrlRequestInterceptor(&recorder); }
    ~ScopedRecorder() { CMapProfile::Shared()->setUrlRequestInterceptor(nullptr); }
    RequestRecorder recorder;
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

class MapTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_parent = std::make_unique<QFrame>();
        m_parent->setFrameStyle(QFrame::Box | QFrame::Plain);
        m_parent->resize(640, 480);
        m_parent->show();
    }

    CDlgMap* MakeMap(const QUrl& url = QUrl()) {
        m_map = url.isEmpty() ? new CDlgMap(m_parent.get()) : new CDlgMap(m_parent.get(), url);
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
    QJsonObject WaitForState(const std::function<bool(const QJsonObject&)>& condition) {
        QJsonObject state;
        WaitFor(
            [&] {
                state = State();
                return condition(state);
            },
            10000);
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

    std::unique_ptr<QFrame> m_parent;
    CDlgMap* m_map = nullptr;  // owned by m_parent
};

TEST_F(MapTest, LoadsOfflineAnswersLoadedAndBecomesReady) {
    ScopedRecorder requests;
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

    // Tiles are asked for even though they cannot load here, and the map stays up.
    EXPECT_TRUE(WaitFor([&] { return requests.recorder.tileRequests > 0; }, 10000));
    EXPECT_TRUE(WaitFor([&] { return State()["tileErrors"].toInt() > 0; }, 10000));
    EXPECT_EQ(State()["initialised"].toInt(), 1);
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

TEST_F(MapTest, SetLgtLatMovesMarkerAndPansEmptyTextsLeaveIt) {
    MakeReadyMap();
    m_map->SetLgtLat("51.501234", "0.612345", "0");
    QJsonObject s = WaitForState([](const QJsonObject& st) {
        return st["markerOnMap"].toBool() &&
               Near(st["center"], 51.501234, 0.612345, kPixelAtZoom12);
    });
    EXPECT_TRUE(s["markerOnMap"].toBool());
    EXPECT_TRUE(Near(s["marker"], 51.501234, 0.612345));
    EXPECT_TRUE(Near(s["center"], 51.501234, 0.612345, kPixelAtZoom12))
        << s["center"].toArray()[0].toDouble() << "," << s["center"].toArray()[1].toDouble();

    m_map->SetLgtLat("", "", "");
    m_map->SetLgtLat("", "0.700000", "0");
    QTest::qWait(300);
    s = State();
    EXPECT_TRUE(s["markerOnMap"].toBool());
    EXPECT_TRUE(Near(s["marker"], 51.501234, 0.612345));
    EXPECT_TRUE(Near(s["center"], 51.501234, 0.612345, kPixelAtZoom12))
        << s["center"].toArray()[0].toDouble() << "," << s["center"].toArray()[1].toDouble();
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
    ScopedRecorder requests;
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
    EXPECT_EQ(requests.recorder.callbackRequests, 0) << "a callback navigation was let through";
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
    EXPECT_EQ(browser.opened.first(), QUrl("https://www.openstreetmap.org/copyright"));
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

}  // namespace

#include "DlgMapTest.moc"

int main(int argc, char** argv) {
    const velto::testing::GuiTestEnvironment environment;
    auto app = maptest::MakeApplication(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
