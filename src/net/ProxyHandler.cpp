// Proxy handler: preference entries, settings dialog and the credential answer.
#include "net/ProxyHandler.h"

#include "settings/Preferences.h"

#include <QCoreApplication>
#include <QMutex>

const wchar_t kProxyPreferenceSection[] = L"Software/Kelda Labs/Kelda Board Software/ProxyInformation";
const wchar_t kProxyPreferenceDomain[] = L"com.keldalabs.Registry";
const wchar_t kProxyHostValue[] = L"HttpProxyHost";
const wchar_t kProxyPortValue[] = L"HttpProxyPort";

namespace
{

QMutex g_hookMutex;
ProxyHandlerBase::DialogHook g_dialogHook;

ProxyHandlerBase::DialogHook CurrentHook()
{
    QMutexLocker lock(&g_hookMutex);
    return g_dialogHook;
}

// While it lives, the application's organisation name, organisation domain and application name
// are empty, so the proxy entries land in the maker-wide settings rather than in this program's own.
class MakerWideSettingsScope
{
  public:
    MakerWideSettingsScope()
        : m_organization(QCoreApplication::organizationName()), m_domain(QCoreApplication::organizationDomain()),
          m_application(QCoreApplication::applicationName())
    {
        QCoreApplication::setOrganizationName(QString());
        QCoreApplication::setOrganizationDomain(QString());
        QCoreApplication::setApplicationName(QString());
    }
    ~MakerWideSettingsScope()
    {
        QCoreApplication::setOrganizationName(m_organization);
        QCoreApplication::setOrganizationDomain(m_domain);
        QCoreApplication::setApplicationName(m_application);
    }
    MakerWideSettingsScope(const MakerWideSettingsScope &) = delete;
    MakerWideSettingsScope &operator=(const MakerWideSettingsScope &) = delete;

  private:
    QString m_organization;
    QString m_domain;
    QString m_application;
};

} // namespace

void ProxyHandlerBase::SetDialogHook(DialogHook hook)
{
    QMutexLocker lock(&g_hookMutex);
    g_dialogHook = std::move(hook);
}

void ProxyHandlerBase::LoadPreferences()
{
    MakerWideSettingsScope scope;
    host = GetPreferenceString(PreferenceScopeMachine, kProxyPreferenceSection, kProxyHostValue, CAtlString(), nullptr,
                               kProxyPreferenceDomain);
    port = GetPreferenceInt(PreferenceScopeMachine, kProxyPreferenceSection, kProxyPortValue, kDefaultProxyPort,
                            nullptr, kProxyPreferenceDomain);
}

bool ProxyHandlerBase::SavePreferences()
{
    MakerWideSettingsScope scope;
    WritePreferenceString(PreferenceScopeMachine, kProxyPreferenceSection, kProxyHostValue, host,
                          kProxyPreferenceDomain);
    return WritePreferenceInt(PreferenceScopeMachine, kProxyPreferenceSection, kProxyPortValue, port,
                              kProxyPreferenceDomain) == 0;
}

void ProxyHandlerBase::SetProxy(const CAtlString &text)
{
    host = text;
}

void ProxyHandlerBase::OnQuerySettings(CAtlString &outHost, int &outPort, CAtlString &outUser,
                                       CAtlString &outPassword) const
{
    outHost = host;
    outPort = port;
    outUser = user;
    outPassword = password;
}

bool ProxyHandlerBase::ShowDialog(QWidget *parent)
{
    const DialogHook hook = CurrentHook();
    if (!hook) return false;
    DialogFields fields{host, port, user, password};
    if (!hook(fields, parent, false)) return false;
    cancelled = false;
    const bool hostChanged = fields.host != host;
    host = fields.host;
    port = fields.port;
    user = fields.user;
    password = fields.password;
    if (hostChanged) SavePreferences();
    return true;
}

bool ProxyHandlerBase::OnAuthorizationRequired(const CAtlString &requestHost, int requestPort, CAtlString &outUser,
                                               CAtlString &outPassword)
{
    if (cancelled) return false;
    if (!storedTried && !user.empty()) {
        storedTried = true;
        outUser = user;
        outPassword = password;
        return true;
    }
    if (!interactive) return false;
    const DialogHook hook = CurrentHook();
    if (!hook) {
        // No dialog to ask with: answer with empty credentials, and leave later prompts possible.
        outUser.clear();
        outPassword.clear();
        return false;
    }
    DialogFields fields{requestHost, requestPort, user, password};
    if (!hook(fields, nullptr, true)) {
        cancelled = true;
        return false;
    }
    user = fields.user;
    password = fields.password;
    storedTried = true;
    outUser = user;
    outPassword = password;
    return true;
}

void ProxyHandler::QuerySettings(CAtlString &outHost, int &outPort, CAtlString &outUser, CAtlString &outPassword)
{
    OnQuerySettings(outHost, outPort, outUser, outPassword);
}

bool ProxyHandler::AuthorizationRequred(const CAtlString &requestHost, int requestPort, CAtlString &outUser,
                                        CAtlString &outPassword)
{
    return OnAuthorizationRequired(requestHost, requestPort, outUser, outPassword);
}

void ProxyHandler::AuthorizationCanceled()
{
    cancelled = true;
}

void ProxyHandler::DataReadProgress(int, int) {}
