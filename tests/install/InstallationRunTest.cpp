// Runs of the installation engine against a local source folder: installing, updating, reinstalling
// and removing galleries, mandatory removals, failures of single files, cancellation and the results.
#include "EngineFixture.h"

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
