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

#include <functional>

class QWidget;

// Preference location of the proxy settings (machine scope).
extern const wchar_t kProxyPreferenceSection[];
extern const wchar_t kProxyPreferenceDomain[];
extern const wchar_t kProxyHostValue[];
extern const wchar_t kProxyPortValue[];
constexpr int kDefaultProxyPort = 8080;

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
