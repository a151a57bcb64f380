// The proxy handler: preference entries in the maker-wide settings, the command-line override, the
// settings dialog and the credential answer.
#include "common/TestEnv.h"
#include "net/ProxyHandler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>

#include <string>
#include <vector>

namespace
{

// Files below the test's settings folders whose text contains needle.
QStringList SettingsFilesContaining(const QByteArray &needle)
{
    QStringList found;
    for (const std::string &root : {TestEnv::ConfigHome(), TestEnv::SysRoot()}) {
        QDirIterator it(QString::fromStdString(root), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly) && file.readAll().contains(needle)) found << file.fileName();
        }
    }
    return found;
}

// Replaces the dialog for one test.
class DialogScript
{
  public:
    DialogScript(bool accept, ProxyHandlerBase::DialogFields answer) : m_accept(accept), m_answer(std::move(answer))
    {
        ProxyHandlerBase::SetDialogHook([this](ProxyHandlerBase::DialogFields &fields, QWidget *, bool passwordMode) {
            shown.push_back(fields);
            passwordModes.push_back(passwordMode);
            if (m_accept) fields = m_answer;
            return m_accept;
        });
    }
    ~DialogScript() { ProxyHandlerBase::SetDialogHook(nullptr); }

    std::vector<ProxyHandlerBase::DialogFields> shown;
    std::vector<bool> passwordModes;

  private:
    bool m_accept;
    ProxyHandlerBase::DialogFields m_answer;
};

TEST(ProxyHandlerTest, HostAndPortLiveInMakerWideSettingsWithoutPassword)
{
    QCoreApplication::setOrganizationName("Kelda Labs");
    QCoreApplication::setApplicationName("TroveProxyTest");

    ProxyHandler fresh;
    fresh.LoadPreferences();
    EXPECT_EQ(fresh.host, L"");
    EXPECT_EQ(fresh.port, 8080);

    ProxyHandler handler;
    handler.host = L"proxy.school.example";
    handler.port = 3128;
    handler.user = L"alice";
    handler.password = L"pw-never-stored";
    EXPECT_TRUE(handler.SavePreferences());

    EXPECT_EQ(QCoreApplication::organizationName(), "Kelda Labs");
    EXPECT_EQ(QCoreApplication::applicationName(), "TroveProxyTest");
    const QStringList files = SettingsFilesContaining("HttpProxyHost");
    ASSERT_EQ(files.size(), 1) << files.join(", ").toStdString();
    EXPECT_FALSE(files.first().contains("TroveProxyTest")) << files.first().toStdString();
    EXPECT_TRUE(SettingsFilesContaining("pw-never-stored").isEmpty());

    ProxyHandler loaded;
    loaded.LoadPreferences();
    EXPECT_EQ(loaded.host, L"proxy.school.example");
    EXPECT_EQ(loaded.port, 3128);
    EXPECT_EQ(loaded.password, L"");
}

TEST(ProxyHandlerTest, OverrideKeepsTheWholeTextAsHost)
{
    ProxyHandler handler;
    handler.port = 8080;
    handler.SetProxy(L"cache.example:3128");
    CAtlString host, user, password;
    int port = 0;
    handler.QuerySettings(host, port, user, password);
    EXPECT_EQ(host, L"cache.example:3128");
    EXPECT_EQ(port, 8080);
}

