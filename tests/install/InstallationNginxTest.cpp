// The installation engine against a real nginx on 127.0.0.1 serving a published gallery source: install,
// update and remove end in the same destination as the same runs from the local source folder, with
// both sequencings; download-only runs leave the packages and language packs in their folder and
// install nothing.
#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationItem.h"
#include "publisher/GallerySource.h"
#include "support/QThreadWithLoop.h"

#include "common/NginxServer.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

using namespace NTrove::Publisher;

namespace
{

Item MakeItem(const std::wstring &name, const std::string &content, const std::wstring &en, const std::wstring &fr)
{
    Item item;
    item.fileName = name;
    item.content = content;
    item.titles = {{L"en", en}, {L"fr", fr}};
    return item;
}

Gallery MakeGallery(const std::wstring &name, const std::wstring &version)
{
    Gallery gallery;
    gallery.fileName = name + L".gallery";
    gallery.identifier = L"http://GUID-N/gallery/" + name;
    gallery.version = version;
    gallery.titles = {{L"en", name}, {L"fr", name + L" (fr)"}};
    gallery.stringVersions = {{L"en", version}};
    return gallery;
}

// Version 1: "space" with two galleries and a zipped French pack, "life" with a plain French pack.
// Version 2: a newer planets gallery (changed and added items) and a newer French pack for "life" only.
Source MakeSource(int version)
{
    Source source;
    source.categoriesId = L"GUID-N";
    Category &space = source.categories.emplace_back();
    space.identifier = L"space";
    space.titles = {{L"en", L"Space"}, {L"fr", L"Espace"}};
    Gallery &planets = space.galleries.emplace_back(MakeGallery(L"planets", version == 1 ? L"1" : L"2"));
    planets.items.push_back(MakeItem(L"mars.galleryitem", version == 1 ? "MARS1" : "MARS2", L"Mars", L"Mars (fr)"));
    planets.items.push_back(MakeItem(L"venus.galleryitem", "VENUS", L"Venus", L"Vénus"));
    if (version == 2) planets.items.push_back(MakeItem(L"pluto.galleryitem", "PLUTO", L"Pluto", L"Pluton"));
    Gallery &stars = space.galleries.emplace_back(MakeGallery(L"stars", L"1"));
    stars.items.push_back(MakeItem(L"vega.galleryitem", std::string(70000, 'v'), L"Vega", L"Véga"));
    space.languagePacks.push_back({L"fr", L"space_fr.zip", L"1"});

    Category &life = source.categories.emplace_back();
    life.identifier = L"life";
    life.titles = {{L"en", L"Life"}};
    Gallery &cells = life.galleries.emplace_back(MakeGallery(L"cells", L"1"));
    cells.items.push_back(MakeItem(L"cell.galleryitem", "CELL", L"Cell", version == 1 ? L"Cellule" : L"Cellule 2"));
    life.languagePacks.push_back({L"fr", L"life_fr.xml", version == 1 ? L"1" : L"2"});
    return source;
}

// Every file below a folder, by relative path, with its bytes.
std::map<std::string, std::string> Snapshot(const std::string &folder)
{
    std::map<std::string, std::string> files;
    if (!std::filesystem::exists(folder)) return files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), folder).string()] = TestEnv::ReadFile(entry.path().string());
    return files;
}

std::vector<std::string> Names(const std::map<std::string, std::string> &files)
{
    std::vector<std::string> names;
    for (const auto &entry : files)
        names.push_back(entry.first);
    return names;
}

// Counts the failure reports of a run.
class FailureCounter : public IGalleryInstallationObserver
{
  public:
    void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *, const wchar_t *text, int,
                              int) override
    {
        if (kind == eGalleryInstallationProgressFailed) failures.push_back(Text::ToUtf8(text ? text : L""));
    }
    std::vector<std::string> failures;
};

enum class Selection { Everything, Updates, RemoveAll };

