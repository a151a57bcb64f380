// The scripted loopback HTTP server of the downloader tests.
#include "net/ScriptedHttpServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace
{

QByteArray Reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 407:
        return "Proxy Authentication Required";
    case 416:
        return "Range Not Satisfiable";
    default:
        return "Status";
    }
}

// One request head has no business being larger than this.
constexpr int kMaxRequestHead = 64 * 1024;

} // namespace

HttpResponse HttpResponse::Make(int status, const QByteArray &body, const QList<QPair<QByteArray, QByteArray>> &headers,
                                bool withLength)
{
    HttpResponse response;
    response.head = "HTTP/1.1 " + QByteArray::number(status) + " " + Reason(status) + "\r\n";
    for (const auto &header : headers)
        response.head += header.first + ": " + header.second + "\r\n";
    if (withLength) response.head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    response.head += "Connection: close\r\n";
    response.body = body;
    return response;
}

HttpResponse HttpResponse::Trickle(const QByteArray &body, int delayMs,
                                   const QList<QPair<QByteArray, QByteArray>> &headers)
{
    HttpResponse response = Make(200, QByteArray(), headers, false);
    response.head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    for (const char c : body)
        response.pieces.append(QByteArray(1, c));
    response.pieceDelayMs = delayMs;
    return response;
}

HttpResponse HttpResponse::Endless(qint64 bytes)
{
    HttpResponse response = Make(200, QByteArray(), {}, false);
    response.endlessBytes = bytes;
    return response;
}

ScriptedHttpServer::ScriptedHttpServer(Handler handler) : m_handler(std::move(handler))
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedHttpServer::OnConnection);
    // However a test goes, the server does not outlive its bounds.
    QTimer::singleShot(kLifetimeMs, this, [this] {
        m_server.close();
        for (QTcpSocket *socket : findChildren<QTcpSocket *>())
            socket->abort();
    });
}

ScriptedHttpServer::~ScriptedHttpServer() = default;

QUrl ScriptedHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

void ScriptedHttpServer::OnConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_pending.remove(socket); });
    }
}

void ScriptedHttpServer::OnReadable(QTcpSocket *socket)
{
    QByteArray &buffer = m_pending[socket];
    buffer += socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        if (buffer.size() > kMaxRequestHead) socket->abort();
        return;
    }
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    buffer.clear();
    HttpRequest request;
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.target = first.value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0) request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    m_requests.append(request);
    if (m_requests.size() > kMaxRequests) {
        socket->abort();
        return;
    }
    Send(socket, m_handler(request));
}

void ScriptedHttpServer::Send(QTcpSocket *socket, const HttpResponse &response)
{
    socket->write(response.head + "\r\n" + response.body);
    if (response.endlessBytes > 0) {
        SendEndless(socket, response.endlessBytes);
        return;
    }
    QPointer<QTcpSocket> guarded(socket);
    auto finish = [guarded, stall = response.stall] {
        if (guarded && !stall) guarded->disconnectFromHost();
    };
    if (response.pieces.isEmpty()) {
        finish();
        return;
    }
    for (int i = 0; i < response.pieces.size(); ++i) {
        const bool last = i + 1 == response.pieces.size();
        QTimer::singleShot(response.pieceDelayMs * (i + 1), this, [guarded, piece = response.pieces[i], last, finish] {
            if (!guarded) return;
            guarded->write(piece);
            if (last) finish();
        });
    }
}

// Keeps about 256 KiB queued until `bytes` went out or the client went away.
void ScriptedHttpServer::SendEndless(QTcpSocket *socket, qint64 bytes)
{
    constexpr qint64 kQueued = 256 * 1024;
    const QByteArray block(64 * 1024, 'z');
    auto left = std::make_shared<qint64>(bytes);
    auto refill = [socket, block, left] {
        while (*left > 0 && socket->bytesToWrite() < kQueued && socket->state() == QAbstractSocket::ConnectedState) {
            const qint64 n = std::min<qint64>(*left, block.size());
            socket->write(block.constData(), n);
            *left -= n;
        }
        if (*left == 0) socket->disconnectFromHost();
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}
