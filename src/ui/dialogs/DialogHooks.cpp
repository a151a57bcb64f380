#include "ui/dialogs/DialogHooks.h"

#include "net/Elevation.h"
#include "net/QtDownloaderSignalProxy.h"
#include "ui/dialogs/KDProxyDialog.h"
#include "ui/dialogs/PasswordDialog.h"
#include "ui/dialogs/ProxyAuth.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

namespace
{
bool HaveWidgets()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

// Runs work on the application's thread and waits for it.
template <typename Work> void OnGuiThread(Work work)
{
    QCoreApplication *application = QCoreApplication::instance();
    if (QThread::currentThread() == application->thread())
        work();
    else
        QMetaObject::invokeMethod(application, work, Qt::BlockingQueuedConnection);
}
} // namespace

namespace DialogHooks
{
bool AskProxySettings(ProxyHandlerBase::DialogFields &fields, QWidget *parent, bool passwordRequestMode)
{
    if (!HaveWidgets()) return false;
    bool accepted = false;
    OnGuiThread([&] {
        ProxyAuth dialog(parent);
        dialog.SetHost(Text::ToQt(fields.host));
        dialog.SetPort(fields.port);
        dialog.SetUserName(Text::ToQt(fields.user));
        dialog.SetPassword(Text::ToQt(fields.password));
        if (passwordRequestMode) dialog.SetPasswordRequestMode();
        if (dialog.exec() != QDialog::Accepted) return;
        fields.host = Text::FromQt(dialog.GetHost());
        fields.port = dialog.GetPort();
        fields.user = Text::FromQt(dialog.GetUserName());
        fields.password = Text::FromQt(dialog.GetPassword());
        accepted = true;
    });
    return accepted;
}

void AskServerCredentials(QString &user, QString &password)
{
    user.clear();
    password.clear();
    if (!HaveWidgets()) return;
    OnGuiThread([&] {
        KDProxyDialog dialog;
        dialog.exec();
        user = dialog.username();
        password = dialog.password();
    });
}

bool AskElevationPassword(const QString &user, bool retry, QString &password)
{
    if (!HaveWidgets()) return false;
    bool accepted = false;
    OnGuiThread([&] {
        if (retry)
            QMessageBox::warning(nullptr, QObject::tr("Authentication"),
                                 QObject::tr("Incorrect password. Please try again."));
        QString account = user;
        accepted = CPasswordDialog::getAuthentication(nullptr, account, password, true);
    });
    return accepted;
}

void SetBusy(bool busy)
{
    if (!HaveWidgets()) return;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void Register()
{
    ProxyHandlerBase::SetDialogHook(&AskProxySettings);
    CAuthentication::SetHooks({&AskElevationPassword, &SetBusy});
    if (auto *proxy = QtDownloader::QtDownloaderSignalProxy::Instance()) proxy->SetPrompt(&AskServerCredentials);
}
} // namespace DialogHooks
