#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

// A tile server on 127.0.0.1 for the map tests: it records every request with
// its headers and answers with a tile, with an error, or not at all.
class TileServerStandIn : public QObject {
    Q_OBJECT

public:
    enum class Mode {
        Tiles,     // 200, a 256 px PNG that may be cached for a day
        NotFound,  // 404 with a text body
        Hang,      // reads the request and never answers
    };

    struct Request {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers;  // names in lower case
    };

    explicit TileServerStandIn(Mode mode = Mode::Tiles);
    ~TileServerStandIn() override;

    // Listens on 127.0.0.1 (port 0: any free port). Returns false on failure.
    bool Listen(quint16 port = 0);
    // Stops listening and drops every connection: the port refuses connections.
    void Close();
    // Requests held by Hang are answered in the new mode.
    void SetMode(Mode mode);

    quint16 Port() const { return m_nPort; }
    // http://127.0.0.1:<port>/{z}/{x}/{y}.png
    QString UrlTemplate() const;
    // "127.0.0.1:<port>", the host as the map names it.
    QString HostAndPort() const;
    // The PNG served as every tile.
    const QByteArray& Tile() const { return m_tile; }

    QList<Request> requests;

private:
    void OnNewConnection();
    void OnReadyRead(QTcpSocket* socket);
    void Answer(QTcpSocket* socket);

    QTcpServer* m_pServer = nullptr;
    Mode m_mode;
    quint16 m_nPort = 0;
    QByteArray m_tile;
    QList<QTcpSocket*> m_held;  // one entry per request held by Hang
    QHash<QTcpSocket*, QByteArray> m_pending;
};
