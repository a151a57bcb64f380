// The interactive commands' decisions: the self-update check against a local description and a fake
// remote one, the argument list kept for it, the elevated relaunch through a front end (and the failure
// without one), the rescue of a destination that cannot take the gallery, and the early exits of
// waitforcd and a declined licence.
#include "app/ApplicationFactory.h"
#include "app/CaptureOutput.h"
#include "app/ModalDismisser.h"
#include "app/WorkFlow.h"
#include "common/TestEnv.h"
#include "configuration/ConfigurationWrapper.h"
#include "configuration/SelfUpdate.h"
#include "install/InstallationController.h"
#include "net/Elevation.h"
#include "net/IDownloader.h"
#include "ui/dialogs/PathSelector.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <map>
#include <vector>

using NTrove::CCmdLineContext;

namespace
{
// Clicks the button with that text in the next modal window (polling; gives up after 10 s).
void PressInNextModal(const QString &text, QString *seen = nullptr)
{
    auto *timer = new QTimer(QCoreApplication::instance());
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QAbstractButton *target = nullptr;
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible())
            for (QAbstractButton *button : modal->findChildren<QAbstractButton *>())
                if (button->text().remove(QLatin1Char('&')) == text) target = button;
        if (!target && clock->elapsed() < 10000) return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (!target) return;
        if (seen) *seen = modal->windowTitle();
        target->click();
    });
    timer->start(20);
}

// Serves URLs from local files: each fetch is a fresh copy, as a real download is.
class FakeDownloader : public IDownloader
{
  public:
    explicit FakeDownloader(std::string folder) : m_folder(std::move(folder)) {}
    void SetProxyHandler(std::shared_ptr<ProxyHandlerBase>) override {}
    CAtlString DownloadFile(const CAtlString &url, unsigned long, unsigned long) override
    {
        fetched.push_back(Text::ToUtf8(url));
        const auto found = files.find(Text::ToUtf8(url));
        if (found == files.end()) return CAtlString();
        const std::string copy = m_folder + "/fetched" + std::to_string(fetched.size());
        TestEnv::WriteFile(copy, found->second);
        return Text::FromUtf8(copy);
    }
    std::map<std::string, std::string> files;
    std::vector<std::string> fetched;

  private:
    std::string m_folder;
};

class LocalSelfUpdate : public CSelfUpdate
{
  public:
    LocalSelfUpdate(std::string localPath, std::shared_ptr<IDownloader> downloader)
        : CSelfUpdate(L"Trove.xml", std::move(downloader)), m_localPath(std::move(localPath))
    {
    }
    CAtlString GetLocalXmlPath() override { return Text::FromUtf8(m_localPath); }

  private:
    std::string m_localPath;
};

// A loaded gallery configuration in folder.
std::shared_ptr<ConfigurationWrapper> MakeConfiguration(const std::string &folder, bool withLicense = false)
{
    if (withLicense) TestEnv::WriteFile(folder + "/license.html", "<p>Terms</p>");
    QDir().mkpath(QString::fromStdString(folder));
    TestEnv::WriteFile(folder + "/configuration.xml",
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CCSettings Version=\"1.0.0.0\">"
                       "<Gallery GUID=\"GUID-FLOW\" DefaultSource=\"\" Name=\"Flow Gallery\"/>"
                       "<Application><Title Value=\"Test\"/></Application>" +
                           std::string("<Organization><Name Value=\"Test Publishers\"/>") +
                           (withLicense ? "<License Value=\"license.html\"/>" : "") + "</Organization></CCSettings>\n");
    TestEnv::WriteFile(folder + "/metadata.xml",
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<lom:lom><lom:general><lom:identifier>"
                       "<lom:entry>GUID-FLOW</lom:entry></lom:identifier><lom:title><lom:string language=\"en\">"
                       "Flow Gallery</lom:string></lom:title></lom:general></lom:lom>\n");
    auto configuration = std::make_shared<ConfigurationWrapper>();
    EXPECT_TRUE(configuration->ReadFromDir(CKeldaDirectoryPath::FromUtf8(folder)));
    return configuration;
}

struct Box {
    QMessageBox::Icon icon;
    QString text;
};

class InteractiveTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        CWorkFlow::SetBoxFunctionForTesting([this](QMessageBox::Icon icon, const QString &text,
                                                   QMessageBox::StandardButtons, QMessageBox::StandardButton) {
            boxes.push_back({icon, text});
            return answer;
        });
    }
    void TearDown() override { CWorkFlow::SetBoxFunctionForTesting(nullptr); }

    std::vector<Box> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    TestEnv::TempDir m_dir;
};

