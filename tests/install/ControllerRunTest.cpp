// The controller's runs against a local source: the events of every one-shot run (a failed read and a
// cancelled run included), what each run leaves in the destination, updates only, the languages a run
// records, and the questions stopping at the first observer that refuses.
#include "ControllerTestSupport.h"

#include "install/GalleryInstallation.h"
#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"

#include <filesystem>

using namespace ControllerTest;
using EngineTest::DescribeRecords;

namespace
{

constexpr auto None = eGalleryInstallationActionNone;
constexpr auto Install = eGalleryInstallationActionInstall;
constexpr auto Update = eGalleryInstallationActionUpdate;
constexpr auto Remove = eGalleryInstallationActionRemove;

const std::vector<std::string> kAllRecords = {"http://test.invalid/atlas_a 1 en:1",
                                              "http://test.invalid/atlas_b 1 en:1", "http://test.invalid/space 1 en:1",
                                              "http://test.invalid/tools 9"};

class ControllerRunTest : public Fixture
{
  protected:
    std::vector<CAtlString> LocaleList() const { return m_configuration->GetLocaleList(); }
};

TEST_F(ControllerRunTest, InstallAllReadsSelectsRunsAndForgetsTheInstallation)
{
    UseSmallSource();
    EXPECT_TRUE(m_controller->RunInstallAll(&m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 4}));
    EXPECT_EQ(m_controller->GetInstallation(), nullptr);
    EXPECT_EQ(DescribeRecords(DestinationPath()), kAllRecords);
    // The languages seen: none installed, French offered.
    EXPECT_EQ(TestEnv::ReadFile(DestinationPath() + "/Uninstall/knownlanguages.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<KnownLanguages>\n"
              "    <language code=\"fr\"/>\n</KnownLanguages>\n");
    EXPECT_TRUE(LocaleList().empty());
}

TEST_F(ControllerRunTest, InstallSomeTakesTheNamedCategoriesOrUpdatesTheInstalledOnes)
{
    UseSmallSource();
    EXPECT_TRUE(m_controller->RunInstallSome({L"no-such-category", L"cat-tools"}, &m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 4}));
    EXPECT_EQ(DescribeRecords(DestinationPath()), (std::vector<std::string>{"http://test.invalid/tools 9"}));

    // An empty list updates what is installed and installs nothing new.
    EngineTest::SourceVersions newer;
    newer.tools = L"A";
    newer.space = L"2";
    UseSmallSource(newer);
    m_events.events.clear();
    EXPECT_TRUE(m_controller->RunInstallSome({}, &m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 4}));
    EXPECT_EQ(DescribeRecords(DestinationPath()), (std::vector<std::string>{"http://test.invalid/tools A"}));

    // Only unknown identifiers: nothing to do, still a finished run.
    m_events.events.clear();
    EXPECT_TRUE(m_controller->RunInstallSome({L"CAT-TOOLS"}, &m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 4}));
    EXPECT_EQ(m_controller->GetLastRunResult(), S_FALSE);
}

TEST_F(ControllerRunTest, DownloadsFetchIntoTheDestinationAndInstallNothing)
{
    UseSmallSource();
    m_controller->ForceAddedLanguages({L"fr"});
    EXPECT_TRUE(m_controller->RunDownloadSome({L"cat-atlas", L"unknown"}, &m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 4}));
    for (const char *name : {"atlas_a.gallery", "atlas_b.gallery", "atlas_fr.xml"})
        EXPECT_TRUE(TestEnv::Exists(DestinationPath() + "/" + name)) << name;
    EXPECT_FALSE(TestEnv::Exists(DestinationPath() + "/space.gallery"));

    m_events.events.clear();
    EXPECT_TRUE(m_controller->RunDownloadAll(&m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 4}));
    for (const char *name : {"space.gallery", "tools.gallery", "space_fr.zip"})
        EXPECT_TRUE(TestEnv::Exists(DestinationPath() + "/" + name)) << name;
    EXPECT_TRUE(DescribeRecords(DestinationPath()).empty()) << "nothing installed";
    EXPECT_TRUE(LocaleList().empty()) << "download-only runs record no languages";
    EXPECT_EQ(m_controller->GetInstallation(), nullptr);
}

TEST_F(ControllerRunTest, UninstallRemovesEveryInstalledGalleryFromTheCache)
{
    UseSmallSource();
    PreInstall({{L"cat-space", Install}, {L"cat-atlas", Install}});
    // The source is gone: uninstalling reads the cached categories file.
    TestEnv::RemoveAll(SourcePath());
    const CKeldaDirectoryPath destination = m_controller->RunUninstall(&m_progress);
    EXPECT_EQ(destination, Destination());
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 4}));
    EXPECT_TRUE(DescribeRecords(DestinationPath()).empty());
    EXPECT_EQ(m_controller->GetInstallation(), nullptr);
}

