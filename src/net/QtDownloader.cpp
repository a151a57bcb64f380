// Blocking download and the process-wide proxy credentials.
#include "net/QtDownloader.h"

#include "net/IDownloadObserver.h"
#include "net/IProxyObserver.h"
#include "net/QtDownloaderSignalProxy.h"
#include "support/Text.h"

#include <QAuthenticator>
#include <QFileInfo>
#include <QMutex>
#include <QNetworkProxy>

#include <limits>

namespace QtDownloader
{

namespace
{

// Serialises reading and replacing the application-wide proxy credentials.
QMutex &ProxyCredentialsMutex()
{
    static QMutex mutex;
    return mutex;
}

int NarrowProgress(qint64 value)
{
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return value < -1 ? -1 : static_cast<int>(value);
}

} // namespace

QtDownloader::QtDownloader(QObject *parent) : QObject(parent)
{
    connect(&m_http, &QHttpWithResume::ResumeDataReadProgress, this, &QtDownloader::OnProgress);
    connect(&m_http, &QHttpWithResume::ResumeRequestFinished, this, &QtDownloader::OnFinished);
    connect(&m_http, &QHttpWithResume::ProxyAuthenticationRequired, this, &QtDownloader::proxyAuthenticationNeeded);
    connect(&m_http, &QHttpWithResume::AuthenticationRequired, this, &QtDownloader::AuthenticationRequired);
}

QtDownloader::~QtDownloader() = default;

HRESULT QtDownloader::Download(const QUrl &url, const QString &fileName, IDownloadObserver *observer)
{
    m_observer = observer;
    m_target.setFileName(fileName);

    const QNetworkProxy applicationProxy = QNetworkProxy::applicationProxy();
    if (applicationProxy != QNetworkProxy()) m_http.NetworkAccessManager()->setProxy(applicationProxy);

    if (m_target.exists()) m_target.remove();
    m_finished = false;
    m_http.ResumeGet(url, m_target.fileName(), {}, Hash::None);
    // Completion always arrives through the event loop, also for a request that never started.
    if (!m_finished) m_loop.exec();
    m_observer = nullptr;

    const QFileInfo target(fileName);
    return target.exists() && target.size() > 0 ? S_OK : E_FAIL;
}

void QtDownloader::OnProgress(qint64 done, qint64 total)
{
    if (!m_observer) return;
    m_observer->OnProgress(NarrowProgress(done), NarrowProgress(total), 0, CAtlString());
    if (m_observer && m_observer->IsCancelled()) m_http.abort();
}

void QtDownloader::OnFinished(int, bool, QNetworkReply *, const QByteArray &)
{
    m_finished = true;
    m_loop.quit();
}

void QtDownloader::proxyAuthenticationNeeded(const QNetworkProxy &proxy, QAuthenticator *authenticator)
{
    QMutexLocker lock(&ProxyCredentialsMutex());
    const QNetworkProxy applicationProxy = QNetworkProxy::applicationProxy();
    if (!proxy.user().isEmpty() && !proxy.password().isEmpty()) {
        authenticator->setUser(proxy.user());
        authenticator->setPassword(proxy.password());
    } else if (!applicationProxy.user().isEmpty() && !applicationProxy.password().isEmpty()) {
        authenticator->setUser(applicationProxy.user());
        authenticator->setPassword(applicationProxy.password());
    } else {
        emit promptForAuthentication(authenticator);
        IProxyObserver *proxyObserver = m_observer ? m_observer->ProxyObserver() : nullptr;
        if (authenticator->user().isEmpty() && proxyObserver) {
            CAtlString user;
            CAtlString password;
            if (proxyObserver->AuthorizationRequred(Text::FromQt(proxy.hostName()), proxy.port(), user, password)) {
                authenticator->setUser(Text::ToQt(user));
                authenticator->setPassword(Text::ToQt(password));
            }
        }
    }
    // Later requests of the process reuse these credentials.
    QNetworkProxy withCredentials(proxy);
    withCredentials.setUser(authenticator->user());
    withCredentials.setPassword(authenticator->password());
    QNetworkProxy::setApplicationProxy(withCredentials);
}

void QtDownloader::AuthenticationRequired(const QString &, quint16, QAuthenticator *authenticator)
{
    QtDownloaderSignalProxy::Ask(authenticator);
}

} // namespace QtDownloader
