#pragma once

#include <QJsonArray>
#include <QString>
#include <QUrl>
#include <QWidget>

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
// latest route and the latest position) and delivered once it is.
class CDlgMap : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultPageId = 194;

    explicit CDlgMap(QWidget* parent = nullptr, int nHtmlId = kDefaultPageId);
    // Loads the page at pageUrl instead of a numbered page of the resources.
    CDlgMap(QWidget* parent, const QUrl& pageUrl);
    ~CDlgMap() override;

    // Latitude first, despite the name. Empty texts leave the marker where it is.
    void SetLgtLat(const QString& lat, const QString& lng, const QString& speed);
    void ClearPolyLine();
    void NewPolyLine();
    void PutMarkerToLine(const QString& lat, const QString& lng);
    void RenderPolyLine();
    // Makes the view cover its parent's client area and tells the page its height.
    void FixSize();

    QWebEnginePage* page() const;
    QWebEngineView* view() const { return m_pView; }

    // Set when the page reports its map created (inited), cleared when a new document
    // reports loaded; while it is clear, route and position calls are kept for later.
    bool m_bPageReady = false;

signals:
    void pageReady();

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
};
