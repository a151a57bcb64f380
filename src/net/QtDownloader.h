// QtDownloader::QtDownloader: one blocking file download over the resumable engine, for callers that
// run on a thread with an event loop (the installation worker). Each request takes the stored or
// command-line proxy of the observer, else an application-wide proxy the program set, else the
// environment's (EnvironmentProxy). Proxy credentials are shared by every download of the process,
// guarded by one process-wide mutex.
#pragma once

#include "net/QHttpWithResume.h"
#include "support/Result.h"

#include <QEventLoop>
#include <QFile>
#include <QObject>

class IDownloadObserver;
class QAuthenticator;

namespace QtDownloader
{

class QtDownloader : public QObject
{
    Q_OBJECT

  public:
    explicit QtDownloader(QObject *parent = nullptr);
    ~QtDownloader() override;

    // Downloads url into fileName, replacing an existing file (an interrupted earlier download of the
    // same URL resumes). S_OK when the file now exists and is not empty, E_FAIL otherwise.
    HRESULT Download(const QUrl &url, const QString &fileName, IDownloadObserver *observer);

    // The engine, for settings such as the inactivity timeout.
    QHttpWithResume &Engine() { return m_http; }

  signals:
    void promptForAuthentication(QAuthenticator *authenticator);

  public slots:
    void proxyAuthenticationNeeded(const QNetworkProxy &proxy, QAuthenticator *authenticator);
    void AuthenticationRequired(const QString &host, quint16 port, QAuthenticator *authenticator);

  private slots:
    void OnProgress(qint64 done, qint64 total);
    void OnFinished(int id, bool error, QNetworkReply *reply, const QByteArray &hashValue);

  private:
    QHttpWithResume m_http;
    QFile m_target;
    QEventLoop m_loop;
    IDownloadObserver *m_observer = nullptr;
    bool m_finished = false;
};

} // namespace QtDownloader