void Select(CGalleryInstallation &installation, Selection selection)
{
    for (size_t i = 0; i < installation.GetCount(); ++i) {
        CGalleryInstallationItem *item = installation.GetAt(i);
        eGalleryInstallationAction action = eGalleryInstallationActionNone;
        switch (selection) {
        case Selection::Everything:
            if (!item->GetIsInstalled())
                action = eGalleryInstallationActionInstall;
            else if (item->GetIsUpdateAvailable())
                action = eGalleryInstallationActionUpdate;
            break;
        case Selection::Updates: {
            std::vector<CAtlString> languages;
            (void)item->GetUpdatedLanguageList(languages, true);
            if (item->GetIsInstalled() && (item->GetIsUpdateAvailable() || !languages.empty()))
                action = eGalleryInstallationActionUpdate;
            break;
        }
        case Selection::RemoveAll:
            if (item->GetIsInstalled()) action = eGalleryInstallationActionRemove;
            break;
        }
        item->SetAction(action);
    }
}

HRESULT OnWorker(const std::function<HRESULT()> &work)
{
    QThreadWithLoop worker([&work] { return static_cast<int>(work()); });
    worker.start();
    worker.Join();
    return static_cast<HRESULT>(worker.GetExitCode());
}

struct RunOutcome {
    HRESULT open = E_FAIL;
    HRESULT run = E_FAIL;
    std::vector<std::string> failures;
};

// Opens the destination on the base, selects, runs; both on a worker with its own event loop.
RunOutcome RunOnce(const std::string &destination, const CAtlString &base, Selection selection,
                   eGalleryInstallationSequencing sequencing, bool downloadOnly = false)
{
    RunOutcome outcome;
    CGalleryInstallation *installation = nullptr;
    if (CGalleryInstallation::CreateInstance(&installation) != S_OK) return outcome;
    FailureCounter counter;
    installation->SetObserver(&counter);
    installation->SetSequencing(sequencing);
    const CKeldaDirectoryPath folder = CKeldaDirectoryPath::FromUtf8(destination);
    if (downloadOnly) installation->SetDownloadOnly(folder);
    outcome.open = OnWorker([&] { return installation->Open(folder, base, true); });
    if (SUCCEEDED(outcome.open)) {
        Select(*installation, selection);
        outcome.run = OnWorker([&] { return installation->Run(); });
    }
    outcome.failures = counter.failures;
    CGalleryInstallation::DeleteInstance(&installation);
    return outcome;
}

class InstallationNginxTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (NginxServer::Binary().isEmpty()) GTEST_SKIP() << "nginx is not installed";
        std::string error;
        ASSERT_TRUE(Publish(MakeSource(1), CKeldaDirectoryPath::FromUtf8(m_dir.file("served/v1")), &error)) << error;
        ASSERT_TRUE(Publish(MakeSource(2), CKeldaDirectoryPath::FromUtf8(m_dir.file("served/v2")), &error)) << error;
        QString why;
        ASSERT_TRUE(m_nginx.Start(QString::fromStdString(m_dir.file("served")),
                                  QString::fromStdString(m_dir.file("nginx")), &why))
            << why.toStdString();
        CGalleryInstallationItem::SetTargetLanguageList({L"fr"});
    }
    void TearDown() override { CGalleryInstallationItem::SetTargetLanguageList({}); }

    // The source of a version: the served folder itself, or its address.
    CAtlString Base(int version, bool http) const
    {
        const std::string folder = "/v" + std::to_string(version);
        if (!http) return Text::FromUtf8(m_dir.file("served") + folder);
        return Text::FromQt(m_nginx.url(QString::fromStdString(folder)).toString());
    }

    TestEnv::TempDir m_dir;
    NginxServer m_nginx;
};

} // namespace