TEST_F(ControllerRunTest, FailedReadIsReportedAndTheRunGoesOn)
{
    UseSmallSource();
    std::filesystem::remove(SourcePath() + "/gallery_categories.xml");
    EXPECT_TRUE(m_controller->RunInstallAll(&m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(m_controller->GetLastRunResult(), S_FALSE) << "nothing to do";

    m_events.events.clear();
    EXPECT_TRUE(m_controller->RunDownloadAll(&m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 2, 4}));
}

TEST_F(ControllerRunTest, CancelledRunIsASuccessAndLeavesTheRestAborted)
{
    UseSmallSource();
    ASSERT_TRUE(m_controller->ReadGalleryState(&m_progress));
    m_controller->SelectEverything();
    CGalleryInstallation::SetStepHook([this](const char *step) {
        if (std::string(step) == "install") m_controller->Cancel();
    });
    m_events.onRunEnded = [](CGalleryInstallation *installation) {
        ASSERT_NE(installation, nullptr);
        const CGalleryInstallationItem *space = installation->GetByIdentifier(L"cat-space");
        EXPECT_EQ(space->GetStatus(), S_OK);
        for (const wchar_t *id : {L"cat-tools", L"cat-atlas"}) {
            EXPECT_EQ(installation->GetByIdentifier(id)->GetStatus(), E_ABORT);
            EXPECT_TRUE(installation->GetByIdentifier(id)->GetFinished());
        }
    };
    EXPECT_TRUE(m_controller->RunEverything(&m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 3, 5}));
    EXPECT_EQ(m_controller->GetLastRunResult(), E_ABORT);
    EXPECT_EQ(DescribeRecords(DestinationPath()), (std::vector<std::string>{"http://test.invalid/space 1 en:1"}));
    EXPECT_NE(m_controller->GetInstallation(), nullptr) << "the window keeps its installation";

    // The one-shot runs too: cancelled is done.
    m_events.events.clear();
    m_events.onRunEnded = nullptr;
    EXPECT_TRUE(m_controller->RunInstallAll(&m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 5}));
}

TEST_F(ControllerRunTest, FailedRunIsEvent6)
{
    UseSmallSource();
    ASSERT_TRUE(m_controller->ReadGalleryState(&m_progress));
    std::filesystem::remove(SourcePath() + "/tools.gallery");
    m_controller->ClearSelection();
    ASSERT_TRUE(m_controller->SetNewAction(Item(L"cat-tools"), Install));
    EXPECT_FALSE(m_controller->RunEverything(&m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 3, 6}));
    EXPECT_EQ(m_controller->GetLastRunResult(), E_FAIL);
}

TEST_F(ControllerRunTest, RunUpdatesRunsOnlyTheUpdatesAndRestoresTheSelection)
{
    UseSmallSource();
    PreInstall({{L"cat-space", Install}, {L"cat-tools", Install}});
    ASSERT_TRUE(m_controller->ReadGalleryState(&m_progress));
    ASSERT_FALSE(m_controller->UpdatesAvailable());
    m_controller->SelectEverything();
    const std::vector<int> selected = Actions();
    EXPECT_EQ(selected, (std::vector<int>{None, None, Install}));
    m_events.events.clear();
    EXPECT_TRUE(m_controller->RunUpdates(&m_progress));
    EXPECT_TRUE(m_events.events.empty()) << "no updates, no event";
    EXPECT_EQ(Actions(), selected);
    EXPECT_EQ(m_progress.Reports().size(), 2u) << "only the read's reports";

    EngineTest::SourceVersions newer;
    newer.space = L"2";
    UseSmallSource(newer);
    ASSERT_TRUE(m_controller->ReadGalleryState(&m_progress));
    ASSERT_TRUE(m_controller->UpdatesAvailable());
    ASSERT_TRUE(m_controller->SetNewAction(Item(L"cat-atlas"), Install));
    ASSERT_TRUE(m_controller->SetNewAction(Item(L"cat-tools"), Remove));
    const std::vector<int> chosen = Actions();
    m_events.events.clear();
    EXPECT_TRUE(m_controller->RunUpdates(&m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{3, 4}));
    EXPECT_EQ(Actions(), chosen);
    EXPECT_EQ(DescribeRecords(DestinationPath()),
              (std::vector<std::string>{"http://test.invalid/space 2 en:1", "http://test.invalid/tools 9"}));
}

