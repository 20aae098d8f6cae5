#pragma once

#include <QWebEnginePage>

#include <functional>

// The web page of the map view: script console output stays quiet, and every
// navigation is first offered to a filter that may cancel it.
class CMapPage : public QWebEnginePage {
    Q_OBJECT

public:
    // Returns true when the navigation is to be cancelled.
    using NavigationFilter =
        std::function<bool(const QUrl& url, NavigationType type, bool isMainFrame)>;

    CMapPage(QWebEngineProfile* profile, QObject* parent = nullptr);

    void SetNavigationFilter(NavigationFilter filter);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;

private:
    NavigationFilter m_filter;
};
