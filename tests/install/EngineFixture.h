// The installation engine's test fixture: a gallery source published into a private folder, a
// destination beside it, an observer that records every progress report, and snapshots of a
// destination's files for comparing the results of two runs.
#pragma once

#include "gallery/facade/Gallery.h"
#include "gallery/maintenance/GalleryInstalledManifest.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationItem.h"
#include "publisher/GallerySource.h"
#include "support/KeldaPath.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace EngineTest
{

struct InstallationDeleter {
    void operator()(CGalleryInstallation *installation) const { CGalleryInstallation::DeleteInstance(&installation); }
};
using InstallationPtr = std::unique_ptr<CGalleryInstallation, InstallationDeleter>;

// One progress report as the observer saw it (item by identifier).
struct Report {
    int kind;
    std::wstring item;
    std::wstring text;
    int percent;
    int overall;
    bool operator==(const Report &other) const
    {
        return kind == other.kind && item == other.item && text == other.text && percent == other.percent &&
               overall == other.overall;
    }
};

inline std::ostream &operator<<(std::ostream &out, const Report &report)
{
    return out << "{" << report.kind << ", \"" << Text::ToUtf8(report.item) << "\", \"" << Text::ToUtf8(report.text)
               << "\", " << report.percent << ", " << report.overall << "}";
}

class RecordingObserver : public IGalleryInstallationObserver
{
  public:
    void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item, const wchar_t *text,
                              int percent, int overall) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.push_back({kind, item ? item->GetIdentifier() : L"", text ? text : L"", percent, overall});
        if (onReport) onReport(m_reports.back());
    }
    std::vector<Report> Reports() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reports;
    }
    // Reports of one kind only, or without the download byte progress (kind 1 between 0 and 100).
    std::vector<Report> Without(int kind) const
    {
        std::vector<Report> out;
        for (const Report &report : Reports())
            if (report.kind != kind) out.push_back(report);
        return out;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.clear();
    }
    std::function<void(const Report &)> onReport;

  private:
    mutable std::mutex m_mutex;
    std::vector<Report> m_reports;
};

// The bytes of a gzip file, or "<unreadable>".
inline std::string Gunzip(const std::string &path)
{
    gzFile in = gzopen(path.c_str(), "rb");
    if (!in) return "<unreadable>";
    std::string out;
    char buffer[4096];
    int read = 0;
    while ((read = gzread(in, buffer, sizeof(buffer))) > 0)
        out.append(buffer, static_cast<size_t>(read));
    const bool ok = read == 0;
    gzclose(in);
    return ok ? out : "<unreadable>";
}

// Every regular file below a folder: relative path -> bytes.
using Snapshot = std::map<std::string, std::string>;

inline Snapshot TakeSnapshot(const std::string &folder)
{
    Snapshot files;
    std::error_code error;
    if (!std::filesystem::exists(folder, error)) return files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), folder).string()] = TestEnv::ReadFile(entry.path().string());
    return files;
}

inline std::vector<std::string> Names(const Snapshot &snapshot)
{
    std::vector<std::string> names;
    for (const auto &entry : snapshot)
        names.push_back(entry.first);
    return names;
}

inline void DescribeActivity(const CGalleryActivity *activity, std::vector<std::string> &lines)
{
    const CGalleryFileCollection *files = activity->GetFiles();
    for (uint32_t f = 0; f < files->GetCount(); ++f) {
        const CGalleryFile *file = files->GetAt(f);
        std::string line = Text::ToUtf8(file->GetHref() ? file->GetHref() : L"");
        const CGalleryLanguageStringCollection *titles = file->GetMetadata()->GetTitle();
        for (uint32_t t = 0; t < titles->GetCount(); ++t)
            line += " " + Text::ToUtf8(titles->GetLanguageAt(t)) + ":" + Text::ToUtf8(titles->GetStringAt(t));
        lines.push_back(line);
    }
    const CGalleryActivityCollection *children = activity->GetActivities();
    for (uint32_t a = 0; a < children->GetCount(); ++a)
        DescribeActivity(children->GetAt(a), lines);
}

