#pragma once

#include <QString>
#include <QWebEngineProfile>

// The web profile every map view of the process shares. Requests carry the
// program's own User-Agent (velto-player/<version>), as tile servers ask, and
// the HTTP cache is kept on disk in the user's cache folder
// (QStandardPaths::CacheLocation, under "map", at most 100 MiB), so tiles once
// seen load again without a network. No cookies are kept.
class CMapProfile : public QWebEngineProfile {
    Q_OBJECT

public:
    // The shared profile, made on first use; it lives until the application
    // object goes. Needs a QApplication.
    static CMapProfile* Shared();

    // "velto-player/<version>", the version being the project's.
    static QString UserAgent();

    // The folder of the profile's HTTP cache and other data.
    static QString StoragePath();

private:
    explicit CMapProfile(QObject* parent = nullptr);
};
