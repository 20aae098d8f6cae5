#include "CDlgMap.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QJsonDocument>
#include <QMouseEvent>
#include <QPalette>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "MapCallbackBridge.h"
#include "MapPage.h"
#include "MapProfile.h"

#include <cmath>

namespace {

const char kLoadedReport[] = "http://callback/loaded";
const char kInitedReport[] = "http://callback/inited";
const char kCallbackPrefix[] = "http://callback";  // first 15 characters of every report
const char kRouteClickReport[] = "http://callback/routeClick?";
const char kMarkerUrl[] = "qrc:/png/marker.png";
const char kBridgeName[] = "veltoBridge";

// Start of the map: the single-precision values of 51.483333 and 0.604167 widened to double.
constexpr double kStartLatitude = 51.483333587646484;
constexpr double kStartLongitude = 0.6041669845581055;
constexpr int kStartZoom = 12;
const char kMapTypeName[] = "Open Street Map";

// Runs in its own script world, apart from the page's scripts: hears every
// click of the hidden button "btnCallback" and passes the button's value to
// the host. Values clicked before the web channel is up are queued.
const char kCallbackListener[] = R"JS(
(function () {
    var queue = [];
    var bridge = null;
    function send(value) {
        if (bridge) { bridge.report(value); } else { queue.push(value); }
    }
    document.addEventListener("click", function (e) {
        var t = e.target;
        if (t && t.id === "btnCallback" && t.getAttribute) {
            var v = t.getAttribute("value");
            send(v === null ? "" : String(v));
        }
    }, true);
    function connect(triesLeft) {
        if (typeof qt === "undefined" || !qt.webChannelTransport) {
            if (triesLeft > 0) { setTimeout(function () { connect(triesLeft - 1); }, 10); }
            return;
        }
        new QWebChannel(qt.webChannelTransport, function (channel) {
            bridge = channel.objects.veltoBridge;
            queue.splice(0).forEach(function (v) { bridge.report(v); });
        });
    }
    connect(500);
})();
)JS";

QString JsonText(const QJsonArray& array) {
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

// One guarded call of a page function; name and arguments travel as JSON data.
// A missing function or a script error changes nothing and reports nothing.
QString ScriptCall(const QString& function, const QJsonArray& args = QJsonArray()) {
    return QStringLiteral(
               "(function(n,a){var f=window[n];if(typeof "
               "f==='function'){try{f.apply(window,a);}catch(e){}}})(") +
           JsonText(QJsonArray{function}) + QStringLiteral("[0],") + JsonText(args) +
           QStringLiteral(");\n");
}

QString PageUrlForId(int nHtmlId) {
    return QStringLiteral("qrc:/html/%1.html").arg(nHtmlId);
}

}  // namespace

CDlgMap::CDlgMap(QWidget* parent, int nHtmlId) : CDlgMap(parent, QUrl(PageUrlForId(nHtmlId))) {}

CDlgMap::CDlgMap(QWidget* parent, const QUrl& pageUrl) : QWidget(parent), m_pageUrl(pageUrl) {
    SetUpView();
    if (parent) {
        parent->installEventFilter(this);
    }
    FixSize();
    m_pPage->load(m_pageUrl);
}

CDlgMap::~CDlgMap() {
    if (parentWidget()) {
        parentWidget()->removeEventFilter(this);
    }
    // The view goes first so that it never shows a page that is being destroyed.
    delete m_pView;
    m_pView = nullptr;
    delete m_pPage;
    m_pPage = nullptr;
}

QWebEnginePage* CDlgMap::page() const {
    return m_pPage;
}

void CDlgMap::SetUpView() {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    m_pPage = new CMapPage(CMapProfile::Shared(), this);
    m_pPage->setBackgroundColor(Qt::black);
    QWebEngineSettings* settings = m_pPage->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    m_pPage->SetNavigationFilter(
        [this](const QUrl& url, QWebEnginePage::NavigationType type, bool isMainFrame) {
            if (OnBeforeNavigate2(url)) {
                return true;
            }
            return type == QWebEnginePage::NavigationTypeLinkClicked && isMainFrame &&
                   HandleLinkClick(url);
        });

    m_pBridge = new CMapCallbackBridge(this);
    connect(m_pBridge, &CMapCallbackBridge::reported, this, &CDlgMap::OnCallback);
    m_pChannel = new QWebChannel(this);
    m_pChannel->registerObject(QString::fromLatin1(kBridgeName), m_pBridge);
    m_pPage->setWebChannel(m_pChannel, QWebEngineScript::ApplicationWorld);
    InstallCallbackListener();

    connect(m_pPage, &QWebEnginePage::loadFinished, this, &CDlgMap::OnLoadFinished);

    m_pView = new QWebEngineView(this);
    m_pView->setContextMenuPolicy(Qt::NoContextMenu);
    m_pView->setPage(m_pPage);
    WatchInput(m_pView);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pView);
}

