// The gallery facade: initialisation counting, the personal manifest, loaded content, observers and
// the refresh thread.
#include "FacadeTestSupport.h"

#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "gallery/facade/GalleryInitializeThread.h"
#include "gallery/records/GalleryManifestCollection.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/records/GalleryRepository.h"

#include <filesystem>

using namespace FacadeTest;

namespace
{

using Facade = LibraryFixture;

struct ManifestFile {
    std::string bytes;
    std::filesystem::file_time_type time;
};

ManifestFile Snapshot(const std::string &path)
{
    return {TestEnv::ReadFile(path), std::filesystem::last_write_time(path)};
}

TEST_F(Facade, OnlyTheFirstInitializeAndTheLastUninitializeAct)
{
    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    CGalleryManifest *first = CGallery::GetMyContentManifest();
    ASSERT_NE(first, nullptr);
    // Synchronous: everything has run, nothing runs on, and no refresh thread exists.
    ASSERT_NE(CGallery::InitializeThread, nullptr);
    EXPECT_TRUE(CGallery::InitializeThread->IsFinished());
    EXPECT_FALSE(CGallery::InitializeThread->IsRunning());
    CGallery::InitializeThread->Join();
    EXPECT_EQ(CGallery::GetRefreshThread(), nullptr);

    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    EXPECT_EQ(CGallery::GetInitializeCount(), 2);
    EXPECT_EQ(CGallery::GetMyContentManifest(), first);

    CGallery::Uninitialize();
    EXPECT_EQ(CGallery::GetInitializeCount(), 1);
    EXPECT_EQ(CGallery::GetMyContentManifest(), first);

    CGallery::Uninitialize();
    EXPECT_EQ(CGallery::GetInitializeCount(), 0);
    EXPECT_EQ(CGallery::GetMyContentManifest(), nullptr);
    EXPECT_EQ(CGallery::GetTeamContentManifests(), nullptr);
    EXPECT_EQ(CGallery::InitializeThread, nullptr);
    CGallery::Uninitialize(); // one too many does nothing
    EXPECT_EQ(CGallery::GetInitializeCount(), 0);
}

TEST_F(Facade, FreshHomeGetsMyContentWithFixedIdentifiersAndASecondStartReusesAndSavesIt)
{
    const std::string xml = Text::ToUtf8(CGallery::GetDefaultMyContentManifestXmlPath());
    ASSERT_FALSE(TestEnv::Exists(xml));
    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    ASSERT_TRUE(TestEnv::Exists(xml));
    CGallery::Uninitialize();

    CGalleryManifest *saved = nullptr;
    ASSERT_EQ(CGalleryManifest::CreateInstance(&saved), S_OK);
    ASSERT_EQ(saved->Open(Text::FromUtf8(xml).c_str()), S_OK);
    EXPECT_STREQ(saved->GetIdentifier(), L"http://gallery.keldalabs.invalid/default?manifest=My%20Content");
    ASSERT_EQ(saved->GetOrganizations()->GetCount(), 1u);
    CGalleryOrganization *organization = saved->GetOrganizations()->GetAt(0);
    EXPECT_STREQ(organization->GetIdentifier(), L"http://gallery.keldalabs.invalid/default?organization=My%20Content");
    EXPECT_STREQ(organization->GetMetadata()->GetTitle()->GetString(L"en"), L"My Content");
    ASSERT_EQ(organization->GetActivities()->GetCount(), 1u);
    EXPECT_STREQ(organization->GetActivities()->GetAt(0)->GetIdentifier(),
                 L"http://gallery.keldalabs.invalid/My%20Content");
    CGalleryManifest::DeleteInstance(&saved);

    // Every start saves the personal manifest: a comment added by hand is gone, the content is the same.
    const ManifestFile before = Snapshot(xml);
    ASSERT_TRUE(TestEnv::WriteFile(xml, before.bytes + "<!-- by hand -->\n"));
    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    const ManifestFile after = Snapshot(xml);
    EXPECT_EQ(after.bytes, before.bytes);
    ASSERT_NE(CGallery::GetMyContent(), nullptr);
    EXPECT_STREQ(CGallery::GetMyContent()->GetIdentifier(), CGallery::MyContentActivityIdentifier);
    EXPECT_EQ(CGallery::GetMyContentOrganization()->GetManifest(), CGallery::GetMyContentManifest());
    EXPECT_EQ(CGallery::GetMyContentManifest()->GetOrganizations()->GetCount(), 1u);
}

TEST_F(Facade, AnExistingPersonalManifestGainsTheMissingOrganization)
{
    // A personal manifest made elsewhere keeps what it holds and gets the fixed organization added.
    TestEnv::TempDir dir;
    const std::string xml = MakeTeamContent(dir.path());
    RecursivePreferenceDelete(PreferenceScopeUser, CGallery::PreferencesPath);
    RecursivePreferenceDelete(PreferenceScopeMachine, CGallery::PreferencesPath);
    ASSERT_EQ(
        WritePreferenceString(PreferenceScopeUser, CGallery::PreferencesPath, L"DefaultManifest", Text::FromUtf8(xml)),
        0);
    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    CGalleryManifest *manifest = CGallery::GetMyContentManifest();
    ASSERT_NE(manifest, nullptr);
    EXPECT_TRUE(CKeldaFilePath(manifest->GetXmlPath()).IsEqualPath(CKeldaFilePath(Text::FromUtf8(xml))));
    EXPECT_EQ(manifest->GetOrganizations()->GetCount(), 2u);
    EXPECT_STREQ(CGallery::GetMyContentOrganization()->GetIdentifier(), CGallery::MyContentOrganizationIdentifier);
    EXPECT_FALSE(TestEnv::Exists(Text::ToUtf8(CGallery::GetDefaultMyContentManifestXmlPath())));
}

TEST_F(Facade, LoadsStockTeamContentAndRepositoriesButSkipsCvsAndBrokenGalleries)
{
    TestEnv::TempDir dir;
    const std::string team = MakeTeamContent(dir.path() + "/team");
    const std::string stock = MakeTeamContent(dir.path() + "/stock");
    const std::string repository = dir.path() + "/repository";
    MakeTeamContent(repository + "/one");
    MakeTeamContent(repository + "/CVS");
    // Only the team gallery stays registered as team content; a broken one is registered beside it.
    RecursivePreferenceDelete(PreferenceScopeUser, CGallery::PreferencesPath);
    RecursivePreferenceDelete(PreferenceScopeMachine, CGallery::PreferencesPath);
    for (const std::string &xml : {team, dir.path() + "/broken/imsmanifest.xml"}) {
        CGalleryExtensionInfo extension(CGalleryExtensionInfo::TeamContentExtensionType, CGallery::NewGuid());
        extension.imsManifestXml = Text::FromUtf8(xml);
        ASSERT_EQ(extension.SetPreferences(), S_OK);
    }
    ASSERT_TRUE(TestEnv::WriteFile(dir.path() + "/broken/imsmanifest.xml", "<manifest><organizations>"));
    ASSERT_EQ(WritePreferenceString(PreferenceScopeUser, CGallery::PreferencesPath, L"GalleryTasterManifest",
                                    Text::FromUtf8(stock)),
              0);
    ASSERT_EQ(CGalleryRepository::RegisterRepository(Text::FromUtf8(repository).c_str()), S_OK);

    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    ASSERT_EQ(CGallery::GetTeamContentManifests()->GetCount(), 1u);
    EXPECT_NE(CGallery::GetTeamContentManifests()->IndexOfXmlPath(Text::FromUtf8(team).c_str()), CGallery::MaxIndex);
    ASSERT_NE(CGallery::GetStockManifest(), nullptr);
    EXPECT_EQ(CGallery::GetStockManifest()->GetOrganizations()->GetCount(), 1u);
    ASSERT_EQ(CGallery::GetRepositories()->GetCount(), 1u);
    CGalleryManifestCollection *inRepository = CGallery::GetRepositories()->GetAt(0)->GetManifests();
    ASSERT_EQ(inRepository->GetCount(), 1u);
    EXPECT_NE(inRepository->IndexOfXmlPath(Text::FromUtf8(repository + "/one/imsmanifest.xml").c_str()),
              CGallery::MaxIndex);
}

TEST_F(Facade, ObserversHearInitialisationAndLanguageChangesInOrder)
{
    std::vector<std::string> log;
    RecordingObserver first("a", &log), second("b", &log);
    CGallery::RegisterObserver(&first);
    CGallery::RegisterObserver(&second);
    CGallery::RegisterObserver(&first); // once only
    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    CGallery::SetCurrentLanguage(L"de", true);
    CGallery::SetCurrentLanguage(L"fr", false);
    EXPECT_EQ(CGallery::GetCurrentLanguage(), L"fr");
    CGallery::UnregisterObserver(&first);
    CGallery::SetCurrentLanguage(L"en", true);
    CGallery::UnregisterObserver(&second);
    EXPECT_EQ(log, (std::vector<std::string>{"a:4", "b:4", "a:5", "b:5", "b:5"}));
}

TEST(RefreshInterval, FollowsTheExtensionAndTheClampTable)
{
    CGalleryManifest *manifest = nullptr;
    ASSERT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
    CGalleryOrganization *organization = nullptr;
    ASSERT_EQ(CGalleryOrganization::CreateInstance(&organization), S_OK);
    ASSERT_EQ(manifest->GetOrganizations()->Add(organization), S_OK);

    struct Case {
        int stored;
        bool readOnly;
        double override;
        double expected;
    } cases[] = {
        {0, false, -1, 35},
        {0, true, -1, 60},
        {100, true, -1, 100},
        {100, false, 0.25, 0.25},
    };
    for (const Case &c : cases) {
        CGalleryExtensionInfo extension(CGalleryExtensionInfo::TeamContentExtensionType, L"X");
        extension.updateCheckIntervalSeconds = c.stored;
        organization->SetReadOnly(c.readOnly);
        CGalleryMultiproc::Timing timing;
        timing.teamContentIntervalSeconds = c.override;
        EXPECT_EQ(CGalleryMultiproc::TeamContentInterval(extension, manifest, timing), c.expected) << c.stored;
    }
    CGalleryManifest::DeleteInstance(&manifest);
}

// With the library running, a new gallery joins the loaded team content and the observers hear of it;
// a second gallery set up in the same folder is not registered twice; a repair is announced.
TEST_F(Facade, NewGalleriesJoinTheLoadedTeamContentAndRepairsAreAnnounced)
{
    TestEnv::TempDir dir;
    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    RecordingObserver observer;
    CGallery::RegisterObserver(&observer);
    const std::wstring folder = Text::FromUtf8(dir.path() + "/mine");
    const std::wstring xml = folder + L"/imsmanifest.xml";
    for (int round = 0; round < 2; ++round) {
        CGalleryManifest *manifest = nullptr;
        ASSERT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
        ASSERT_EQ(manifest->SetupNewManifest(folder.c_str(), false, nullptr, true), S_OK);
        if (round == 1) {
            ASSERT_EQ(manifest->Repair(), S_OK);
        }
        CGalleryManifest::DeleteInstance(&manifest);
    }
    CGallery::UnregisterObserver(&observer);

    ASSERT_EQ(CGallery::GetTeamContentManifests()->GetCount(), 1u);
    EXPECT_NE(CGallery::GetTeamContentManifests()->IndexOfXmlPath(xml.c_str()), CGallery::MaxIndex);
    std::vector<CGalleryExtensionInfo> personal, shared;
    ASSERT_EQ(CGalleryExtensionInfo::GetExtensions(CGalleryExtensionInfo::PersonalTeamContentExtensionType, personal),
              S_OK);
    CGalleryExtensionInfo::GetExtensions(CGalleryExtensionInfo::TeamContentExtensionType, shared);
    ASSERT_EQ(personal.size(), 1u);
    EXPECT_EQ(personal.front().imsManifestXml, xml);
    EXPECT_TRUE(shared.empty());
    EXPECT_EQ(observer.Types(),
              (std::vector<uint32_t>{eGalleryNotificationManifestAdded, eGalleryNotificationRepaired}));
}

TEST_F(Facade, TeamContentIsExaminedAgainOnlyAfterItsInterval)
{
    TestEnv::TempDir dir;
    const std::string xml = MakeTeamContent(dir.path() + "/team");
    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    RecordingObserver observer;
    CGallery::RegisterObserver(&observer);

    CGalleryMultiproc waiting; // the default interval: 35 s for a writable local gallery
    EXPECT_FALSE(waiting.RunPass(CGalleryMultiproc::ePassTeamContent));
    Retitle(xml, L"Changed");
    EXPECT_FALSE(waiting.RunPass(CGalleryMultiproc::ePassTeamContent));

    CGalleryMultiproc::Timing timing;
    timing.teamContentIntervalSeconds = 0;
    CGalleryMultiproc::SetTiming(timing);
    CGalleryMultiproc eager;
    EXPECT_TRUE(eager.RunPass(CGalleryMultiproc::ePassTeamContent)); // a new thread examines at once
    Retitle(xml, L"Changed again");
    EXPECT_TRUE(eager.RunPass(CGalleryMultiproc::ePassTeamContent));
    EXPECT_STREQ(CGallery::GetTeamContentManifests()->GetAt(0)->GetMetadata()->GetTitle()->GetString(L"en"),
                 L"Changed again");

    // A registration that goes away takes its manifest along.
    RecursivePreferenceDelete(PreferenceScopeUser, CGallery::PreferencesPath);
    RecursivePreferenceDelete(PreferenceScopeMachine, CGallery::PreferencesPath);
    EXPECT_TRUE(eager.RunPass(CGalleryMultiproc::ePassTeamContent));
    EXPECT_EQ(CGallery::GetTeamContentManifests()->GetCount(), 0u);
    CGallery::UnregisterObserver(&observer);
    EXPECT_EQ(observer.Types(),
              (std::vector<uint32_t>{eGalleryNotificationManifestChanged, eGalleryNotificationManifestChanged,
                                     eGalleryNotificationManifestRemoved}));
}

TEST_F(Facade, FullModeRefreshThreadRereadsChangedTeamContentAndTellsObservers)
{
    TestEnv::TempDir dir;
    const std::string xml = MakeTeamContent(dir.path() + "/team");
    CGalleryMultiproc::Timing timing;
    timing.sliceSeconds = 0.02;
    timing.idleSlices = 2;
    timing.changedSlices = 1;
    timing.teamContentIntervalSeconds = 0.05;
    CGalleryMultiproc::SetTiming(timing);
    RecordingObserver observer;
    CGallery::RegisterObserver(&observer);

    ASSERT_EQ(CGallery::Initialize(true), S_OK);
    ASSERT_NE(CGallery::InitializeThread, nullptr);
    CGallery::InitializeThread->Join();
    EXPECT_TRUE(CGallery::InitializeThread->IsFinished());
    ASSERT_TRUE(WaitFor([] { return CGallery::GetRefreshThread() != nullptr; }));
    ASSERT_TRUE(WaitFor([&] { return !observer.Types().empty(); }));
    EXPECT_EQ(observer.Types().front(), eGalleryNotificationInitialized);

    Retitle(xml, L"Edited on disk");
    EXPECT_TRUE(WaitFor([&] { return observer.SawManifestTitled(L"Edited on disk"); }));
    {
        CGalleryLock lock;
        EXPECT_STREQ(CGallery::GetTeamContentManifests()->GetAt(0)->GetMetadata()->GetTitle()->GetString(L"en"),
                     L"Edited on disk");
    }
    CGallery::Uninitialize();
    CGallery::UnregisterObserver(&observer);
    EXPECT_EQ(CGallery::GetRefreshThread(), nullptr);
    // The personal manifest, saved by the library itself, is not taken for a change on disk.
    EXPECT_FALSE(observer.SawManifestTitled(L"My Content"));
}

TEST_F(Facade, UninitializeStopsASleepingRefreshThreadPromptly)
{
    CGalleryMultiproc::Timing timing;
    timing.sliceSeconds = 0.5;
    timing.idleSlices = 600; // five minutes between passes
    timing.changedSlices = 600;
    CGalleryMultiproc::SetTiming(timing);
    ASSERT_EQ(CGallery::Initialize(true), S_OK);
    CGallery::InitializeThread->Join();
    ASSERT_TRUE(WaitFor([] { return CGallery::GetRefreshThread() != nullptr; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // let it finish its first pass

    const auto start = std::chrono::steady_clock::now();
    CGallery::Uninitialize();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_EQ(CGallery::GetRefreshThread(), nullptr);
}

TEST_F(Facade, UninitializeRightAfterAFullStartCancelsTheInitialisation)
{
    ASSERT_EQ(CGallery::Initialize(true), S_OK);
    CGallery::Uninitialize();
    EXPECT_EQ(CGallery::GetInitializeCount(), 0);
    EXPECT_EQ(CGallery::GetRefreshThread(), nullptr);
    EXPECT_EQ(CGallery::GetMyContentManifest(), nullptr);
}

} // namespace
