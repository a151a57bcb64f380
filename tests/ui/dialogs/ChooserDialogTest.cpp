// The folder, licence, medium and credential dialogs.
#include "ui/dialogs/About.h"
#include "ui/dialogs/DialogHooks.h"
#include "ui/dialogs/PasswordDialog.h"
#include "ui/dialogs/PathSelector.h"
#include "ui/dialogs/ProxyAuth.h"
#include "ui/dialogs/WaitForCDDlg.h"

#include "ui/dialogs/DialogTestSupport.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>

#include <deque>

namespace
{
std::deque<QString> g_answers;
std::vector<QString> g_starts;

QString NextAnswer(QWidget *, const QString &, const QString &start)
{
    g_starts.push_back(start);
    if (g_answers.empty()) return QString();
    QString answer = g_answers.front();
    g_answers.pop_front();
    return answer;
}

// Presses the button with that text in the next modal window, counting the windows it saw.
void PressInNextModal(const QString &buttonText, std::vector<QString> *seen = nullptr)
{
    DialogTest::OnNextModal([buttonText, seen](QWidget *modal) {
        if (seen) {
            const auto *box = qobject_cast<QMessageBox *>(modal);
            seen->push_back(box ? box->text() : modal->windowTitle());
        }
        for (QAbstractButton *button : modal->findChildren<QAbstractButton *>())
            if (button->text().remove(QLatin1Char('&')) == buttonText) {
                button->click();
                return;
            }
        ADD_FAILURE() << "no button " << buttonText.toStdString();
    });
}

class PathSelectorTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        g_answers.clear();
        g_starts.clear();
        PathSelector::SetAskFunctionForTesting(&NextAnswer);
    }
    void TearDown() override { PathSelector::SetAskFunctionForTesting(nullptr); }
    TestEnv::TempDir m_dir;
};
} // namespace

TEST_F(PathSelectorTest, AFolderThatCannotBeWrittenIsRefusedAndAskedAgain)
{
    // A folder below a plain file can never be made, not even by root.
    TestEnv::WriteFile(m_dir.file("file"), "x");
    const QString refused = QString::fromStdString(m_dir.file("file/sub"));
    const QString fresh = QString::fromStdString(m_dir.file("new/deeper"));
    g_answers = {refused, fresh};
    std::vector<QString> warnings;
    PressInNextModal(QStringLiteral("OK"), &warnings);

    PathSelector selector;
    selector.SetPath(QStringLiteral("/start"));
    EXPECT_TRUE(selector.SelectNewPath(QStringLiteral("Pick")));
    EXPECT_EQ(selector.GetPath(), fresh);
    EXPECT_EQ(warnings, std::vector<QString>{QStringLiteral("You must have write permissions for this directory.")});
    EXPECT_EQ(g_starts, (std::vector<QString>{QStringLiteral("/start"), QStringLiteral("/start")}));
    EXPECT_TRUE(QDir(fresh).exists()) << "a missing folder is made";
    EXPECT_TRUE(QDir(fresh).entryList(QDir::Files | QDir::Hidden).isEmpty()) << "the probe file is gone";
}

TEST_F(PathSelectorTest, CancellingKeepsThePath)
{
    PathSelector selector;
    selector.SetPath(QStringLiteral("/kept"));
    EXPECT_FALSE(selector.SelectNewPath(QStringLiteral("Pick")));
    EXPECT_EQ(selector.GetPath(), QStringLiteral("/kept"));
    EXPECT_FALSE(PathSelector::CheckWritePermissions(QString()));
}