TEST_F(InstallationNginxTest, InstallUpdateAndRemoveEndLikeTheLocalRuns)
{
    struct Mode {
        const char *name;
        bool http;
        eGalleryInstallationSequencing sequencing;
    } modes[] = {
        {"local", false, eGalleryInstallationSequencingInterleaved},
        {"http-interleaved", true, eGalleryInstallationSequencingInterleaved},
        {"http-download-first", true, eGalleryInstallationSequencingDownloadFirst},
    };
    struct Step {
        const char *name;
        int version;
        Selection selection;
    } steps[] = {
        {"install", 1, Selection::Everything},
        {"update", 2, Selection::Updates},
        {"remove", 2, Selection::RemoveAll},
    };
    std::map<std::string, std::map<std::string, std::string>> expected; // per step, from the local run
    for (const Mode &mode : modes) {
        const std::string destination = m_dir.file(std::string("dest-") + mode.name);
        std::filesystem::create_directories(destination);
        for (const Step &step : steps) {
            SCOPED_TRACE(std::string(mode.name) + " " + step.name);
            const RunOutcome outcome =
                RunOnce(destination, Base(step.version, mode.http), step.selection, mode.sequencing);
            ASSERT_EQ(outcome.open, S_OK);
            EXPECT_EQ(outcome.run, S_OK);
            EXPECT_TRUE(outcome.failures.empty()) << outcome.failures.front();
            const auto files = Snapshot(destination);
            if (!mode.http) {
                expected[step.name] = files;
                continue;
            }
            EXPECT_EQ(Names(files), Names(expected[step.name]));
            EXPECT_TRUE(files == expected[step.name]) << "the bytes differ from the local run";
        }
    }

    // What the local runs left, so that equal destinations mean something.
    const auto &installed = expected["install"];
    EXPECT_EQ(installed.count("mars.galleryitem") ? installed.at("mars.galleryitem") : "", "MARS1");
    EXPECT_NE(installed.at("imsmanifest.xml").find("Cellule"), std::string::npos) << "the French pack applied";
    const auto &updated = expected["update"];
    EXPECT_EQ(updated.count("mars.galleryitem") ? updated.at("mars.galleryitem") : "", "MARS2");
    EXPECT_EQ(updated.count("pluto.galleryitem"), 1u);
    EXPECT_NE(updated.at("imsmanifest.xml").find("Cellule 2"), std::string::npos) << "the newer translation applied";
    for (const auto &[name, bytes] : expected["remove"])
        EXPECT_EQ(name.find(".galleryitem"), std::string::npos) << name << " is left after removing everything";
}

TEST_F(InstallationNginxTest, DownloadOnlyKeepsPackagesAndPacksAndInstallsNothing)
{
    const auto served = Snapshot(m_dir.file("served/v1"));
    for (auto sequencing : {eGalleryInstallationSequencingInterleaved, eGalleryInstallationSequencingDownloadFirst}) {
        SCOPED_TRACE(sequencing);
        const std::string folder = m_dir.file("download-" + std::to_string(sequencing));
        std::filesystem::create_directories(folder);
        const RunOutcome outcome = RunOnce(folder, Base(1, true), Selection::Everything, sequencing, true);
        ASSERT_EQ(outcome.open, S_OK);
        EXPECT_EQ(outcome.run, S_OK);
        EXPECT_TRUE(outcome.failures.empty()) << outcome.failures.front();
        const auto files = Snapshot(folder);
        for (const char *name : {"planets.gallery", "stars.gallery", "cells.gallery", "space_fr.zip", "life_fr.xml"}) {
            ASSERT_EQ(files.count(name), 1u) << name;
            EXPECT_TRUE(files.at(name) == served.at(name)) << name << " differs from the served file";
        }
        for (const auto &[name, bytes] : files) {
            EXPECT_EQ(name.find(".galleryitem"), std::string::npos) << name << " was installed";
            EXPECT_NE(name.rfind("Uninstall/imsmanifest", 0), 0u) << name << " records an installation";
        }
    }
}