void CDlgMap::InstallCallbackListener() {
    QFile channelScript(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    QString source;
    if (channelScript.open(QIODevice::ReadOnly)) {
        source = QString::fromUtf8(channelScript.readAll());
    }
    source += QString::fromLatin1(kCallbackListener);

    QWebEngineScript script;
    script.setName(QStringLiteral("velto-map-callback"));
    script.setSourceCode(source);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    m_pPage->scripts().insert(script);
}

// Key presses and right clicks never reach the page; it shows no context menu.
void CDlgMap::WatchInput(QObject* object) {
    object->installEventFilter(this);
    for (QObject* child : object->children()) {
        if (child->isWidgetType()) {
            WatchInput(child);
        }
    }
}

bool CDlgMap::IsSwallowedInput(const QEvent* event) const {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            return mouse->button() == Qt::RightButton || (mouse->buttons() & Qt::RightButton);
        }
        default:
            return false;
    }
}

bool CDlgMap::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget()) {
        if (event->type() == QEvent::Resize) {
            FixSize();
        }
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child && child->isWidgetType()) {
            WatchInput(child);
        }
    }
    if (IsSwallowedInput(event)) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// Links of the page (the map's attribution) open in the user's browser; the view stays on the map.
bool CDlgMap::HandleLinkClick(const QUrl& url) {
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        QDesktopServices::openUrl(url);
        return true;
    }
    return false;
}

void CDlgMap::OnLoadFinished(bool ok) {
    if (ok) {
        FixSize();
    }
}

void CDlgMap::FixSize() {
    QWidget* parent = parentWidget();
    if (!parent) {
        return;
    }
    const QRect client = parent->contentsRect();
    setGeometry(client);
    update();
    if (m_bPageReady) {
        CallScript(QStringLiteral("fix"), QJsonArray{client.height()});
    }
}

void CDlgMap::CallScript(const QString& function, const QJsonArray& args) {
    m_pPage->runJavaScript(ScriptCall(function, args));
}

void CDlgMap::SetMarkerURL() {
    CallScript(QStringLiteral("setMarkerURL"), QJsonArray{QString::fromLatin1(kMarkerUrl)});
}

void CDlgMap::InitializeMap() {
    CallScript(QStringLiteral("initialize"), QJsonArray{kStartLatitude, kStartLongitude, kStartZoom,
                                                        QString::fromLatin1(kMapTypeName)});
}

void CDlgMap::OnCallback(const QString& value) {
    if (value == QLatin1String(kLoadedReport)) {
        // A new document: it has no map until it reports inited.
        m_bPageReady = false;
        SetMarkerURL();
        SendTileSource();
        InitializeMap();
    } else if (value == QLatin1String(kInitedReport)) {
        SetPageReady();
    } else if (value.startsWith(QLatin1String(kRouteClickReport))) {
        OnRouteClickReport(value);
    }
}

// "routeClick?x=<longitude>&y=<latitude>&r=<route>&p=<point>"; r and p may be missing.
void CDlgMap::OnRouteClickReport(const QString& value) {
    const QUrlQuery query(value.mid(static_cast<int>(sizeof(kRouteClickReport)) - 1));
    bool lngOk = false, latOk = false;
    const double lng = query.queryItemValue(QStringLiteral("x")).toDouble(&lngOk);
    const double lat = query.queryItemValue(QStringLiteral("y")).toDouble(&latOk);
    if (!lngOk || !latOk || !std::isfinite(lng) || !std::isfinite(lat) || std::fabs(lat) > 90) {
        return;
    }
    bool ok = false;
    int nRoute = query.queryItemValue(QStringLiteral("r")).toInt(&ok);
    if (!ok || nRoute < -1 || nRoute >= m_tripRoutes.size()) {
        nRoute = -1;
    }
    int nPoint = query.queryItemValue(QStringLiteral("p")).toInt(&ok);
    if (!ok || nPoint < -1) {
        nPoint = -1;
    }
    emit routeClicked(lat, lng, nRoute, nPoint);
}

bool CDlgMap::SetTileSource(const QString& urlTemplate, const QString& attribution) {
    bool accepted = false;
    m_tileSource = CTileSource::Make(urlTemplate, attribution, &accepted);
    m_bTileSourceSent = false;
    if (m_bPageReady) {
        SendTileSource();
    }
    return accepted;
}

// The page keeps the source for its next initialize and applies it to a map that exists.
void CDlgMap::SendTileSource() {
    CallScript(QStringLiteral("setTileSource"),
               QJsonArray{m_tileSource.UrlTemplate(), m_tileSource.Attribution()});
    m_bTileSourceSent = true;
}