class SelfUpdateTest : public InteractiveTest
{
  protected:
    void SetUp() override
    {
        InteractiveTest::SetUp();
        m_downloader = std::make_shared<FakeDownloader>(m_dir.path());
        WriteLocal("false");
        m_context.SetArguments({QStringLiteral("--password"), QStringLiteral("s3cret"), QStringLiteral("-verbose")});
    }
    void WriteLocal(const char *noUpdates)
    {
        TestEnv::WriteFile(
            m_dir.file("Trove.xml"),
            std::string("<Update Location=\"Client\"><Product CurrentVersion=\"1.4.32.0\" "
                        "RemoteVersionFile=\"remote.xml\" RemoteVersionFileURL=\"https://updates.invalid/trove\" "
                        "NoUpdates=\"") +
                noUpdates + "\"/></Update>");
    }
    // The remote description offering version with the installer at installUrl.
    void OfferUpdate(const std::string &installUrl, const std::string &version = "1.5.0.0")
    {
        m_downloader->files["https://updates.invalid/trove/remote.xml"] =
            "<Update Location=\"Server\"><Product UpdateVersion=\"" + version +
            "\" UpdateInstallFile=\"setup.sh\" UpdateInstallURL=\"" + installUrl +
            "\" UpdateArgument=\"--from-update\"/></Update>";
        std::string base = installUrl;
        while (!base.empty() && base.back() == '/')
            base.pop_back();
        m_downloader->files[base + "/setup.sh"] = "#!/bin/sh\nprintf '%s' \"$*\" > '" + m_dir.file("started") + "'\n";
    }
    bool Run()
    {
        LocalSelfUpdate update(m_dir.file("Trove.xml"), m_downloader);
        WorkFlowTuple tuple{m_context, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
        return CWorkFlow::SelfUpdate(tuple, update);
    }
    // What the next run would replay; empty when nothing is kept.
    static QStringList Kept()
    {
        QStringList kept;
        CCmdLineContext::PopArguments(kept);
        return kept;
    }
    // The started installer's arguments, once it has written them.
    std::string Started() const
    {
        QElapsedTimer clock;
        clock.start();
        // The file exists before the installer has written into it.
        while ((!TestEnv::Exists(m_dir.file("started")) || TestEnv::ReadFile(m_dir.file("started")).empty()) &&
               clock.elapsed() < 10000)
            QThread::msleep(20);
        return TestEnv::Exists(m_dir.file("started")) ? TestEnv::ReadFile(m_dir.file("started")) : "<not started>";
    }

    std::shared_ptr<FakeDownloader> m_downloader;
    CCmdLineContext m_context;
};
} // namespace

TEST(ArgumentsToKeepTest, ThePasswordOptionAndItsValueAreLeftOut)
{
    const struct {
        QStringList given;
        QStringList kept;
    } cases[] = {
        {{"-password", "pw", "-verbose"}, {"-verbose"}},
        {{"--password", "pw", "x.gallerycollection"}, {"x.gallerycollection"}},
        {{"\\password", "pw"}, {}},
        {{"-password:pw", "-source", "/cd"}, {"-source", "/cd"}},
        {{"-username", "password", "-passwordx", "v"}, {"-username", "password", "-passwordx", "v"}},
        {{"-password"}, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CWorkFlow::ArgumentsToKeep(c.given), c.kept) << c.given.join(' ').toStdString();
}

TEST_F(SelfUpdateTest, AnHttpsUpdateStartsWithItsArgumentAndKeepsNoPassword)
{
    OfferUpdate("https://updates.invalid/files/");
    EXPECT_TRUE(Run());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(Started(), "--from-update");
    EXPECT_EQ(Kept(), QStringList{QStringLiteral("-verbose")});
}

TEST_F(SelfUpdateTest, AnUpdateOverPlainHttpIsNotStarted)
{
    OfferUpdate("http://updates.invalid/files");
    EXPECT_FALSE(Run());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].icon, QMessageBox::Warning);
    EXPECT_EQ(boxes[1].text, QStringLiteral("Could not download the update for Trove."));
    EXPECT_EQ(
        std::count(m_downloader->fetched.begin(), m_downloader->fetched.end(), "http://updates.invalid/files/setup.sh"),
        0)
        << "not even fetched";
    EXPECT_FALSE(TestEnv::Exists(m_dir.file("started")));
    EXPECT_TRUE(Kept().isEmpty());
}

TEST_F(SelfUpdateTest, NoOfferNoAnswerOrNoUpdatesMeansTheRunGoesOn)
{
    // Not newer: no question.
    OfferUpdate("https://updates.invalid/files", "1.4.32.0");
    EXPECT_FALSE(Run());
    EXPECT_TRUE(boxes.empty());

    // Declined.
    OfferUpdate("https://updates.invalid/files");
    answer = QMessageBox::Cancel;
    EXPECT_FALSE(Run());
    EXPECT_EQ(boxes.size(), 1u);

    // Switched off in the local description: the remote one is not even fetched.
    boxes.clear();
    m_downloader->fetched.clear();
    WriteLocal("true");
    answer = QMessageBox::Ok;
    EXPECT_FALSE(Run());
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(m_downloader->fetched.empty());
    EXPECT_FALSE(TestEnv::Exists(m_dir.file("started")));
    EXPECT_TRUE(Kept().isEmpty());
}

