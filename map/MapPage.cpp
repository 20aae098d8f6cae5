#include "MapPage.h"

#include <utility>

CMapPage::CMapPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

void CMapPage::SetNavigationFilter(NavigationFilter filter) {
    m_filter = std::move(filter);
}

bool CMapPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    if (m_filter && m_filter(url, type, isMainFrame)) {
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

void CMapPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                        const QString&) {
    // Script errors and messages of the map page are never shown.
}