bool CDlgMap::OnBeforeNavigate2(const QUrl& url) {
    const QString address = url.toString();
    if (!address.startsWith(QLatin1String(kCallbackPrefix))) {
        return false;
    }
    if (address == QLatin1String(kInitedReport)) {
        SetPageReady();
    }
    return true;
}

void CDlgMap::SetPageReady() {
    m_bPageReady = true;
    DeliverKeptState();
    FixSize();
    emit pageReady();
}

// The map was (re)created empty: show the latest route and position on it.
void CDlgMap::DeliverKeptState() {
    // A source set between the page's "loaded" and "inited" is not on the map yet.
    if (!m_bTileSourceSent) {
        SendTileSource();
    }
    QString script;
    if (m_bTripShown) {
        // setRoutes replaces what is drawn; a new map is fitted to the trip.
        script += TripRoutesScript(true);
    } else if (m_bRouteBegun || !m_routePoints.isEmpty()) {
        // Clearing first keeps a repeated "inited" from drawing the route twice.
        script += ScriptCall(QStringLiteral("clearPolyLine"));
        script += ScriptCall(QStringLiteral("newPolyLine"));
        m_nSentPoints = 0;
        script += TakeUnsentPointsScript();
        if (m_bRouteRendered) {
            script += ScriptCall(QStringLiteral("renderPolyLine"));
        }
    }
    if (!m_lastPosition.isEmpty()) {
        script += ScriptCall(QStringLiteral("SetLgtLat"), m_lastPosition);
    }
    if (!script.isEmpty()) {
        m_pPage->runJavaScript(script);
    }
}

// Route points reach the page in one call when the route is rendered.
QString CDlgMap::TakeUnsentPointsScript() {
    if (m_nSentPoints >= m_routePoints.size()) {
        return QString();
    }
    QJsonArray unsent;
    for (int i = m_nSentPoints; i < m_routePoints.size(); ++i) {
        unsent.append(m_routePoints.at(i));
    }
    m_nSentPoints = m_routePoints.size();
    return ScriptCall(QStringLiteral("putMarkersToLine"), QJsonArray{unsent});
}

void CDlgMap::SetLgtLat(const QString& lat, const QString& lng, const QString& speed) {
    const QJsonArray args{lat, lng, speed};
    if (!lat.isEmpty()) {
        m_lastPosition = args;
    }
    if (m_bPageReady) {
        CallScript(QStringLiteral("SetLgtLat"), args);
    }
}

void CDlgMap::ClearPolyLine() {
    m_bRouteRendered = false;
    ForgetTripRoutes();
    if (m_bPageReady) {
        CallScript(QStringLiteral("clearPolyLine"));
    }
}

void CDlgMap::NewPolyLine() {
    ForgetTripRoutes();
    m_routePoints = QJsonArray();
    m_nSentPoints = 0;
    m_bRouteBegun = true;
    m_bRouteRendered = false;
    if (m_bPageReady) {
        CallScript(QStringLiteral("newPolyLine"));
    }
}

void CDlgMap::PutMarkerToLine(const QString& lat, const QString& lng) {
    m_routePoints.append(QJsonArray{lat, lng});
}

void CDlgMap::RenderPolyLine() {
    m_bRouteRendered = true;
    if (m_bPageReady) {
        m_pPage->runJavaScript(TakeUnsentPointsScript() +
                               ScriptCall(QStringLiteral("renderPolyLine")));
    }
}

void CDlgMap::SetTripRoutes(const QList<Route>& routes, int nCurrent, bool bFitView) {
    QJsonArray all;
    for (const Route& route : routes) {
        QJsonArray points;
        for (const RoutePoint& p : route) {
            points.append(QJsonArray{p.lat, p.lng});
        }
        all.append(points);
    }
    // The trip replaces the single route, here and on a page that starts again.
    m_routePoints = QJsonArray();
    m_nSentPoints = 0;
    m_bRouteBegun = false;
    m_bRouteRendered = false;
    m_tripRoutes = all;
    m_nCurrentRoute = nCurrent;
    m_bTripShown = true;
    if (m_bPageReady) {
        m_pPage->runJavaScript(TripRoutesScript(bFitView));
    }
}

QString CDlgMap::TripRoutesScript(bool bFitView) const {
    return ScriptCall(QStringLiteral("setRoutes"),
                      QJsonArray{m_tripRoutes, m_nCurrentRoute, bFitView});
}

void CDlgMap::ForgetTripRoutes() {
    m_tripRoutes = QJsonArray();
    m_nCurrentRoute = -1;
    m_bTripShown = false;
}
