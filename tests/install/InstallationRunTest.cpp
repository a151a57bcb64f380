// Runs of the installation engine against a local source folder: installing, updating, reinstalling
// and removing galleries, mandatory removals, failures of single files, cancellation and the results.
#include "EngineFixture.h"

#include "support/ZipHelper.h"

using namespace EngineTest;

namespace
{

class InstallationRunTest : public Fixture
{
  protected:
    std::string ManifestPath() const { return DestinationPath() + "/imsmanifest.xml"; }
};

TEST_F(InstallationRunTest, InstallsEveryFileWithTranslationsAndRecords)
{
    Publish(SmallSource());
    const Snapshot source = TakeSnapshot(SourcePath());
    InstallationPtr installation = OpenInstallation();
    ASSERT_EQ(m_openResult, S_OK);
    EXPECT_EQ(RunWith(installation.get(), {{L"cat-space", eGalleryInstallationActionInstall},
                                           {L"cat-atlas", eGalleryInstallationActionInstall}}),
              S_OK);
    for (const char *id : {"cat-space", "cat-atlas", "cat-tools"}) {
        const CGalleryInstallationItem *item = installation->GetByIdentifier(Text::FromUtf8(id).c_str());
        EXPECT_EQ(item->GetFinished(), true) << id;
        EXPECT_EQ(item->GetStatus(), std::string(id) == "cat-tools" ? S_FALSE : S_OK) << id;
    }

    EXPECT_EQ(DescribeManifest(ManifestPath()),
              (std::vector<std::string>{"asia.galleryitem en:Asia fr:Asie", "europe.galleryitem en:Europe fr:Europe",
                                        "moon.galleryitem en:Moon fr:Lune", "sun.galleryitem en:Sun fr:Soleil"}));
    EXPECT_EQ(DescribeRecords(DestinationPath()), (std::vector<std::string>{"http://test.invalid/atlas_a 1 en:1 fr:1",
                                                                            "http://test.invalid/atlas_b 1 en:1 fr:1",
                                                                            "http://test.invalid/space 1 en:1 fr:1"}));
    // The manifest and every changed record have their gzip copies.
    const Snapshot destination = TakeSnapshot(DestinationPath());
    int copies = 0;
    for (const auto &[name, bytes] : destination) {
        if (name.size() < 3 || name.compare(name.size() - 3, 3, ".gz") != 0) continue;
        ++copies;
        EXPECT_EQ(Gunzip(DestinationPath() + "/" + name), destination.at(name.substr(0, name.size() - 3))) << name;
    }
    EXPECT_EQ(copies, 4);
    // A local source is read in place: nothing of it is moved or deleted.
    EXPECT_EQ(TakeSnapshot(SourcePath()), source);
    // Unpacked packages are gone at once, the private temporary folder with the installation.
    const std::string temp = Text::ToUtf8(CKeldaDirectoryPath::GetTempFileDirectoryPath().GetDirectoryPathString());
    const std::string own = Text::ToUtf8(installation->GetTempDir().GetDirectoryPathString());
    EXPECT_EQ(Names(TakeSnapshot(temp)), std::vector<std::string>{}) << temp;
    installation.reset();
    EXPECT_FALSE(TestEnv::Exists(own));
}

} // namespace