TEST(ProxyHandlerTest, SettingsDialogSavesOnlyAChangedHost)
{
    ProxyHandler handler;
    handler.host = L"same.example";
    handler.port = 1;
    handler.SavePreferences();
    {
        DialogScript dialog(true, {L"same.example", 9999, L"u", L"p"});
        handler.cancelled = true;
        EXPECT_TRUE(handler.ShowDialog(nullptr));
        EXPECT_FALSE(handler.cancelled);
        EXPECT_EQ(handler.port, 9999);
        ProxyHandler loaded;
        loaded.LoadPreferences();
        EXPECT_EQ(loaded.port, 1); // same host: nothing written
    }
    {
        DialogScript dialog(true, {L"other.example", 8000, L"u", L"p"});
        EXPECT_TRUE(handler.ShowDialog(nullptr));
        ProxyHandler loaded;
        loaded.LoadPreferences();
        EXPECT_EQ(loaded.host, L"other.example");
        EXPECT_EQ(loaded.port, 8000);
    }
    {
        DialogScript dialog(false, {});
        EXPECT_FALSE(handler.ShowDialog(nullptr));
        EXPECT_EQ(handler.host, L"other.example");
    }
}

// One credential request and what it must answer.
struct Ask {
    bool expected;
    const wchar_t *user;
    const wchar_t *password;
};

struct CredentialCase {
    const char *name;
    const wchar_t *storedUser;
    bool interactive;
    int dialog; // 0 none registered, 1 accepts "bob"/"pw2", 2 rejects
    std::vector<Ask> asks;
    size_t dialogsShown;
};

class CredentialAnswerTest : public ::testing::TestWithParam<CredentialCase>
{
};

TEST_P(CredentialAnswerTest, AnswersInOrder)
{
    const CredentialCase &c = GetParam();
    std::unique_ptr<DialogScript> dialog;
    if (c.dialog != 0)
        dialog = std::make_unique<DialogScript>(c.dialog == 1, ProxyHandlerBase::DialogFields{L"x", 0, L"bob", L"pw2"});
    ProxyHandler handler;
    handler.user = c.storedUser;
    handler.password = L"pw1";
    handler.interactive = c.interactive;
    IProxyObserver &observer = handler;
    for (size_t i = 0; i < c.asks.size(); ++i) {
        CAtlString user = L"junk", password = L"junk";
        EXPECT_EQ(observer.AuthorizationRequred(L"proxy.example", 3128, user, password), c.asks[i].expected) << i;
        if (c.asks[i].user) {
            EXPECT_EQ(user, c.asks[i].user) << i;
            EXPECT_EQ(password, c.asks[i].password) << i;
        }
    }
    const size_t shown = dialog ? dialog->shown.size() : 0;
    EXPECT_EQ(shown, c.dialogsShown);
    if (dialog && !dialog->shown.empty()) {
        EXPECT_EQ(dialog->shown[0].host, L"proxy.example");
        EXPECT_EQ(dialog->shown[0].port, 3128);
        EXPECT_TRUE(dialog->passwordModes[0]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CredentialAnswerTest,
    ::testing::Values(
        CredentialCase{
            "StoredOnceThenNoPrompt", L"alice", false, 1, {{true, L"alice", L"pw1"}, {false, nullptr, nullptr}}, 0},
        CredentialCase{"NothingStoredNoPrompt", L"", false, 1, {{false, nullptr, nullptr}}, 0},
        CredentialCase{"StoredThenDialog",
                       L"alice",
                       true,
                       1,
                       {{true, L"alice", L"pw1"}, {true, L"bob", L"pw2"}, {true, L"bob", L"pw2"}},
                       2},
        CredentialCase{
            "CancelledDialogStopsPrompts", L"", true, 2, {{false, nullptr, nullptr}, {false, nullptr, nullptr}}, 1},
        CredentialCase{"NoDialogGivesEmptyCredentials", L"", true, 0, {{false, L"", L""}, {false, L"", L""}}, 0}),
    [](const ::testing::TestParamInfo<CredentialCase> &info) { return std::string(info.param.name); });

TEST(ProxyHandlerTest, CancelNotificationStopsAnswers)
{
    ProxyHandler handler;
    handler.user = L"alice";
    handler.AuthorizationCanceled();
    CAtlString user, password;
    EXPECT_FALSE(handler.AuthorizationRequred(L"h", 1, user, password));
    EXPECT_TRUE(user.empty());
}

} // namespace
