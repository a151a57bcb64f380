// Start-up decisions of the application factory: elevation, the relaunch arguments, the argument list
// kept across a self-update, and the justupdated command.
#include "app/ApplicationFactory.h"
#include "app/CaptureOutput.h"
#include "app/MainImpl.h"
#include "app/ModalDismisser.h"
#include "common/TestEnv.h"
#include "configuration/Defaults.h"
#include "settings/KDAppInfo.h"
#include "settings/Preferences.h"
#include "gallery/facade/Gallery.h"
#include "net/QtDownloaderSignalProxy.h"
#include "support/Text.h"

#include <gtest/gtest.h>

#include <QSettings>

#include <vector>

using NTrove::CCmdLineContext;

namespace
{

void Parse(CApplicationFactory &factory, std::vector<std::string> args)
{
    args.insert(args.begin(), "trove");
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    factory.ParseArguments(static_cast<int>(argv.size()), argv.data());
}

bool TempKeyIsGone()
{
    const auto settings = CreateQSettings(PreferenceScopeUser);
    settings->beginGroup(QStringLiteral("Software/Kelda Labs/Trove/Temp"));
    return settings->allKeys().isEmpty();
}

TEST(NeedsElevationTest, OnlyInteractiveRunsOfOrdinaryUsers)
{
    const struct {
        bool forceUser, authorized, ui, showGui;
        uid_t euid;
        bool expected;
    } cases[] = {
        {false, false, false, true, 1000, true},   // the default command of a normal user
        {false, false, true, false, 1000, true},   // ui forces the GUI rules
        {false, false, false, false, 1000, false}, // console command
        {false, false, false, true, 0, false},     // root
        {true, false, false, true, 1000, false},   // forceuser
        {false, true, true, true, 1000, false},    // already the elevated relaunch
    };
    for (const auto &c : cases) {
        CCmdLineContext context;
        context.forceUser = c.forceUser;
        context.authorized = c.authorized;
        context.ui = c.ui;
        context.showGui = c.showGui;
        EXPECT_EQ(CApplicationFactory::NeedsElevation(context, c.euid), c.expected)
            << c.forceUser << c.authorized << c.ui << c.showGui << " uid " << c.euid;
    }
}

TEST(StartupTest, OptionsDecideTheElevationInputs)
{
    CApplicationFactory gui;
    Parse(gui, {"-source", "/media/cd"});
    EXPECT_TRUE(CApplicationFactory::NeedsElevation(gui.GetContext(), 1000));
    CApplicationFactory console;
    Parse(console, {"--installall"});
    EXPECT_FALSE(CApplicationFactory::NeedsElevation(console.GetContext(), 1000));
}

TEST(StartupTest, AuthorizedArgumentsRepeatTheCommandLine)
{
    CApplicationFactory withLocale;
    Parse(withLocale, {"-source", "/media/my cd", "-locale", "fr_FR"});
    EXPECT_EQ(withLocale.GetAuthorizedArguments(),
              (QStringList{"-source", "/media/my cd", "-locale", "fr_FR", "--authorized", "--locale", "fr_FR"}));

    CApplicationFactory withoutLocale;
    Parse(withoutLocale, {"-ui"});
    const QStringList arguments = withoutLocale.GetAuthorizedArguments();
    ASSERT_EQ(arguments.size(), 4);
    EXPECT_EQ(arguments.mid(0, 3), (QStringList{"-ui", "--authorized", "--locale"}));
    EXPECT_FALSE(arguments.at(3).isEmpty());
}

TEST(PushPopArgumentsTest, RoundTripLeavesNoKeyBehind)
{
    KDAppInfo::applicationInfo();
    const QStringList list{"--configuration", "/opt/Kelda Labs/gallery", "-l", "fr_FR", "", "ü"};
    ASSERT_TRUE(CCmdLineContext::PushArguments(list));
    ASSERT_FALSE(TempKeyIsGone());
    // A second push replaces the first one completely.
    ASSERT_TRUE(CCmdLineContext::PushArguments(list));

    QStringList popped{"kept"};
    EXPECT_TRUE(CCmdLineContext::PopArguments(popped));
    EXPECT_EQ(popped, QStringList{"kept"} + list);
    EXPECT_TRUE(TempKeyIsGone());

    // Nothing stored: success, nothing appended.
    QStringList empty;
    EXPECT_TRUE(CCmdLineContext::PopArguments(empty));
    EXPECT_TRUE(empty.isEmpty());
}

TEST(PushPopArgumentsTest, AMissingValueFailsThePopAndStillClears)
{
    KDAppInfo::applicationInfo();
    ASSERT_TRUE(CCmdLineContext::PushArguments({"a", "b", "c"}));
    ASSERT_EQ(DeletePreference(PreferenceScopeUser, Defaults::TEMP_KEY, L"1"), 0);
    QStringList popped;
    EXPECT_FALSE(CCmdLineContext::PopArguments(popped));
    EXPECT_EQ(popped, (QStringList{"a", "", "c"}));
    EXPECT_TRUE(TempKeyIsGone());
}

// The default command without a configuration offers the gallery chooser; cancelling it ends the run
// with message 0.
TEST(JustUpdatedTest, NothingStoredRunsTheDefaultCommand)
{
    KDAppInfo::applicationInfo();
    CApplicationFactory factory;
    Parse(factory, {"--justupdated"});
    ModalDismisser dismisser;
    const CapturedOutput o = Capture([&] { return factory.Run(); });
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, "");
    // The offscreen platform adds lines of its own.
    EXPECT_NE(o.err.find("Could not load the configuration.\n"), std::string::npos) << o.err;
    EXPECT_EQ(dismisser.seen, (QStringList{"Select a Gallery", "Could not load the configuration."}));
}