namespace
{

// One edge of the engine's behaviour: the destination prepared by a first run (if any), a second
// source publication, the actions of the second run and what it must give.
struct RunCase {
    const char *name;
    SourceVersions first;                                          // published before the first run
    std::map<CAtlString, eGalleryInstallationAction> firstActions; // empty: no first run
    SourceVersions second;                                         // published before the second run
    std::map<CAtlString, eGalleryInstallationAction> secondActions;
    HRESULT result;
    bool repaired;                    // the run ended with a repair ("Processing" reported)
    std::vector<std::string> records; // DescribeRecords afterwards
};

void PrintTo(const RunCase &c, std::ostream *out)
{
    *out << c.name;
}

class InstallationRunCaseTest : public Fixture, public ::testing::WithParamInterface<RunCase>
{
};

bool Reported(const std::vector<Report> &reports, int kind)
{
    return std::any_of(reports.begin(), reports.end(), [kind](const Report &r) { return r.kind == kind; });
}

TEST_P(InstallationRunCaseTest, EndsWithTheRecordsAndResult)
{
    const RunCase &c = GetParam();
    if (!c.firstActions.empty()) {
        Publish(SmallSource(c.first));
        ASSERT_EQ(OpenAndRun(c.firstActions), S_OK);
    }
    Publish(SmallSource(c.second));
    RecordingObserver observer;
    InstallationPtr installation = OpenInstallation(CAtlString(), true, &observer);
    ASSERT_EQ(m_openResult, S_OK);
    const Snapshot before = TakeSnapshot(DestinationPath());
    EXPECT_EQ(RunWith(installation.get(), c.secondActions), c.result);
    EXPECT_EQ(Reported(observer.Reports(), eGalleryInstallationProgressProcessing), c.repaired);
    EXPECT_EQ(DescribeRecords(DestinationPath()), c.records);
    if (c.result == S_FALSE && !c.repaired) {
        EXPECT_EQ(TakeSnapshot(DestinationPath()), before);
    }
}

SourceVersions ToolsAt(const wchar_t *version)
{
    SourceVersions v;
    v.tools = version;
    return v;
}

SourceVersions AtlasBAt(const wchar_t *version)
{
    SourceVersions v;
    v.atlasB = version;
    return v;
}

const std::map<CAtlString, eGalleryInstallationAction> kInstallTools = {
    {L"cat-tools", eGalleryInstallationActionInstall}};

INSTANTIATE_TEST_SUITE_P(
    Cases, InstallationRunCaseTest,
    ::testing::Values(
        // Nothing selected: result 1 and not a byte of the destination changes.
        RunCase{"NoActions", {}, kInstallTools, {}, {}, S_FALSE, false, {"http://test.invalid/tools 9"}},
        // Without translations nothing needs rebuilding: the merged manifest is saved.
        RunCase{"PlainInstall", {}, {}, {}, kInstallTools, S_OK, false, {"http://test.invalid/tools 9"}},
        // An installed gallery installed again finds its record and ends with a repair.
        RunCase{"ReinstallOverRecord",
                {},
                kInstallTools,
                {},
                {{L"cat-tools", eGalleryInstallationActionReinstall}},
                S_OK,
                true,
                {"http://test.invalid/tools 9"}},
        // "10" sorts before "9": no update is offered, so an update run does nothing to the files.
        RunCase{"OrdinalVersionIsNoUpdate",
                {},
                kInstallTools,
                ToolsAt(L"10"),
                {{L"cat-tools", eGalleryInstallationActionUpdate}},
                S_FALSE,
                false,
                {"http://test.invalid/tools 9"}},
        // A newer version replaces the installed one over its record.
        RunCase{"UpdateToNewerVersion",
                ToolsAt(L"8"),
                kInstallTools,
                {},
                {{L"cat-tools", eGalleryInstallationActionUpdate}},
                S_OK,
                true,
                {"http://test.invalid/tools 9"}},
        // Of two galleries only the one with an update is fetched; the item's packs are applied again.
        RunCase{"UpdateOnlyChangedFile",
                {},
                {{L"cat-atlas", eGalleryInstallationActionInstall}},
                AtlasBAt(L"2"),
                {{L"cat-atlas", eGalleryInstallationActionUpdate}},
                S_OK,
                true,
                {"http://test.invalid/atlas_a 1 en:1 fr:1", "http://test.invalid/atlas_b 2 en:1 fr:1"}},
        // Removing deletes the records of the item's installed galleries.
        RunCase{"Remove",
                {},
                {{L"cat-tools", eGalleryInstallationActionInstall}, {L"cat-atlas", eGalleryInstallationActionInstall}},
                {},
                {{L"cat-atlas", eGalleryInstallationActionRemove}},
                S_OK,
                false,
                {"http://test.invalid/tools 9"}}),
    [](const ::testing::TestParamInfo<RunCase> &info) { return std::string(info.param.name); });

} // namespace

