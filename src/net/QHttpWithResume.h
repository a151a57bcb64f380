// QtDownloader::QHttpWithResume: the program's one HTTP GET engine. A request writes its body either
// into a caller's buffer (Get) or into a file (ResumeGet). A file download keeps two files beside its
// target T while it runs or after it was interrupted:
//   T.part  the bytes received so far;
//   T.st    four lines: ETag, request URL (encoded, password removed), full Content-Length,
//           Last-Modified. Written only from a 200 answer that carries a Content-Length.
// The next ResumeGet of the same URL and target continues with a range request guarded by the ETag
// (or the date), or, when T is complete, asks whether it changed (304 keeps T).
//
// Completion of every request is reported once through ResumeRequestFinished, always from the event
// loop (a request that fails before a reply exists reports a negative identifier and no reply). A
// redirect or a range restart replaces the reply and its record without reporting the old one.
#pragma once

#include "net/Hash.h"
#include "net/IContentDecoder.h"
#include "support/Limits.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QObject>
#include <QSslError>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <memory>

class QAuthenticator;

namespace QtDownloader
{

// The identifier ResumeRequestFinished carries for every request that produced a reply.
constexpr int kReplyRequestId = 42;
// Default redirect limit, default inactivity period and the largest chunk read from a reply at once.
constexpr int kDefaultRedirectLimit = Limits::kMaxRedirects;
constexpr int kDefaultInactivityTimeoutMs = 30000;
constexpr qint64 kReadChunkSize = Limits::kDownloadReadChunk;
constexpr int kIntervalTimerMs = 50;

// What a request may take besides the inactivity period; the defaults come from Limits.h and tests
// shorten them. A zero turns that check off.
struct TransferLimits {
    qint64 smallDocumentBytes = Limits::kSmallDocumentBytes;
    int smallDocumentDeadlineMs = Limits::kSmallDocumentDeadlineMs;
    qint64 minimumAverageRate = Limits::kMinDownloadRate; // bytes per second
    int rateGraceMs = Limits::kDownloadRateGraceMs;
    qint64 memoryBytes = Limits::kMaxDownloadMemoryBytes; // largest body Get keeps
};

class QHttpWithResume : public QObject
{
    Q_OBJECT

  public:
    // With no manager given, the engine creates its own.
    explicit QHttpWithResume(std::shared_ptr<QNetworkAccessManager> manager = {}, QObject *parent = nullptr);
    ~QHttpWithResume() override;

    // File download into fileName (made absolute). Returns the reply, or null when the request could
    // not be started; completion is reported through ResumeRequestFinished in both cases.
    QNetworkReply *ResumeGet(const QUrl &url, const QString &fileName, const ContentDecoders &decoders = {},
                             int algorithm = Hash::None);
    // In-memory download: the buffer is emptied and reopened, and receives the body.
    QNetworkReply *Get(const QUrl &url, std::shared_ptr<QBuffer> buffer, const ContentDecoders &decoders = {},
                       int algorithm = Hash::None);

    // Inactivity period: a reply that receives nothing for this long is aborted.
    void SetTimeout(int milliseconds);
    int Timeout() const;
    // true: follow up to 10 redirects; false: none.
    void HandleRedirects(bool follow);
    // The overall deadline of small documents, the minimum average rate and the in-memory body limit of
    // the requests started from now on.
    void SetTransferLimits(const TransferLimits &limits);
    const TransferLimits &GetTransferLimits() const { return m_limits; }

    // 99 when the last request set an error text, otherwise 0.
    int GetErrorCode() const;
    QString GetErrorString() const;
    void SetErrorString(const QString &text);
    void ResetErrorStatus();

    std::shared_ptr<QNetworkAccessManager> NetworkAccessManager() const { return m_manager; }

    // Transfer rates of the current response in bytes per second: over the last measuring interval
    // and since the response headers arrived.
    double IntervalRate() const;
    double AverageRate() const;

