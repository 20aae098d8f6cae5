#pragma once

#include <QJsonArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>

#include "TileSource.h"

class QWebChannel;
class QWebEnginePage;
class QWebEngineView;
class CMapCallbackBridge;
class CMapPage;

// The map view: hosts the map page in a web view that covers its parent (the
// main window's map placeholder) and drives it by calling the page's script
// functions. The page reports through its hidden button "btnCallback"; the
// reports "loaded" and "inited" start the map and make the view ready.
//
// Route and position calls made while the page is not ready are kept (the
// latest route or trip, the latest position and the tile source) and
// delivered once it is.
//
// Every map view of the process loads through one web profile, CMapProfile:
// the program's User-Agent and an HTTP cache on disk.
class CDlgMap : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultPageId = 194;

    // A point of a route: latitude and longitude as the telemetry's texts.
    struct RoutePoint {
        QString lat;
        QString lng;
    };
    using Route = QList<RoutePoint>;

    explicit CDlgMap(QWidget* parent = nullptr, int nHtmlId = kDefaultPageId);
    // Loads the page at pageUrl instead of a numbered page of the resources.
    CDlgMap(QWidget* parent, const QUrl& pageUrl);
    ~CDlgMap() override;

    // Latitude first, despite the name. Moves the marker; the map follows it
    // only when it comes within 5% of the view's edge or leaves the view (it
    // then centres on it). Empty texts leave the marker where it is.
    void SetLgtLat(const QString& lat, const QString& lng, const QString& speed);
    void ClearPolyLine();
    void NewPolyLine();
    void PutMarkerToLine(const QString& lat, const QString& lng);
    void RenderPolyLine();

    // Draws the routes of a whole trip, each recording's route its own line:
    // routes[nCurrent] as a single route is drawn (#0000ff, weight 6) on top,
    // the others in a quieter line. With bFitView the view then shows every
    // route (as when a recording starts); afterwards the map follows the
    // marker only when it leaves the view. Replaces whatever route was drawn;
    // ClearPolyLine removes it. Points that are not numbers are left out but
    // keep their places: a route click counts points as given here.
    void SetTripRoutes(const QList<Route>& routes, int nCurrent, bool bFitView = true);

    // The tile server: an http(s) URL template with {z}, {x} and {y}, and the
    // attribution the map shows for it (text; links <a href="http(s)://...">
    // are kept, every other tag shows as text). A template that is not usable
    // gives OpenStreetMap's server and attribution, and false. Applied to the
    // page now, or when it starts.
    bool SetTileSource(const QString& urlTemplate, const QString& attribution);
    const CTileSource& TileSource() const { return m_tileSource; }
    // Makes the view cover its parent's client area and tells the page its height.
    void FixSize();

    QWebEnginePage* page() const;
    QWebEngineView* view() const { return m_pView; }

    // Set when the page reports its map created (inited), cleared when a new document
    // reports loaded; while it is clear, route and position calls are kept for later.
    bool m_bPageReady = false;

signals:
    void pageReady();
    // The user clicked a route at lat, lng. nRoute is the route's index in the
    // last SetTripRoutes call (-1: the route of the single-route calls), nPoint
    // the index within that route of the point nearest to the click (-1 when
    // unknown), counted over the points as they were given.
    void routeClicked(double lat, double lng, int nRoute, int nPoint);

protected:
    void SetMarkerURL();
    void InitializeMap();
    void OnCallback(const QString& value);
    // Returns true when the navigation to url is cancelled.
    bool OnBeforeNavigate2(const QUrl& url);
    void CallScript(const QString& function, const QJsonArray& args = QJsonArray());

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpView();
    void InstallCallbackListener();
    void WatchInput(QObject* object);
    bool IsSwallowedInput(const QEvent* event) const;
    bool HandleLinkClick(const QUrl& url);
    void OnLoadStarted();
    void OnLoadFinished(bool ok);
    void SetPageReady();
    void DeliverKeptState();
    QString TakeUnsentPointsScript();
    QString TripRoutesScript(bool bFitView) const;
    void OnRouteClickReport(const QString& value);
    void ForgetTripRoutes();
    void SendTileSource();

    CMapPage* m_pPage = nullptr;
    QWebEngineView* m_pView = nullptr;
    QWebChannel* m_pChannel = nullptr;
    CMapCallbackBridge* m_pBridge = nullptr;
    QUrl m_pageUrl;

    // The latest route (its points since the last NewPolyLine) and position,
    // kept so that a page that becomes ready (again) shows them.
    QJsonArray m_routePoints;
    int m_nSentPoints = 0;
    bool m_bRouteBegun = false;
    bool m_bRouteRendered = false;
    QJsonArray m_lastPosition;

    // The latest trip (SetTripRoutes), kept the same way; empty when the
    // single-route calls drew last.
    QJsonArray m_tripRoutes;
    int m_nCurrentRoute = -1;
    bool m_bTripShown = false;

    CTileSource m_tileSource = CTileSource::Default();
    bool m_bTileSourceSent = false;  // the page has m_tileSource
};
