// Blocking download and the process-wide proxy credentials.
#include "net/QtDownloader.h"

#include "net/IDownloadObserver.h"
#include "net/IProxyObserver.h"
#include "net/ProxyHandler.h"
#include "net/QtDownloaderSignalProxy.h"
#include "support/Text.h"

#include <QAuthenticator>
#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>

#include <limits>
#include <mutex>

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

// Credentials that proxies other than the application-wide one accepted, by "host:port"; guarded by
// ProxyCredentialsMutex.
QMap<QString, QPair<QString, QString>> &RememberedProxyCredentials()
{
    static QMap<QString, QPair<QString, QString>> credentials;
    return credentials;
}

QString ProxyKey(const QNetworkProxy &proxy)
{
    return proxy.hostName().toLower() + QLatin1Char(':') + QString::number(proxy.port());
}

// Picks the proxy of each request (redirects included): the configured one (stored settings or the
// command line), else an application-wide proxy that the program set, else the environment's.
class RequestProxyFactory : public QNetworkProxyFactory
{
  public:
    explicit RequestProxyFactory(QNetworkProxy configured) : m_configured(std::move(configured)) {}
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        if (m_configured.type() != QNetworkProxy::NoProxy) return {m_configured};
        // Unset, the application-wide proxy reads as NoProxy (the system configuration is off).
        const QNetworkProxy application = QNetworkProxy::applicationProxy();
        if (application.type() != QNetworkProxy::DefaultProxy && application.type() != QNetworkProxy::NoProxy)
            return {application};
        return {EnvironmentProxy(query.url())};
    }

  private:
    QNetworkProxy m_configured;
};

int NarrowProgress(qint64 value)
{
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return value < -1 ? -1 : static_cast<int>(value);
}

} // namespace

QtDownloader::QtDownloader(QObject *parent) : QObject(parent)
{
    // Qt's own reading of the proxy variables differs from curl's (no_proxy, https falling back to
    // http_proxy) and would stand behind the application-wide proxy: the factory above reads them.
    static std::once_flag systemConfigurationOff;
    std::call_once(systemConfigurationOff, [] { QNetworkProxyFactory::setUseSystemConfiguration(false); });
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

    QNetworkProxy configured(QNetworkProxy::NoProxy);
    if (IProxyObserver *proxyObserver = observer ? observer->ProxyObserver() : nullptr) {
        CAtlString host, user, password;
        int port = 0;
        proxyObserver->QuerySettings(host, port, user, password);
        configured = ConfiguredProxy(host, port, user, password);
    }
    m_http.NetworkAccessManager()->setProxyFactory(new RequestProxyFactory(configured));

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
    // Only the application-wide proxy itself keeps its credentials there: setting it for another proxy
    // would send every later request of the process through that one.
    const bool isApplicationProxy = applicationProxy.type() != QNetworkProxy::DefaultProxy &&
                                    applicationProxy.type() != QNetworkProxy::NoProxy &&
                                    ProxyKey(applicationProxy) == ProxyKey(proxy);
    const auto remembered = RememberedProxyCredentials().constFind(ProxyKey(proxy));
    if (!proxy.user().isEmpty() && !proxy.password().isEmpty()) {
        authenticator->setUser(proxy.user());
        authenticator->setPassword(proxy.password());
    } else if (isApplicationProxy && !applicationProxy.user().isEmpty() && !applicationProxy.password().isEmpty()) {
        authenticator->setUser(applicationProxy.user());
        authenticator->setPassword(applicationProxy.password());
    } else if (remembered != RememberedProxyCredentials().constEnd()) {
        authenticator->setUser(remembered->first);
        authenticator->setPassword(remembered->second);
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
    // Later requests of the process through this proxy reuse these credentials.
    if (isApplicationProxy) {
        QNetworkProxy withCredentials(applicationProxy);
        withCredentials.setUser(authenticator->user());
        withCredentials.setPassword(authenticator->password());
        QNetworkProxy::setApplicationProxy(withCredentials);
    } else if (!authenticator->user().isEmpty()) {
        RememberedProxyCredentials().insert(ProxyKey(proxy), {authenticator->user(), authenticator->password()});
    }
}

void QtDownloader::AuthenticationRequired(const QString &, quint16, QAuthenticator *authenticator)
{
    QtDownloaderSignalProxy::Ask(authenticator);
}

} // namespace QtDownloader