namespace
{

TEST_F(InstallationRunTest, MandatoryRemovalForcesARepair)
{
    Publish(SmallSource());
    ASSERT_EQ(OpenAndRun({{L"cat-tools", eGalleryInstallationActionInstall},
                          {L"cat-space", eGalleryInstallationActionInstall}}),
              S_OK);
    NTrove::Publisher::Source source = SmallSource();
    source.mandatoryRemovals = {L"http://test.invalid/tools", L"http://test.invalid/never-installed"};
    Publish(source);

    // Download-only never removes anything.
    {
        InstallationPtr installation = OpenInstallation();
        TestEnv::TempDir downloads;
        installation->SetDownloadOnly(CKeldaDirectoryPath::FromUtf8(downloads.path()));
        EXPECT_EQ(installation->Run(), S_FALSE);
        EXPECT_EQ(DescribeRecords(DestinationPath()).size(), 2u);
    }

    RecordingObserver observer;
    InstallationPtr installation = OpenInstallation(CAtlString(), true, &observer);
    EXPECT_EQ(installation->GetMandatoryRemovals().size(), 2u);
    observer.Clear();
    EXPECT_EQ(installation->Run(), S_FALSE) << "nothing was selected";
    EXPECT_EQ(observer.Reports(), (std::vector<Report>{{10, L"", L"", 0, 100}}));
    EXPECT_EQ(DescribeRecords(DestinationPath()), std::vector<std::string>{"http://test.invalid/space 1 en:1 fr:1"});
    // The repair rebuilt the manifest from the remaining records and dropped the removed gallery's files.
    EXPECT_EQ(DescribeManifest(ManifestPath()),
              (std::vector<std::string>{"moon.galleryitem en:Moon fr:Lune", "sun.galleryitem en:Sun fr:Soleil"}));
    EXPECT_FALSE(TestEnv::Exists(DestinationPath() + "/ruler.galleryitem"));
    EXPECT_EQ(Gunzip(ManifestPath() + ".gz"), TestEnv::ReadFile(ManifestPath())) << "the repaired manifest's copy";
}

// A package that cannot be installed: how the categories file names it and what is at that place.
struct BadPackageCase {
    const char *name;
    const wchar_t *listedName; // the name in the categories file (empty: the package's own)
    std::string packageBytes;  // what the package holds instead of a gallery (empty: a real gallery)
    bool skipPackage;
};

class InstallationBadPackageTest : public Fixture, public ::testing::WithParamInterface<BadPackageCase>
{
};

void PrintTo(const BadPackageCase &c, std::ostream *out)
{
    *out << c.name;
}

std::string ZipOf(const std::string &entry, const std::string &content)
{
    TestEnv::TempDir folder;
    TestEnv::WriteFile(folder.file(entry), content);
    TestEnv::TempDir out;
    const std::string archive = out.file("p.zip");
    EXPECT_TRUE(
        CZipHelper::ZipFolderToFile(CKeldaDirectoryPath::FromUtf8(folder.path()), CKeldaFilePath::FromUtf8(archive)));
    return TestEnv::ReadFile(archive);
}

TEST_P(InstallationBadPackageTest, FailsThatFileOnlyAndLeavesNoTrace)
{
    const BadPackageCase &c = GetParam();
    NTrove::Publisher::Source source = SmallSource();
    NTrove::Publisher::Gallery &tools = source.categories[1].galleries[0];
    // An absolute name points at the real package beside the source.
    tools.listedName = c.listedName[0] == L'/' ? Text::FromUtf8(Root()) + c.listedName : CAtlString(c.listedName);
    tools.packageBytes = c.packageBytes;
    tools.skipPackage = c.skipPackage;
    Publish(source);
    // A real package where a name that leaves the source would find one.
    NTrove::Publisher::Source outside = SmallSource();
    outside.categories.erase(outside.categories.begin());
    Publish(outside, Root());
    std::filesystem::create_directories(Root() + "/elsewhere");
    std::filesystem::copy_file(Root() + "/tools.gallery", Root() + "/elsewhere/tools.gallery");

    RecordingObserver observer;
    InstallationPtr installation = OpenInstallation(CAtlString(), true, &observer);
    ASSERT_EQ(m_openResult, S_OK);
    EXPECT_EQ(RunWith(installation.get(), {{L"cat-tools", eGalleryInstallationActionInstall},
                                           {L"cat-space", eGalleryInstallationActionInstall}}),
              S_FALSE)
        << "one item done, one failed";
    const CGalleryInstallationItem *tools_item = installation->GetByIdentifier(L"cat-tools");
    EXPECT_TRUE(FAILED(tools_item->GetStatus()));
    EXPECT_TRUE(tools_item->GetFinished());
    const std::vector<Report> reports = observer.Reports();
    const CAtlString listed = tools.listedName.empty() ? CAtlString(L"tools.gallery") : tools.listedName;
    EXPECT_TRUE(std::any_of(reports.begin(), reports.end(), [&](const Report &r) {
        return r.kind == 7 && r.item == L"cat-tools" && r.text == listed && r.percent == 100;
    }));
    EXPECT_EQ(installation->GetByIdentifier(L"cat-space")->GetStatus(), S_OK);
    EXPECT_EQ(DescribeRecords(DestinationPath()), std::vector<std::string>{"http://test.invalid/space 1 en:1 fr:1"});
    EXPECT_FALSE(TestEnv::Exists(DestinationPath() + "/ruler.galleryitem"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InstallationBadPackageTest,
    ::testing::Values(BadPackageCase{"DamagedZip", L"", "PK\x03\x04 not really an archive", false},
                      BadPackageCase{"NoManifest", L"", ZipOf("readme.txt", "hello"), false},
                      BadPackageCase{"ManifestDoesNotParse", L"", ZipOf("imsmanifest.xml", "<manifest><meta"), false},
                      BadPackageCase{"Missing", L"", "", true},
                      BadPackageCase{"ParentComponent", L"../tools.gallery", "", true},
                      BadPackageCase{"Absolute", L"/elsewhere/tools.gallery", "", true},
                      BadPackageCase{"Backslash", L"..\\tools.gallery", "", true},
                      BadPackageCase{"DotComponent", L"./tools.gallery", "", true}),
    [](const ::testing::TestParamInfo<BadPackageCase> &info) { return std::string(info.param.name); });

TEST_F(InstallationRunTest, AllFailedIsAFailure)
{
    NTrove::Publisher::Source source = SmallSource();
    source.categories[1].galleries[0].skipPackage = true;
    Publish(source);
    EXPECT_EQ(OpenAndRun({{L"cat-tools", eGalleryInstallationActionInstall}}), E_FAIL);
    EXPECT_FALSE(TestEnv::Exists(ManifestPath()));
}

TEST_F(InstallationRunTest, CancelDuringTheItemPassKeepsWhatWasMerged)
{
    Publish(SmallSource());
    RecordingObserver observer;
    InstallationPtr installation = OpenInstallation(CAtlString(), true, &observer);
    // Cancelled (as from the window's thread) once the first gallery is in.
    observer.onReport = [&](const Report &report) {
        if (report.kind == eGalleryInstallationProgressInstalling && report.percent == 100) installation->Cancel();
    };
    EXPECT_EQ(RunWith(installation.get(), {{L"cat-space", eGalleryInstallationActionInstall},
                                           {L"cat-tools", eGalleryInstallationActionInstall},
                                           {L"cat-atlas", eGalleryInstallationActionInstall}}),
              E_ABORT);
    EXPECT_EQ(installation->GetByIdentifier(L"cat-space")->GetStatus(), S_OK);
    for (const wchar_t *id : {L"cat-tools", L"cat-atlas"}) {
        EXPECT_EQ(installation->GetByIdentifier(id)->GetStatus(), E_ABORT);
        EXPECT_TRUE(installation->GetByIdentifier(id)->GetFinished());
    }
    // Saved as merged so far: no language packs were applied and no repair ran.
    EXPECT_EQ(DescribeManifest(ManifestPath()),
              (std::vector<std::string>{"moon.galleryitem en:Moon", "sun.galleryitem en:Sun"}));
    EXPECT_EQ(DescribeRecords(DestinationPath()), std::vector<std::string>{"http://test.invalid/space 1 en:1"});
    EXPECT_EQ(Gunzip(ManifestPath() + ".gz"), TestEnv::ReadFile(ManifestPath()));
}

TEST_F(InstallationRunTest, CancelBeforeRunTouchesNothing)
{
    Publish(SmallSource());
    InstallationPtr installation = OpenInstallation();
    const Snapshot before = TakeSnapshot(DestinationPath());
    installation->Cancel();
    EXPECT_EQ(RunWith(installation.get(), {{L"cat-space", eGalleryInstallationActionInstall}}), E_ABORT);
    EXPECT_EQ(installation->GetByIdentifier(L"cat-space")->GetStatus(), E_ABORT);
    EXPECT_EQ(installation->GetByIdentifier(L"cat-tools")->GetFinished(), false) << "no action, not touched";
    EXPECT_EQ(TakeSnapshot(DestinationPath()), before);
}

TEST_F(InstallationRunTest, UpdateByANewerTranslationOnly)
{
    Publish(SmallSource());
    ASSERT_EQ(OpenAndRun({{L"cat-space", eGalleryInstallationActionInstall}}), S_OK);
    SourceVersions newer;
    newer.spaceFr = L"2";
    NTrove::Publisher::Source source = SmallSource(newer);
    source.categories[0].galleries[0].items[0].titles[L"fr"] = L"La Lune";
    Publish(source);

    RecordingObserver observer;
    InstallationPtr installation = OpenInstallation(CAtlString(), true, &observer);
    CGalleryInstallationItem *space = installation->GetByIdentifier(L"cat-space");
    EXPECT_FALSE(space->GetIsUpdateAvailable());
    std::vector<CAtlString> updated;
    space->GetUpdatedLanguageList(updated, true);
    EXPECT_EQ(updated, std::vector<CAtlString>{L"fr"});
    observer.Clear();
    space->SetAction(eGalleryInstallationActionUpdate);
    EXPECT_EQ(installation->Run(), S_OK);
    EXPECT_EQ(observer.Reports(), (std::vector<Report>{{8, L"cat-space", L"", 100, 50},
                                                       {9, L"", L"http://test.invalid/space", 100, 100},
                                                       {10, L"", L"", 0, 100}}));
    EXPECT_EQ(DescribeRecords(DestinationPath()), std::vector<std::string>{"http://test.invalid/space 1 en:1 fr:2"});
    EXPECT_EQ(DescribeManifest(ManifestPath()),
              (std::vector<std::string>{"moon.galleryitem en:Moon fr:La Lune", "sun.galleryitem en:Sun fr:Soleil"}));
}

TEST_F(InstallationRunTest, DownloadOnlyKeepsCopiesAndInstallsNothing)
{
    Publish(SmallSource());
    TestEnv::TempDir downloads;
    {
        InstallationPtr installation = OpenInstallation();
        installation->SetDownloadOnly(CKeldaDirectoryPath::FromUtf8(downloads.path()));
        EXPECT_EQ(RunWith(installation.get(), {{L"cat-space", eGalleryInstallationActionInstall},
                                               {L"cat-tools", eGalleryInstallationActionInstall}}),
                  S_OK);
        EXPECT_EQ(installation->GetByIdentifier(L"cat-space")->GetStatus(), S_OK);
    }
    EXPECT_EQ(Names(TakeSnapshot(downloads.path())),
              (std::vector<std::string>{"space.gallery", "space_fr.zip", "tools.gallery"}))
        << "the folder outlives the installation";
    EXPECT_EQ(TestEnv::ReadFile(downloads.file("space.gallery")), TestEnv::ReadFile(SourcePath() + "/space.gallery"));
    EXPECT_TRUE(DescribeRecords(DestinationPath()).empty());
    EXPECT_FALSE(TestEnv::Exists(ManifestPath()));
}

TEST_F(InstallationRunTest, AnUnusableLanguagePackIsAFailedItem)
{
    const std::pair<const char *, const char *> cases[] = {{"missing", nullptr}, {"not a pack", "PK garbage"}};
    for (const auto &[what, bytes] : cases) {
        SCOPED_TRACE(what);
        TestEnv::RemoveAll(DestinationPath());
        Publish(SmallSource());
        if (bytes)
            ASSERT_TRUE(TestEnv::WriteFile(SourcePath() + "/space_fr.zip", bytes));
        else
            TestEnv::RemoveAll(SourcePath() + "/space_fr.zip");
        RecordingObserver observer;
        InstallationPtr installation = OpenInstallation(CAtlString(), true, &observer);
        EXPECT_EQ(RunWith(installation.get(), {{L"cat-space", eGalleryInstallationActionInstall}}), S_FALSE)
            << "the gallery is in, its translation failed";
        const std::vector<Report> reports = observer.Reports();
        EXPECT_TRUE(std::any_of(reports.begin(), reports.end(), [](const Report &r) {
            return r.kind == 7 && r.item == L"cat-space" && r.text == L"space_fr.zip";
        }));
        EXPECT_EQ(DescribeRecords(DestinationPath()), std::vector<std::string>{"http://test.invalid/space 1 en:1"});
    }
}

} // namespace
