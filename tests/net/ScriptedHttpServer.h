// A small scripted HTTP/1.1 server on 127.0.0.1 for the downloader tests, and the hostile server of
// the downloader's hostile tests. Every request is recorded (request line and headers) and answered by
// the test's handler; each answer closes its connection. An answer can send its body in timed pieces
// (a trickle), stop sending and keep the connection open (a stall), or go on sending as fast as the
// client reads (an endless body). The server is bounded: it answers at most kMaxRequests requests and
// closes everything kLifetimeMs after it started, whatever the test does.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

#include <functional>

class QTcpSocket;

struct HttpRequest {
    QByteArray method;
    QByteArray target;                    // path and query as sent
    QMap<QByteArray, QByteArray> headers; // lower-case names

    // The header's value, or "<absent>".
    QByteArray header(const QByteArray &name) const { return headers.value(name.toLower(), "<absent>"); }
    bool has(const QByteArray &name) const { return headers.contains(name.toLower()); }
};

struct HttpResponse {
    QByteArray head;          // status line and headers, without the blank line
    QByteArray body;          // sent right after the head
    QList<QByteArray> pieces; // sent later, one every pieceDelayMs
    int pieceDelayMs = 0;
    bool stall = false;      // after everything, keep the connection open and send nothing
    qint64 endlessBytes = 0; // after the body, up to this many more bytes, as fast as the client reads

    // A complete answer; a Content-Length header is added unless withLength is false.
    static HttpResponse Make(int status, const QByteArray &body,
                             const QList<QPair<QByteArray, QByteArray>> &headers = {}, bool withLength = true);
    // A 200 whose body (its length announced) arrives one byte every delayMs.
    static HttpResponse Trickle(const QByteArray &body, int delayMs,
                                const QList<QPair<QByteArray, QByteArray>> &headers = {});
    // A 200 without a length whose body never ends (up to `bytes`).
    static HttpResponse Endless(qint64 bytes);
};

class ScriptedHttpServer : public QObject
{
    Q_OBJECT

  public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;
    static constexpr int kMaxRequests = 200;
    static constexpr int kLifetimeMs = 120000;

    explicit ScriptedHttpServer(Handler handler);
    ~ScriptedHttpServer() override;

    QUrl url(const QString &path) const;
    quint16 port() const { return m_server.serverPort(); }
    const QList<HttpRequest> &requests() const { return m_requests; }
    void setHandler(Handler handler) { m_handler = std::move(handler); }

  private:
    void OnConnection();
    void OnReadable(QTcpSocket *socket);
    void Send(QTcpSocket *socket, const HttpResponse &response);
    void SendEndless(QTcpSocket *socket, qint64 bytes);

    QTcpServer m_server;
    Handler m_handler;
    QList<HttpRequest> m_requests;
    QMap<QTcpSocket *, QByteArray> m_pending;
};