// An interactive run of an ordinary user relaunches itself through the front end with the authorized
// arguments; with no front end it says why on the error stream (and in a box) and ends with 1.
TEST_F(InteractiveTest, TheElevatedRelaunchGoesThroughTheFrontEndOrFailsWithoutOne)
{
    const QByteArray savedPath = qgetenv("PATH");
    const std::string bin = m_dir.file("bin");
    QDir().mkpath(QString::fromStdString(bin));
    qputenv("PATH", QByteArray::fromStdString(bin));

    CApplicationFactory factory;
    std::vector<std::string> args{"trove", "-verbose", "it's mine"};
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    factory.ParseArguments(static_cast<int>(argv.size()), argv.data());

    QString title;
    PressInNextModal(QStringLiteral("OK"), &title);
    const CapturedOutput none = Capture([&] { return factory.RunElevated(); });
    EXPECT_EQ(none.result, 1);
    EXPECT_NE(none.err.find("needs administrator rights"), std::string::npos) << none.err;
    EXPECT_EQ(title, QStringLiteral("Trove"));

    // A fake kdesu that records what it gets and exits with 3.
    const std::string record = m_dir.file("kdesu.argv");
    TestEnv::WriteFile(bin + "/kdesu",
                       "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + record + "'\nexit 3\n");
    QFile::setPermissions(QString::fromStdString(bin + "/kdesu"), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(factory.RunElevated(), 3);
    QStringList got = QString::fromStdString(TestEnv::ReadFile(record)).split(QChar(0));
    got.removeLast();
    const QString program = QCoreApplication::applicationFilePath();
    ASSERT_GE(got.size(), 6);
    EXPECT_EQ(got.mid(0, 5),
              (QStringList{QStringLiteral("--"), CAuthentication::escapeArgument(program), QStringLiteral("'-verbose'"),
                           QStringLiteral("'it'\\''s mine'"), QStringLiteral("'--authorized'")}));
    EXPECT_EQ(got.at(5), QStringLiteral("'--locale'"));
    qputenv("PATH", savedPath);
}

TEST_F(InteractiveTest, ADestinationThatCannotTakeTheGalleryIsRescuedOnlyWhileTheGalleryIsEmpty)
{
    // A folder holding someone's files (no gallery) is not a gallery folder.
    QDir().mkpath(QString::fromStdString(m_dir.file("taken")));
    TestEnv::WriteFile(m_dir.file("taken/letter.txt"), "mine");
    auto configuration = MakeConfiguration(m_dir.file("configuration"));
    auto controller = std::make_shared<CInstallationController>();
    controller->SetConfiguration(configuration);
    CCmdLineContext context;
    WorkFlowTuple tuple{context, nullptr, configuration, controller, nullptr, nullptr, nullptr};
    configuration->SetDestination(CKeldaDirectoryPath::FromUtf8(m_dir.file("taken")));
    ASSERT_EQ(controller->GetDestination().GetDirectoryPathString(), Text::FromUtf8(m_dir.file("taken")));

    answer = QMessageBox::Cancel;
    EXPECT_FALSE(CWorkFlow::EnsureWritableDestination(tuple, nullptr));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
    EXPECT_TRUE(boxes[0].text.endsWith(QStringLiteral("\nPlease select another directory.")))
        << boxes[0].text.toStdString();

    // OK: the folder question; a folder with files is refused, an empty one is taken.
    static std::vector<QString> answers;
    answers = {QString::fromStdString(m_dir.file("taken")), QString::fromStdString(m_dir.file("fresh"))};
    PathSelector::SetAskFunctionForTesting([](QWidget *, const QString &, const QString &) {
        QString next = answers.empty() ? QString() : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return next;
    });
    boxes.clear();
    answer = QMessageBox::Ok;
    EXPECT_TRUE(CWorkFlow::EnsureWritableDestination(tuple, nullptr));
    PathSelector::SetAskFunctionForTesting(nullptr);
    EXPECT_EQ(configuration->GetDestination().GetDirectoryPathString(), Text::FromUtf8(m_dir.file("fresh")));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].icon, QMessageBox::Critical) << "the folder with files is refused";
    EXPECT_TRUE(TestEnv::Exists(m_dir.file("taken/letter.txt")));
}

TEST_F(InteractiveTest, WaitForCDWithoutASourceSaysInvalidArgument)
{
    CWorkFlow workflow;
    CCmdLineContext context;
    EXPECT_EQ(workflow.WaitForCD(context, std::make_shared<ConfigurationWrapper>()), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Invalid argument."));
}

// A first run whose licence is declined ends with 0, and nothing is registered or copied.
TEST_F(InteractiveTest, ADeclinedLicenceEndsTheFirstRunWithNothingDone)
{
    auto configuration = MakeConfiguration(m_dir.file("licensed"), true);
    CCmdLineContext context;
    WorkFlowTuple tuple = CWorkFlow::GallerySetFactory(context, configuration);
    ModalDismisser dismisser;
    EXPECT_EQ(CWorkFlow::NormalImpl(tuple), 0);
    EXPECT_EQ(dismisser.seen, QStringList{QStringLiteral("Test")}) << "the licence dialog, titled by the configuration";
    EXPECT_FALSE(configuration->ReadGalleryPreferences());
    EXPECT_TRUE(boxes.empty());
}
