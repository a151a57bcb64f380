// The scripted loopback HTTP server of the downloader tests.
#include "net/ScriptedHttpServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

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

ScriptedHttpServer::ScriptedHttpServer(Handler handler) : m_handler(std::move(handler))
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedHttpServer::OnConnection);
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
    Send(socket, m_handler(request));
}

void ScriptedHttpServer::Send(QTcpSocket *socket, const HttpResponse &response)
{
    socket->write(response.head + "\r\n" + response.body);
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