TEST(AboutTest, TheLicenceDecidesAndWithoutOneNothingIsShown)
{
    TestEnv::TempDir folder;
    About none(DialogTest::MakeConfiguration(folder.path()));
    EXPECT_FALSE(none.HaveAnythingToShow());
    EXPECT_TRUE(none.ShowLicense());
    EXPECT_FALSE(none.isVisible());

    TestEnv::TempDir licensed;
    for (const char *button : {"Decline", "Accept"}) {
        About about(DialogTest::MakeConfiguration(licensed.path(), "<p>Terms</p>"));
        EXPECT_TRUE(about.HaveAnythingToShow());
        int tabs = -1;
        DialogTest::OnNextModal([&tabs](QWidget *modal) { tabs = modal->findChild<QTabWidget *>()->count(); });
        PressInNextModal(QString::fromLatin1(button));
        EXPECT_EQ(about.ShowLicense(), std::string(button) == "Accept");
        EXPECT_EQ(tabs, 1) << "the licence alone";
    }
}

TEST(WaitForCDDlgTest, TheTimerFindsTheMediumOnceItIsThere)
{
    TestEnv::TempDir medium;
    WaitForCDDlg dialog(DialogTest::MakeConfiguration(medium.file("configuration")),
                        QString::fromStdString(medium.file("cd")));
    // The medium "arrives" after the dialog is up: a categories file in "Gallery Data Files".
    DialogTest::OnNextModal([&](QWidget *) {
        QDir().mkpath(QString::fromStdString(medium.file("cd/Gallery Data Files")));
        TestEnv::WriteFile(medium.file("cd/Gallery Data Files/gallery_categories.xml"),
                           "<categories id=\"GUID-DIALOG\"/>");
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(QDir(dialog.GetFoundPath()).canonicalPath(),
              QDir(QString::fromStdString(medium.file("cd/Gallery Data Files"))).canonicalPath());
}

TEST(CredentialDialogsTest, GivenTextsReplaceTheDefaultsAndACancelGivesNothing)
{
    QString user = QStringLiteral("tester");
    QString password;
    DialogTest::OnNextModal([](QWidget *modal) {
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Authentication"));
        auto *dialog = qobject_cast<CPasswordDialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->readOnlyUser());
        EXPECT_EQ(dialog->user(), QStringLiteral("tester"));
        dialog->setPassword(QStringLiteral("s3cret"));
        dialog->accept();
    });
    EXPECT_TRUE(CPasswordDialog::getAuthentication(nullptr, user, password, true));
    EXPECT_EQ(password, QStringLiteral("s3cret"));

    DialogTest::OnNextModal([](QWidget *modal) {
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Own title"));
        qobject_cast<QDialog *>(modal)->reject();
    });
    QString untouched = QStringLiteral("before");
    EXPECT_FALSE(CPasswordDialog::getAuthentication(nullptr, user, untouched, false, QStringLiteral("Own title")));
    EXPECT_EQ(untouched, QStringLiteral("before"));
}

TEST(CredentialDialogsTest, TheProxyDialogHookReturnsWhatWasEnteredInPasswordRequestMode)
{
    ProxyHandlerBase::DialogFields fields{L"proxy.invalid", 3128, L"old", L""};
    DialogTest::OnNextModal([](QWidget *modal) {
        auto *dialog = qobject_cast<ProxyAuth *>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Proxy Authentication Required"));
        EXPECT_TRUE(dialog->findChild<QLineEdit *>(QStringLiteral("editHost"))->isReadOnly());
        EXPECT_EQ(dialog->GetPort(), 3128);
        dialog->SetUserName(QStringLiteral("new"));
        dialog->SetPassword(QStringLiteral("pw"));
        dialog->accept();
    });
    EXPECT_TRUE(DialogHooks::AskProxySettings(fields, nullptr, true));
    EXPECT_EQ(fields.host, L"proxy.invalid");
    EXPECT_EQ(fields.port, 3128);
    EXPECT_EQ(fields.user, L"new");
    EXPECT_EQ(fields.password, L"pw");

    DialogTest::OnNextModal([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
    EXPECT_FALSE(DialogHooks::AskProxySettings(fields, nullptr, false));
    EXPECT_EQ(fields.user, L"new") << "a cancel changes nothing";
}
