// The proxy handler of a run: proxy host and port (kept in the maker-wide preferences), the user name
// and password (in memory only; a password is never written anywhere), and the answers to credential
// requests of downloads.
//
// The credential answer is a small state machine over two flags:
//   - the stored user and password are offered once (storedTried);
//   - after that only a prompt can supply new ones, and only when interactive is set;
//   - a cancelled prompt (cancelled) stops all further prompts until the settings dialog is accepted.
//
// The dialogs live in the user-interface layer, which registers them through SetDialogHook. Without a
// registered dialog no prompt is shown: a request that would need one gets empty credentials.
#pragma once

#include "net/IProxyObserver.h"
#include "support/Text.h"

#include <QNetworkProxy>
#include <QUrl>

#include <functional>

class QWidget;

// Preference location of the proxy settings (machine scope).
extern const wchar_t kProxyPreferenceSection[];
extern const wchar_t kProxyPreferenceDomain[];
extern const wchar_t kProxyHostValue[];
extern const wchar_t kProxyPortValue[];
constexpr int kDefaultProxyPort = 8080;

// The proxy that the handler's settings name (the stored host and port, or the command line's whole
// "host:port" text; a host without a port takes port, or 8080 when that is not positive), with the
// user and password; NoProxy when the host is empty.
QNetworkProxy ConfiguredProxy(const CAtlString &host, int port, const CAtlString &user, const CAtlString &password);

// The proxy of one request from the environment, read as curl reads it, for when the preference store
// and the command line name none. An http URL uses http_proxy (lower case only), an https URL
// https_proxy or HTTPS_PROXY; both fall back to all_proxy or ALL_PROXY. A value is
// "[scheme://][user:password@]host[:port]" with scheme http (the default; port 1080 when none is given),
// socks5 or socks5h; another scheme or an unreadable value names no proxy. no_proxy (or NO_PROXY) lists
// the hosts that go direct, separated by commas or blanks: "*" for every host, a name for itself and
// every host below it (a leading "." changes nothing), an IP address or a CIDR range.
QNetworkProxy EnvironmentProxy(const QUrl &url);

class ProxyHandlerBase
{
  public:
    // What the proxy dialog shows and edits.
    struct DialogFields {
        CAtlString host;
        int port = 0;
        CAtlString user;
        CAtlString password;
    };
    // Shows the proxy dialog modally with the fields (read-only host and port, "Proxy Authentication
    // Required" title in password-request mode); returns true when accepted, with the fields updated.
    // The hook itself makes sure the dialog runs on the user-interface thread.
    using DialogHook = std::function<bool(DialogFields &fields, QWidget *parent, bool passwordRequestMode)>;

    ProxyHandlerBase() = default;
    virtual ~ProxyHandlerBase() = default;

    static void SetDialogHook(DialogHook hook);

    // Host and port from the preference store (defaults: empty host, port 8080).
    void LoadPreferences();
    // Writes host and port; true when the port was written.
    bool SavePreferences();
    // Command-line override: the whole text becomes the host, the port stays.
    void SetProxy(const CAtlString &text);
    void OnQuerySettings(CAtlString &host, int &port, CAtlString &user, CAtlString &password) const;
    // Shows the proxy settings dialog; true when accepted. A changed host is saved.
    bool ShowDialog(QWidget *parent);
    // Answers a credential request of a download; true when credentials were supplied.
    bool OnAuthorizationRequired(const CAtlString &host, int port, CAtlString &user, CAtlString &password);

    CAtlString host;
    int port = 0;
    CAtlString user;
    CAtlString password;      // memory only
    bool interactive = false; // a credentials prompt may be shown
    bool storedTried = false; // the stored user and password were offered once
    bool cancelled = false;   // a prompt was cancelled; no more prompts
};

class ProxyHandler : public ProxyHandlerBase, public IProxyObserver
{
  public:
    void QuerySettings(CAtlString &host, int &port, CAtlString &user, CAtlString &password) override;
    bool AuthorizationRequred(const CAtlString &host, int port, CAtlString &user, CAtlString &password) override;
    void AuthorizationCanceled() override;
    void DataReadProgress(int done, int total) override;
};