// The records of a manifest as sorted lines "href language:title ...", or {"<unreadable>"}.
inline std::vector<std::string> DescribeManifest(const std::string &path)
{
    CGalleryManifest *manifest = nullptr;
    if (FAILED(CGalleryManifest::CreateInstance(&manifest))) return {"<unreadable>"};
    std::vector<std::string> lines;
    if (manifest->Open(Text::FromUtf8(path).c_str()) != S_OK) {
        lines.push_back("<unreadable>");
    } else {
        const CGalleryOrganizationCollection *organizations = manifest->GetOrganizations();
        for (uint32_t o = 0; o < organizations->GetCount(); ++o) {
            const CGalleryActivityCollection *activities = organizations->GetAt(o)->GetActivities();
            for (uint32_t a = 0; a < activities->GetCount(); ++a)
                DescribeActivity(activities->GetAt(a), lines);
        }
    }
    CGalleryManifest::DeleteInstance(&manifest);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The installed galleries of a destination as sorted lines "identifier version language:version ...".
inline std::vector<std::string> DescribeRecords(const std::string &destination)
{
    CGalleryInstalledManifestMap map;
    CKeldaDirectoryPath uninstall = CKeldaDirectoryPath::FromUtf8(destination);
    uninstall.AddDirectoryToPath(L"Uninstall");
    (void)map.Open(uninstall);
    std::vector<std::string> lines;
    for (const auto &[identifier, record] : map.GetMap()) {
        std::string line = Text::ToUtf8(identifier) + " " + Text::ToUtf8(record.GetVersion());
        for (const auto &[language, version] : record.GetStringVersions())
            line += " " + Text::ToUtf8(language) + ":" + Text::ToUtf8(version);
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

inline NTrove::Publisher::Item MakeItem(const wchar_t *fileName, const char *content, const wchar_t *english,
                                        const wchar_t *french)
{
    NTrove::Publisher::Item item;
    item.fileName = fileName;
    item.content = content;
    item.titles = {{L"en", english}, {L"fr", french}};
    return item;
}

// Versions of the small source that the tests change between publications.
struct SourceVersions {
    CAtlString space = L"1";   // the one gallery of "cat-space"
    CAtlString spaceFr = L"1"; // its French pack
    CAtlString tools = L"9";   // the gallery of "cat-tools"
    CAtlString atlasA = L"1";  // the two galleries of "cat-atlas"
    CAtlString atlasB = L"1";
};

// Three categories: "cat-space" (one gallery of two items, a French ".zip" pack), "cat-tools" (one
// gallery, no packs) and "cat-atlas" (two galleries, a French ".xml" pack).
inline NTrove::Publisher::Source SmallSource(const SourceVersions &v = {})
{
    using namespace NTrove::Publisher;
    Source source;
    source.categoriesId = L"GUID-TEST";
    Category &space = source.categories.emplace_back();
    space.identifier = L"cat-space";
    space.titles = {{L"en", L"Space"}, {L"fr", L"Espace"}};
    Gallery &spaceGallery = space.galleries.emplace_back();
    spaceGallery.fileName = L"space.gallery";
    spaceGallery.identifier = L"http://test.invalid/space";
    spaceGallery.version = v.space;
    spaceGallery.titles = {{L"en", L"Space"}};
    spaceGallery.stringVersions = {{L"en", L"1"}};
    spaceGallery.items = {MakeItem(L"moon.galleryitem", "moon", L"Moon", L"Lune"),
                          MakeItem(L"sun.galleryitem", "sun", L"Sun", L"Soleil")};
    space.languagePacks.push_back({L"fr", L"space_fr.zip", v.spaceFr});

    Category &tools = source.categories.emplace_back();
    tools.identifier = L"cat-tools";
    tools.titles = {{L"en", L"Tools"}};
    Gallery &toolsGallery = tools.galleries.emplace_back();
    toolsGallery.fileName = L"tools.gallery";
    toolsGallery.identifier = L"http://test.invalid/tools";
    toolsGallery.version = v.tools;
    toolsGallery.titles = {{L"en", L"Tools"}};
    toolsGallery.items = {MakeItem(L"ruler.galleryitem", "ruler", L"Ruler", L"Regle")};

    Category &atlas = source.categories.emplace_back();
    atlas.identifier = L"cat-atlas";
    atlas.titles = {{L"en", L"Atlas"}, {L"fr", L"Atlas"}};
    for (int i = 0; i < 2; ++i) {
        Gallery &gallery = atlas.galleries.emplace_back();
        gallery.fileName = i ? L"atlas_b.gallery" : L"atlas_a.gallery";
        gallery.identifier = i ? L"http://test.invalid/atlas_b" : L"http://test.invalid/atlas_a";
        gallery.version = i ? v.atlasB : v.atlasA;
        gallery.titles = {{L"en", i ? L"Atlas B" : L"Atlas A"}};
        gallery.stringVersions = {{L"en", L"1"}};
        gallery.items = {MakeItem(i ? L"europe.galleryitem" : L"asia.galleryitem", i ? "europe" : "asia",
                                  i ? L"Europe" : L"Asia", i ? L"Europe" : L"Asie")};
    }
    atlas.languagePacks.push_back({L"fr", L"atlas_fr.xml", L"1"});
    return source;
}

// A source folder, a destination folder and the engine between them.
class Fixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        CGalleryInstallationItem::SetTargetLanguageList({L"fr"});
        CGalleryInstallation::SetStepHook(nullptr);
    }
    void TearDown() override
    {
        CGalleryInstallation::SetStepHook(nullptr);
        CGalleryInstallationItem::SetTargetLanguageList({});
    }

    std::string SourcePath() const { return m_root.file("source"); }
    std::string DestinationPath() const { return m_root.file("destination"); }
    CKeldaDirectoryPath Destination() const { return CKeldaDirectoryPath::FromUtf8(DestinationPath()); }
    CAtlString SourceBase() const { return Text::FromUtf8(SourcePath()); }
    std::string Root() const { return m_root.path(); }

    void Publish(const NTrove::Publisher::Source &source, const std::string &folder = std::string())
    {
        std::string error;
        ASSERT_TRUE(NTrove::Publisher::Publish(
            source, CKeldaDirectoryPath::FromUtf8(folder.empty() ? SourcePath() : folder), &error))
            << error;
    }

    // A new installation opened on the destination with a fresh copy of the categories file.
    InstallationPtr OpenInstallation(const CAtlString &base = CAtlString(), bool refresh = true,
                                     IGalleryInstallationObserver *observer = nullptr)
    {
        CGalleryInstallation *raw = nullptr;
        EXPECT_EQ(CGalleryInstallation::CreateInstance(&raw), S_OK);
        InstallationPtr installation(raw);
        if (observer) installation->SetObserver(observer);
        m_openResult = installation->Open(Destination(), base.empty() ? SourceBase() : base, refresh);
        return installation;
    }

    // Sets the actions by category identifier (others stay None) and runs.
    static HRESULT RunWith(CGalleryInstallation *installation,
                           const std::map<CAtlString, eGalleryInstallationAction> &actions)
    {
        for (const auto &[identifier, action] : actions) {
            CGalleryInstallationItem *item = installation->GetByIdentifier(identifier.c_str());
            EXPECT_NE(item, nullptr) << Text::ToUtf8(identifier);
            if (item) item->SetAction(action);
        }
        return installation->Run();
    }

    // Opens, sets the actions and runs in one go; the result of Run.
    HRESULT OpenAndRun(const std::map<CAtlString, eGalleryInstallationAction> &actions,
                       const CAtlString &base = CAtlString())
    {
        InstallationPtr installation = OpenInstallation(base);
        EXPECT_EQ(m_openResult, S_OK);
        return RunWith(installation.get(), actions);
    }

    HRESULT m_openResult = E_FAIL;

  private:
    TestEnv::TempDir m_root;
};

} // namespace EngineTest
