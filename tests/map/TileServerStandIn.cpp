#include "TileServerStandIn.h"

#include <QBuffer>
#include <QHostAddress>
#include <QImage>
#include <QPainter>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

constexpr int kMaxRequestHead = 64 * 1024;

QByteArray MakeTilePng() {
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(QColor(0xe8, 0xe4, 0xd8));
    QPainter painter(&image);
    painter.setPen(QColor(0xb0, 0xa8, 0x98));
    painter.drawRect(0, 0, 255, 255);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

}  // namespace

TileServerStandIn::TileServerStandIn(Mode mode) : m_mode(mode), m_tile(MakeTilePng()) {}

TileServerStandIn::~TileServerStandIn() {
    Close();
}

bool TileServerStandIn::Listen(quint16 port) {
    Close();
    m_pServer = new QTcpServer(this);
    connect(m_pServer, &QTcpServer::newConnection, this, &TileServerStandIn::OnNewConnection);
    if (!m_pServer->listen(QHostAddress::LocalHost, port)) {
        return false;
    }
    m_nPort = m_pServer->serverPort();
    return true;
}

void TileServerStandIn::Close() {
    m_held.clear();
    m_pending.clear();
    if (!m_pServer) {
        return;
    }
    m_pServer->close();
    for (QTcpSocket* socket : m_pServer->findChildren<QTcpSocket*>()) {
        socket->abort();
    }
    delete m_pServer;
    m_pServer = nullptr;
}

void TileServerStandIn::SetMode(Mode mode) {
    m_mode = mode;
    const QList<QTcpSocket*> held = m_held;
    m_held.clear();
    for (QTcpSocket* socket : held) {
        Answer(socket);
    }
}

QString TileServerStandIn::UrlTemplate() const {
    return QStringLiteral("http://%1/{z}/{x}/{y}.png").arg(HostAndPort());
}

QString TileServerStandIn::HostAndPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(m_nPort);
}

void TileServerStandIn::OnNewConnection() {
    while (QTcpSocket* socket = m_pServer->nextPendingConnection()) {
        // The socket stays a child of the server, so Close() finds it.
        socket->setParent(m_pServer);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_held.removeAll(socket);
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

// Reads request heads as they complete; browsers send no body with GET.
void TileServerStandIn::OnReadyRead(QTcpSocket* socket) {
    QByteArray& pending = m_pending[socket];
    pending += socket->readAll();
    for (qsizetype end = pending.indexOf("\r\n\r\n"); end >= 0; end = pending.indexOf("\r\n\r\n")) {
        const QList<QByteArray> lines = pending.left(end).split('\n');
        pending.remove(0, end + 4);
        Request request;
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) {
                request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                       lines[i].mid(colon + 1).trimmed());
            }
        }
        requests.append(request);
        Answer(socket);
    }
    if (pending.size() > kMaxRequestHead) {
        socket->abort();
    }
}

void TileServerStandIn::Answer(QTcpSocket* socket) {
    QByteArray response;
    if (m_mode == Mode::Hang) {
        m_held.append(socket);
        return;
    }
    if (m_mode == Mode::Tiles) {
        response =
            "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n"
            "Cache-Control: public, max-age=86400\r\nContent-Length: " +
            QByteArray::number(m_tile.size()) + "\r\n\r\n" + m_tile;
    } else {
        response =
            "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 9\r\n\r\n"
            "not found";
    }
    socket->write(response);
}
