// QtDownloader::QtDownloaderSignalProxy: the one object of the process that asks the person for the
// user name and password of a server. It lives on the user-interface thread; downloads on other threads
// call it there and wait. The user-interface layer registers the credentials dialog with SetPrompt;
// without one, requests are answered with empty credentials.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAuthenticator;

namespace QtDownloader
{

class QtDownloaderSignalProxy : public QObject
{
    Q_OBJECT

  public:
    // Fills user and password; runs on the proxy's thread.
    using Prompt = std::function<void(QString &user, QString &password)>;

    // Create on the user-interface thread at library start, Destroy at shutdown.
    static QtDownloaderSignalProxy *Create();
    static void Destroy();
    static QtDownloaderSignalProxy *Instance();

    void SetPrompt(Prompt prompt);

    // Asks for credentials from any thread, blocking a foreign caller until the answer is in.
    static void Ask(QAuthenticator *authenticator);

  signals:
    void finishedProxyAuthentication();

  public slots:
    // Copies the entered user and password into the authenticator, whatever closed the prompt.
    void slotPromptForProxyAuthentication(QAuthenticator *authenticator);

  private:
    QtDownloaderSignalProxy() = default;
    Prompt m_prompt;
};

} // namespace QtDownloader