TEST(JustUpdatedTest, StoredArgumentsFillTheContextAgain)
{
    KDAppInfo::applicationInfo();
    ASSERT_TRUE(CCmdLineContext::PushArguments({"-source", "/media/cd", "-l", "de_DE"}));
    CApplicationFactory factory;
    Parse(factory, {"--justupdated"});
    ModalDismisser dismisser;
    const CapturedOutput o = Capture([&] { return factory.Run(); });
    EXPECT_NE(o.err.find("Could not load the configuration.\n"), std::string::npos) << o.err;
    EXPECT_EQ(factory.GetContext().source, L"/media/cd");
    EXPECT_EQ(factory.GetContext().languages, NTrove::CAtlStringList{L"de_DE"});
    EXPECT_EQ(factory.GetContext().GetArguments(), (QStringList{"-source", "/media/cd", "-l", "de_DE"}));
    EXPECT_TRUE(TempKeyIsGone());
}

TEST(StartupTest, LoadedConfigurationExtendsTheStyleSheet)
{
    CApplicationFactory factory;
    EXPECT_EQ(factory.GetStyleSheet(), QString::fromUtf8(CApplicationFactory::DEFAULT_STYLE_SHEET));
    const std::string sample = std::string(TROVE_SOURCE_DIR) + "/samples/configuration";
    Parse(factory, {"--noui", "--configuration", sample.c_str(), "--version"});
    const QString own = QString::fromStdString(TestEnv::ReadFile(sample + "/style.qss"));
    ASSERT_FALSE(own.isEmpty());
    EXPECT_TRUE(factory.GetStyleSheet().startsWith(QString::fromUtf8(CApplicationFactory::DEFAULT_STYLE_SHEET)));
    EXPECT_TRUE(factory.GetStyleSheet().contains(own.trimmed())) << factory.GetStyleSheet().toStdString();
    EXPECT_EQ(factory.GetContext().configurationPath, Text::FromUtf8(sample));
}

} // namespace

namespace
{

// Stands in for the command and records what was up while it ran.
class ObservingFactory : public CApplicationFactory
{
  public:
    int Run() override
    {
        proxyUp = QtDownloader::QtDownloaderSignalProxy::Instance() != nullptr;
        initializeCount = CGallery::GetInitializeCount();
        personalGallery = CGallery::GetMyContentManifest() != nullptr;
        return 7;
    }
    bool proxyUp = false;
    int initializeCount = 0;
    bool personalGallery = false;
};

} // namespace

// The command runs with the gallery library initialised once and the credential prompt proxy created;
// both are gone when the run ends, and the command's result is the run's.
TEST(StartupTest, TheCommandRunsWithTheLibraryAndTheCredentialProxyUp)
{
    ObservingFactory factory;
    std::vector<std::string> args{"trove", "--noui", "--version"};
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    EXPECT_EQ(mainImpl(static_cast<int>(argv.size()), argv.data(), factory), 7);
    EXPECT_TRUE(factory.proxyUp);
    EXPECT_EQ(factory.initializeCount, 1);
    EXPECT_TRUE(factory.personalGallery);
    EXPECT_EQ(CGallery::GetInitializeCount(), 0);
    EXPECT_EQ(QtDownloader::QtDownloaderSignalProxy::Instance(), nullptr);
}