  signals:
    void ResumeDataReadProgress(qint64 done, qint64 total);
    // id: kReplyRequestId, or a negative failure identifier when no reply existed (resp is null).
    // resp is valid while the signal is delivered; the engine deletes it afterwards.
    // hashValue: raw digest of the whole stored file when an algorithm was asked for, else empty.
    void ResumeRequestFinished(int id, bool error, QNetworkReply *resp, const QByteArray &hashValue);
    void DelayedResumeRequestFinished(int id, bool error, QNetworkReply *resp, const QByteArray &hashValue);
    void ProxyAuthenticationRequired(const QNetworkProxy &proxy, QAuthenticator *authenticator);
    void AuthenticationRequired(const QString &hostname, quint16 port, QAuthenticator *authenticator);
    void dataReadProgress(qint64 done, qint64 total);
    void QNetworkReplyChanged(QNetworkReply *oldOne, QNetworkReply *newOne);
    void abortDownloads();

  public slots:
    void SetInternetAccessBlocked(bool blocked);
    void abort();
    void resetAverageCounter();
    void resetIntervalCounter();
    void httpResponseHeaderReceived();
    void httpRequestFinished(QNetworkReply *response, bool error, const QByteArray &hashValue);
    void httpDataReadProgress(qint64 done, qint64 total);
    void httpRequestStarted();
    void onTimeout();
    void onSslErrors(const QList<QSslError> &errors);
    void OnProxyAuthenticationRequired(const QNetworkProxy &proxy, QAuthenticator *authenticator);
    void OnAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator);

  private:
    // One live request.
    struct ManagedId {
        std::shared_ptr<QIODevice> device; // where body bytes go: the buffer or the partial file
        std::shared_ptr<QFile> partFile;   // null for in-memory downloads
        QString fileName;                  // absolute target path (file downloads)
        std::shared_ptr<QBuffer> buffer;   // null for file downloads
        void *userData = nullptr;          // travels with the record
        QString nextUrl;                   // pending redirect or restart; empty when none
        QUrl url;                          // the URL this reply asked for
        qint32 rangeRetries = 0;           // restarts from zero after 416 (at most one)
        qint32 algorithm = Hash::None;     // digest kind, kept for restarts
        QStringList visited;               // redirect targets already followed (encoded)
        bool notModified = false;          // the answer was 304
        bool redirectRefused = false;      // the answer redirected to a scheme other than http(s)
        bool bodyTooLarge = false;         // an in-memory answer outgrew its limit
        bool tooSlow = false;              // aborted by the deadline or the minimum rate
        QElapsedTimer started;             // since the first request of a redirect or restart chain
        ContentDecoders decoders;
        QList<QNetworkReply *> replies;
        qint64 received = 0;                        // body bytes stored from the current response
        qint32 status = 0;                          // HTTP status of the current response
        bool storeBody = false;                     // whether this response's body belongs in the output
        std::shared_ptr<QCryptographicHash> digest; // null when no digest was asked for
    };

    QNetworkReply *StartRequest(const QUrl &url, ManagedId record, int algorithm,
                                const QList<QPair<QByteArray, QByteArray>> &extraHeaders);
    void FailBeforeReply();
    void ReadAvailable(QNetworkReply *reply);
    void HandleStatus(QNetworkReply *reply, ManagedId &record);
    void Restart(QNetworkReply *reply, ManagedId record);
    void FinishFileDownload(QNetworkReply *reply, const ManagedId &record, bool &error);
    void DropReply(QNetworkReply *reply);
    // Aborts every request past its deadline or below the minimum rate.
    void CheckTransfers();
    static void FeedDigest(QCryptographicHash &digest, QIODevice &device);

    QHash<QNetworkReply *, ManagedId> m_requests;
    std::shared_ptr<QNetworkAccessManager> m_manager;
    bool m_internetAccessBlocked = false;
    QString m_errorText;
    qint32 m_failureId = -1;
    qint32 m_redirectLimit = kDefaultRedirectLimit;

    // Progress counters of the current response.
    qint64 m_baseOffset = 0;
    qint64 m_received = 0;
    qint64 m_intervalReceived = 0;
    qint64 m_intervalStart = 0;
    QElapsedTimer m_intervalClock;
    QElapsedTimer m_averageClock;
    double m_intervalRate = 0;

    TransferLimits m_limits;
    QTimer m_transferTimer;
    QTimer m_inactivityTimer;
    QTimer m_intervalTimer;
    QByteArray m_chunk;
};

} // namespace QtDownloader
