// The dialogs that the lower layers ask for through their hooks: the proxy settings and credentials,
// the credentials of a server, and the password and busy cursor of an elevated run. Each runs its
// dialog on the user-interface thread, also when asked from another thread, and answers "cancelled"
// (false, empty credentials) in a run without a GUI application.
#pragma once

#include "net/ProxyHandler.h"

#include <QString>

class QWidget;

namespace DialogHooks
{
// ProxyHandlerBase's dialog: ProxyAuth filled with the fields; true with the fields updated when accepted.
bool AskProxySettings(ProxyHandlerBase::DialogFields &fields, QWidget *parent, bool passwordRequestMode);
// The downloader's prompt: KDProxyDialog; both fields are handed out whichever button closed it.
void AskServerCredentials(QString &user, QString &password);
// sudo's password for user, after a warning when the previous one was wrong; false when cancelled.
bool AskElevationPassword(const QString &user, bool retry, QString &password);
// The wait cursor for the length of an elevated run.
void SetBusy(bool busy);
// Registers the four with the lower layers.
void Register();
} // namespace DialogHooks