TEST_F(ControllerRunTest, LanguagesAreRecordedOnlyOnceTheirPacksAreIn)
{
    UseSmallSource();
    PreInstall({{L"cat-space", Install}});
    m_controller->ForceAddedLanguages({L"fr"});

    // Cancelled before any pack was applied: the configured languages stay as they were.
    CGalleryInstallation::SetStepHook([this](const char *step) {
        if (std::string(step) == "install") m_controller->Cancel();
    });
    EXPECT_TRUE(m_controller->RunInstallAll(&m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 5}));
    EXPECT_TRUE(LocaleList().empty());

    // A finished run records them, and the already installed gallery got its French pack too.
    CGalleryInstallation::SetStepHook(nullptr);
    m_events.events.clear();
    EXPECT_TRUE(m_controller->RunInstallAll(&m_progress));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 4}));
    EXPECT_EQ(LocaleList(), (std::vector<CAtlString>{L"fr"}));
    EXPECT_EQ(
        DescribeRecords(DestinationPath()),
        (std::vector<std::string>{"http://test.invalid/atlas_a 1 en:1 fr:1", "http://test.invalid/atlas_b 1 en:1 fr:1",
                                  "http://test.invalid/space 1 en:1 fr:1", "http://test.invalid/tools 9"}));
    // French is installed now: it is no longer added, and the next run targets it as installed.
    m_controller->ForceAddedLanguages({});
    ASSERT_TRUE(m_controller->ReadGalleryState(&m_progress));
    m_controller->SyncLanguages();
    EXPECT_EQ(Codes(m_controller->GetInstalledLanguages()), (std::vector<std::wstring>{L"fr"}));
    EXPECT_TRUE(m_controller->GetAvailableLanguages().empty());
    EXPECT_EQ(m_controller->GetTargetLanguages(), (std::vector<CAtlString>{L"fr"}));
}

TEST_F(ControllerRunTest, FailedRunRecordsNoLanguages)
{
    UseSmallSource();
    std::filesystem::remove(SourcePath() + "/tools.gallery");
    m_controller->ForceAddedLanguages({L"fr"});
    EXPECT_TRUE(m_controller->RunInstallSome({L"cat-tools"}, &m_progress) == false);
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 6}));
    EXPECT_TRUE(LocaleList().empty());
}

TEST_F(ControllerRunTest, ReadingAgainReplacesTheInstallation)
{
    UseSmallSource();
    ASSERT_TRUE(m_controller->ReadGalleryState(&m_progress));
    const CGalleryInstallation *first = m_controller->GetInstallation();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(m_controller->GetDestination(), Destination());
    EXPECT_TRUE(m_controller->ReadGalleryState(Destination(), SourceBase(), &m_progress, false, true));
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(m_controller->GetInstallation()->GetCount(), 3u);

    m_controller->RefreshGalleryState(&m_progress);
    EXPECT_EQ(m_events.events, (std::vector<int>{0, 1, 0, 1, 0, 1}));
    m_controller->Dispose();
    EXPECT_EQ(m_controller->GetInstallation(), nullptr);
}

TEST_F(ControllerRunTest, QuestionsStopAtTheFirstRefusal)
{
    UseSmallSource();
    PreInstall({{L"cat-space", Install}});
    EventRecorder yes, no, never;
    no.answers = {{7, false}, {8, false}, {9, false}};
    CInstallationController controller;
    controller.SetConfiguration(m_configuration);
    controller.SetLanguageList(LanguageXml::LanguageList());
    controller.SetSource(SourceBase());
    for (int question : {7, 8, 9})
        EXPECT_TRUE(controller.AskObservers(CInstallationController::Event(question)));
    controller.AddInstallationObserver(&yes);
    controller.AddInstallationObserver(&no);
    controller.AddInstallationObserver(&never);

    ASSERT_TRUE(controller.ReadGalleryState(&m_progress));
    controller.SyncLanguages();
    ASSERT_TRUE(controller.AddLanguageToUserList(LanguageXml::Language::CreateStubLanguage(L"fr")));
    ASSERT_EQ(controller.GetInstallation()->GetByIdentifier(L"cat-space")->GetAction(), Update);
    yes.events.clear();
    never.events.clear();
    // Leaving the update would drop the added languages: the second observer says no.
    EXPECT_FALSE(controller.SetNewAction(controller.GetInstallation()->GetByIdentifier(L"cat-space"), None));
    EXPECT_EQ(yes.events, (std::vector<int>{8}));
    EXPECT_EQ(no.events.back(), 8);
    EXPECT_TRUE(never.events.empty());
    EXPECT_EQ(controller.GetInstallation()->GetByIdentifier(L"cat-space")->GetAction(), Update);
    EXPECT_EQ(Codes(controller.GetAddedLanguages()), (std::vector<std::wstring>{L"fr"}));
}

TEST_F(ControllerRunTest, AuthorizationPromptFlagIsTheControllers)
{
    m_controller->AllowAuthorizationDialog(true);
    EXPECT_TRUE(CGalleryInstallation::GetPromptForDownloadAuthenticationInformation());
    m_controller->AllowAuthorizationDialog(false);
    EXPECT_FALSE(CGalleryInstallation::GetPromptForDownloadAuthenticationInformation());
}

} // namespace
