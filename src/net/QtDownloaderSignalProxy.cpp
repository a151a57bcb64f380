// The process's server-credential prompt proxy.
#include "net/QtDownloaderSignalProxy.h"

#include <QAuthenticator>
#include <QMutex>
#include <QThread>

namespace QtDownloader
{

namespace
{
QMutex g_instanceMutex;
QtDownloaderSignalProxy *g_instance = nullptr;
} // namespace

QtDownloaderSignalProxy *QtDownloaderSignalProxy::Create()
{
    QMutexLocker lock(&g_instanceMutex);
    if (!g_instance) g_instance = new QtDownloaderSignalProxy();
    return g_instance;
}

void QtDownloaderSignalProxy::Destroy()
{
    QMutexLocker lock(&g_instanceMutex);
    delete g_instance;
    g_instance = nullptr;
}

QtDownloaderSignalProxy *QtDownloaderSignalProxy::Instance()
{
    QMutexLocker lock(&g_instanceMutex);
    return g_instance;
}

void QtDownloaderSignalProxy::SetPrompt(Prompt prompt)
{
    m_prompt = std::move(prompt);
}

void QtDownloaderSignalProxy::Ask(QAuthenticator *authenticator)
{
    QtDownloaderSignalProxy *proxy = Instance();
    if (!proxy || !authenticator) return;
    if (proxy->thread() == QThread::currentThread()) {
        proxy->slotPromptForProxyAuthentication(authenticator);
        return;
    }
    QMetaObject::invokeMethod(
        proxy, [proxy, authenticator] { proxy->slotPromptForProxyAuthentication(authenticator); },
        Qt::BlockingQueuedConnection);
}

void QtDownloaderSignalProxy::slotPromptForProxyAuthentication(QAuthenticator *authenticator)
{
    QString user;
    QString password;
    if (m_prompt) m_prompt(user, password);
    authenticator->setUser(user);
    authenticator->setPassword(password);
    emit finishedProxyAuthentication();
}

} // namespace QtDownloader
