#include "MapProfile.h"

#include <QCoreApplication>
#include <QStandardPaths>

#ifndef VELTO_VERSION
#error "VELTO_VERSION (the project's version) must be defined by the build"
#endif

namespace {

// Room for some thousands of tiles; the engine drops the least recently used beyond it.
constexpr int kHttpCacheBytes = 100 * 1024 * 1024;

CMapProfile* g_pShared = nullptr;

// Runs while the application object is destroyed, before Qt WebEngine shuts
// down, so the cache is written out while the engine still runs.
void DeleteShared() {
    delete g_pShared;
    g_pShared = nullptr;
}

}  // namespace

CMapProfile::CMapProfile(QObject* parent) : QWebEngineProfile(QStringLiteral("map"), parent) {
    const QString root = StoragePath();
    setCachePath(root);
    setPersistentStoragePath(root);
    setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    setHttpCacheMaximumSize(kHttpCacheBytes);
    setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    setHttpUserAgent(UserAgent());
}

CMapProfile* CMapProfile::Shared() {
    if (!g_pShared) {
        g_pShared = new CMapProfile();
        qAddPostRoutine(DeleteShared);
    }
    return g_pShared;
}

QString CMapProfile::UserAgent() {
    return QStringLiteral("velto-player/" VELTO_VERSION);
}

QString CMapProfile::StoragePath() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/map");
}
