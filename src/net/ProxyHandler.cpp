// Proxy handler: preference entries, settings dialog and the credential answer.
#include "net/ProxyHandler.h"

#include "settings/Preferences.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QMutex>
#include <QRegularExpression>

#include <initializer_list>

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

namespace
{

// Whether no_proxy sends the host direct.
bool BypassesProxy(const QString &host, const QString &noProxy)
{
    const QString name = host.toLower();
    QHostAddress address;
    const bool isAddress = address.setAddress(name);
    for (QString entry : noProxy.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts)) {
        entry = entry.toLower();
        if (entry == QLatin1String("*")) return true;
        if (entry.startsWith(QLatin1Char('[')) && entry.contains(QLatin1Char(']')))
            entry = entry.mid(1, entry.indexOf(QLatin1Char(']')) - 1);
        if (isAddress) {
            if (entry.contains(QLatin1Char('/'))) {
                const QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(entry);
                if (subnet.second >= 0 && address.isInSubnet(subnet)) return true;
            } else if (QHostAddress(entry) == address) {
                return true;
            }
            continue;
        }
        while (entry.startsWith(QLatin1Char('.')))
            entry.remove(0, 1);
        if (entry.isEmpty()) continue;
        if (name == entry || name.endsWith(QLatin1Char('.') + entry)) return true;
    }
    return false;
}

QString FirstVariable(std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        const QString value = qEnvironmentVariable(name).trimmed();
        if (!value.isEmpty()) return value;
    }
    return QString();
}

} // namespace

QNetworkProxy ConfiguredProxy(const CAtlString &host, int port, const CAtlString &user, const CAtlString &password)
{
    QString text = Text::ToQt(host).trimmed();
    if (text.isEmpty()) return QNetworkProxy(QNetworkProxy::NoProxy);
    if (!text.contains(QLatin1String("://"))) text.prepend(QLatin1String("http://"));
    const QUrl url(text);
    if (!url.isValid() || url.host().isEmpty()) return QNetworkProxy(QNetworkProxy::NoProxy);
    const int fallback = port > 0 ? port : kDefaultProxyPort;
    return QNetworkProxy(QNetworkProxy::HttpProxy, url.host(), static_cast<quint16>(url.port(fallback)),
                         Text::ToQt(user), Text::ToQt(password));
}

QNetworkProxy EnvironmentProxy(const QUrl &url)
{
    const QNetworkProxy none(QNetworkProxy::NoProxy);
    const QString scheme = url.scheme().toLower();
    QString value;
    if (scheme == QLatin1String("http"))
        value = FirstVariable({"http_proxy"}); // never HTTP_PROXY: a CGI program's request can set that one
    else if (scheme == QLatin1String("https"))
        value = FirstVariable({"https_proxy", "HTTPS_PROXY"});
    else
        return none;
    if (value.isEmpty()) value = FirstVariable({"all_proxy", "ALL_PROXY"});
    if (value.isEmpty()) return none;
    if (BypassesProxy(url.host(), FirstVariable({"no_proxy", "NO_PROXY"}))) return none;

    if (!value.contains(QLatin1String("://"))) value.prepend(QLatin1String("http://"));
    const QUrl proxy(value);
    if (!proxy.isValid() || proxy.host().isEmpty()) return none;
    const QString kind = proxy.scheme().toLower();
    QNetworkProxy::ProxyType type = QNetworkProxy::HttpProxy;
    if (kind == QLatin1String("socks5") || kind == QLatin1String("socks5h"))
        type = QNetworkProxy::Socks5Proxy;
    else if (kind != QLatin1String("http"))
        return none;
    return QNetworkProxy(type, proxy.host(), static_cast<quint16>(proxy.port(1080)), proxy.userName(QUrl::FullyDecoded),
                         proxy.password(QUrl::FullyDecoded));
}
