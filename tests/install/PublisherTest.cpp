// The publisher's gallery sources read back with the program's own readers: the categories file as the
// installation engine reads it, the packages as manifests and uninstall records, the language packs
// as translation tables that apply to the installed manifest.
#include "publisher/GallerySource.h"

#include "gallery/maintenance/GalleryInstalledManifest.h"
#include "gallery/manifest/GalleryI18N.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "support/ZipHelper.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>
#include <memory>

using namespace NTrove::Publisher;

namespace
{

struct ManifestDeleter {
    void operator()(CGalleryManifest *m) const { CGalleryManifest::DeleteInstance(&m); }
};
using ManifestPtr = std::unique_ptr<CGalleryManifest, ManifestDeleter>;

ManifestPtr OpenManifest(const std::string &path)
{
    CGalleryManifest *m = nullptr;
    EXPECT_EQ(CGalleryManifest::CreateInstance(&m), S_OK);
    ManifestPtr manifest(m);
    EXPECT_EQ(manifest->Open(Text::FromUtf8(path).c_str()), S_OK) << path;
    return manifest;
}

Item MakeItem(const wchar_t *name, const char *content, Texts titles)
{
    Item item;
    item.fileName = name;
    item.content = content;
    item.titles = std::move(titles);
    return item;
}

// Two categories: one gallery with an English package and a French ".zip" pack, one with a German
// ".xml" pack and a size override; one mandatory removal.
Source SampleSource()
{
    Source source;
    source.categoriesId = L"GUID-1";
    Category &space = source.categories.emplace_back();
    space.identifier = L"cat-space";
    space.titles = {{L"en", L"Space"}, {L"fr", L"Espace"}};
    Gallery &planets = space.galleries.emplace_back();
    planets.fileName = L"planets.gallery";
    planets.identifier = L"http://GUID-1/gallery/planets";
    planets.version = L"2011-02";
    planets.titles = {{L"en", L"Planets"}, {L"fr", L"Planètes"}};
    planets.stringVersions = {{L"en", L"2011-02"}};
    planets.items.push_back(MakeItem(L"mars.galleryitem", "MARS", {{L"en", L"Mars"}, {L"fr", L"Mars (fr)"}}));
    planets.items.push_back(MakeItem(L"venus.galleryitem", "VENUS!", {{L"en", L"Venus"}}));
    space.languagePacks.push_back({L"fr", L"planets_fr.zip", L"2011-03"});

    Category &life = source.categories.emplace_back();
    life.identifier = L"cat-life";
    life.version = L"9";
    life.titles = {{L"en", L"Life"}};
    life.diskSize = 123456;
    Gallery &cells = life.galleries.emplace_back();
    cells.fileName = L"cells.gallery";
    cells.identifier = L"http://GUID-1/gallery/cells";
    cells.version = L"10";
    cells.titles = {{L"en", L"Cells"}, {L"de", L"Zellen"}};
    cells.stringVersions = {{L"en", L"10"}};
    cells.items.push_back(MakeItem(L"cell.galleryitem", "C", {{L"en", L"Cell"}, {L"de", L"Zelle"}}));
    life.languagePacks.push_back({L"de", L"cells_de.xml", L"11"});

    source.mandatoryRemovals = {L"http://GUID-1/gallery/old"};
    return source;
}

const tinyxml2::XMLElement *Child(const tinyxml2::XMLElement *parent, const char *name, int index = 0)
{
    const tinyxml2::XMLElement *e = parent ? parent->FirstChildElement(name) : nullptr;
    while (e && index-- > 0)
        e = e->NextSiblingElement(name);
    return e;
}

std::string Attribute(const tinyxml2::XMLElement *e, const char *name)
{
    const char *value = e ? e->Attribute(name) : nullptr;
    return value ? value : "(absent)";
}

CGalleryActivity *Activity(CGalleryManifest *m)
{
    return m->GetOrganizations()->GetAt(0)->GetActivities()->GetAt(0);
}

} // namespace

TEST(Publisher, SourceReadsBackWithTheProgramsReaders)
{
    TestEnv::TempDir dir;
    const std::string out = dir.file("source");
    Summary summary;
    std::string error;
    ASSERT_TRUE(Publish(SampleSource(), CKeldaDirectoryPath::FromUtf8(out), &error, &summary)) << error;
    EXPECT_EQ(summary.packages, 2);
    EXPECT_EQ(summary.languagePacks, 2);
    EXPECT_EQ(summary.items, 3);
    EXPECT_EQ(summary.itemBytes, 4 + 6 + 1);

    // The categories file, element by element as the engine reads it.
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.LoadFile((out + "/gallery_categories.xml").c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement *categories = Child(doc.RootElement(), "categories");
    ASSERT_NE(categories, nullptr);
    EXPECT_EQ(Attribute(categories, "id"), "GUID-1");
    const tinyxml2::XMLElement *space = categories->FirstChildElement();
    const tinyxml2::XMLElement *life = space ? space->NextSiblingElement() : nullptr;
    ASSERT_NE(life, nullptr);
    EXPECT_EQ(Attribute(space, "id"), "cat-space");
    EXPECT_EQ(Attribute(space, "version"), "2011-02"); // the greatest gallery version
    EXPECT_EQ(Attribute(space, "size"), std::to_string(std::filesystem::file_size(out + "/planets.gallery")));
    EXPECT_EQ(Attribute(space, "count"), "2");
    EXPECT_EQ(Attribute(space, "disksize"), "10");
    EXPECT_EQ(Attribute(life, "version"), "9"); // given, not computed
    EXPECT_EQ(Attribute(life, "disksize"), "123456");
    const tinyxml2::XMLElement *title = Child(Child(space, "title"), "string", 1);
    EXPECT_EQ(Attribute(title, "language"), "fr");
    EXPECT_STREQ(title ? title->GetText() : "", "Espace");
    const tinyxml2::XMLElement *file = Child(space, "files")->FirstChildElement();
    EXPECT_EQ(Attribute(file, "id"), "http://GUID-1/gallery/planets");
    EXPECT_EQ(Attribute(file, "version"), "2011-02");
    EXPECT_EQ(Attribute(file, "strings"), "en:2011-02;fr:2011-03");
    EXPECT_STREQ(file->GetText(), "planets.gallery");
    const tinyxml2::XMLElement *pack = Child(life, "strings")->FirstChildElement();
    EXPECT_EQ(Attribute(pack, "language"), "de");
    EXPECT_STREQ(pack->GetText(), "cells_de.xml");
    const tinyxml2::XMLElement *removal = Child(Child(doc.RootElement(), "mandatory"), "removals")->FirstChildElement();
    EXPECT_EQ(Attribute(removal, "id"), "http://GUID-1/gallery/old");

    // The package opens as a gallery: identifier, version, the package language only, the item files.
    ManifestPtr planets = OpenManifest(out + "/planets.gallery");
    EXPECT_EQ(CAtlString(planets->GetMetadata()->GetIdentifier()), L"http://GUID-1/gallery/planets");
    EXPECT_EQ(CAtlString(planets->GetMetadata()->GetVersion()), L"2011-02");
    ASSERT_EQ(planets->GetOrganizations()->GetCount(), 1u);
    CGalleryFileCollection *files = Activity(planets.get())->GetFiles();
    ASSERT_EQ(files->GetCount(), 2u);
    CGalleryFile *mars = files->GetAt(0);
    EXPECT_EQ(CAtlString(mars->GetHref()), L"mars.galleryitem");
    EXPECT_EQ(TestEnv::ReadFile(Text::ToUtf8(mars->GetHrefFilePath().GetFilePathString())), "MARS");
    EXPECT_EQ(mars->GetMetadata()->GetTitle()->GetCount(), 1u) << "only the package language goes into the package";

    // Its manifest is what becomes the uninstall record: the registry finds identifier and versions.
    std::vector<char> xml;
    ASSERT_TRUE(CZipHelper::UnzipToMemory(CKeldaFilePath::FromUtf8(out + "/planets.gallery"), L"imsmanifest.xml", xml));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("record.xml"), std::string(xml.begin(), xml.end())));
    CGalleryInstalledManifest record;
    ASSERT_EQ(record.Open(CKeldaFilePath::FromUtf8(dir.file("record.xml"))), S_OK);
    EXPECT_EQ(record.GetIdentifier(), L"http://GUID-1/gallery/planets");
    EXPECT_EQ(record.GetVersion(), L"2011-02");
    EXPECT_EQ(record.GetStringVersions(), (std::map<CAtlString, CAtlString>{{L"en", L"2011-02"}}));

    // The packs apply: the translated titles land, an untranslated item keeps its text, and the
    // language string version is the pack's.
    struct {
        const char *pack;
        const char *gallery;
        const wchar_t *language;
        std::vector<const wchar_t *> titles; // of the files, in the language
        const wchar_t *version;
    } packs[] = {
        {"planets_fr.zip", "planets.gallery", L"fr", {L"Mars (fr)", L"Venus"}, L"2011-03"},
        {"cells_de.xml", "cells.gallery", L"de", {L"Zelle"}, L"11"},
    };
    for (const auto &p : packs) {
        SCOPED_TRACE(p.pack);
        CGalleryI18N i18n;
        ASSERT_EQ(i18n.Read(CKeldaFilePath::FromUtf8(out + "/" + p.pack)), S_OK);
        EXPECT_EQ(i18n.GetLanguage(), p.language);
        ManifestPtr manifest = OpenManifest(out + "/" + p.gallery);
        ASSERT_EQ(i18n.Update(manifest.get()), S_OK);
        CGalleryFileCollection *translated = Activity(manifest.get())->GetFiles();
        ASSERT_EQ(translated->GetCount(), p.titles.size());
        for (size_t i = 0; i < p.titles.size(); ++i)
            EXPECT_EQ(
                CAtlString(
                    translated->GetAt(static_cast<uint32_t>(i))->GetMetadata()->GetTitle()->GetString(p.language)),
                p.titles[i]);
        const uint32_t at = manifest->GetStringVersions()->IndexOf(p.language, 3);
        ASSERT_NE(at, CGallery::MaxIndex);
        EXPECT_EQ(CAtlString(manifest->GetStringVersions()->GetStringAt(at)), p.version);
    }
}

TEST(Publisher, NamesThatLeaveTheFolderAreRefused)
{
    struct Case {
        const char *what;
        void (*spoil)(Source &);
    } cases[] = {
        {"item with ..", [](Source &s) { s.categories[0].galleries[0].items[0].fileName = L"../up.galleryitem"; }},
        {"item in a folder", [](Source &s) { s.categories[0].galleries[0].items[0].fileName = L"a/b.galleryitem"; }},
        {"item named like the manifest",
         [](Source &s) { s.categories[0].galleries[0].items[0].fileName = L"IMSMANIFEST.XML"; }},
        {"item twice", [](Source &s) { s.categories[0].galleries[0].items[1].fileName = L"mars.galleryitem"; }},
        {"absolute package", [](Source &s) { s.categories[0].galleries[0].fileName = L"/abs.gallery"; }},
        {"package with ..", [](Source &s) { s.categories[1].galleries[0].fileName = L"..\\up.gallery"; }},
        {"empty pack name", [](Source &s) { s.categories[0].languagePacks[0].fileName = L""; }},
        {"pack of another type", [](Source &s) { s.categories[0].languagePacks[0].fileName = L"fr.txt"; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TestEnv::TempDir dir;
        Source source = SampleSource();
        c.spoil(source);
        std::string error;
        EXPECT_FALSE(Publish(source, CKeldaDirectoryPath::FromUtf8(dir.file("deep/source")), &error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(TestEnv::Exists(dir.file("deep/source/gallery_categories.xml")));
        EXPECT_FALSE(TestEnv::Exists(dir.file("deep/up.galleryitem")));
        EXPECT_FALSE(TestEnv::Exists(dir.file("deep/up.gallery")));
    }
}

TEST(Publisher, HostileAndDamagedFixturesForTheEngine)
{
    TestEnv::TempDir dir;
    Source source = SampleSource();
    source.categories[0].galleries[0].listedName = L"../../etc/planets.gallery";
    source.categories[1].galleries[0].packageBytes = "not a zip";
    source.categories[1].galleries[0].offeredStrings = L"de:12;fr";
    std::string error;
    ASSERT_TRUE(Publish(source, CKeldaDirectoryPath::FromUtf8(dir.path()), &error)) << error;
    EXPECT_TRUE(TestEnv::Exists(dir.file("planets.gallery")));
    EXPECT_EQ(TestEnv::ReadFile(dir.file("cells.gallery")), "not a zip");
    const std::string categories = TestEnv::ReadFile(dir.file("gallery_categories.xml"));
    EXPECT_NE(categories.find(">../../etc/planets.gallery</file>"), std::string::npos);
    EXPECT_NE(categories.find("strings=\"de:12;fr\""), std::string::npos);
}

TEST(Publisher, FolderOfResourcesAndGeneratedSources)
{
    TestEnv::TempDir dir;
    std::filesystem::create_directories(dir.file("res/stars"));
    std::filesystem::create_directories(dir.file("res/empty"));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("res/stars/vega.galleryitem"), "VEGA"));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("res/stars/category.txt"),
                                   "# stars\nid = cat-stars\nversion=3\ntitle.en=Stars\ntitle.fr=Etoiles\n"
                                   "item.vega.galleryitem.fr=Véga\n"));
    Options options;
    options.guid = L"G";
    options.languages = {L"fr"};
    Source source;
    std::string error;
    ASSERT_TRUE(FromFolder(CKeldaDirectoryPath::FromUtf8(dir.file("res")), options, source, &error)) << error;
    ASSERT_EQ(source.categories.size(), 1u) << "a folder without files is no category";
    const Category &stars = source.categories[0];
    EXPECT_EQ(stars.identifier, L"cat-stars");
    EXPECT_EQ(stars.version, L"3");
    EXPECT_EQ(stars.titles.at(L"fr"), L"Etoiles");
    ASSERT_EQ(stars.galleries.size(), 1u);
    EXPECT_EQ(stars.galleries[0].identifier, L"http://G/gallery/stars");
    EXPECT_EQ(stars.galleries[0].version, L"3");
    EXPECT_EQ(stars.galleries[0].items[0].titles.at(L"en"), L"vega");
    EXPECT_EQ(stars.galleries[0].items[0].titles.at(L"fr"), L"Véga");
    ASSERT_EQ(stars.languagePacks.size(), 1u);
    EXPECT_EQ(stars.languagePacks[0].fileName, L"stars_fr.zip");
    EXPECT_FALSE(FromFolder(CKeldaDirectoryPath::FromUtf8(dir.file("res/empty")), options, source, &error));

    // Generated: items shared out evenly, the same bytes for the same arguments, no two items alike.
    const Source generated = Generate(3, 10, 1000, options);
    ASSERT_EQ(generated.categories.size(), 3u);
    std::vector<size_t> counts;
    for (const Category &c : generated.categories)
        counts.push_back(c.galleries[0].items.size());
    EXPECT_EQ(counts, (std::vector<size_t>{4, 3, 3}));
    Summary first, second;
    ASSERT_TRUE(Publish(generated, CKeldaDirectoryPath::FromUtf8(dir.file("g1")), &error, &first)) << error;
    ASSERT_TRUE(
        Publish(Generate(3, 10, 1000, options), CKeldaDirectoryPath::FromUtf8(dir.file("g2")), &error, &second));
    EXPECT_EQ(first.itemBytes, 10000);
    EXPECT_GT(first.packageBytes, first.itemBytes) << "random item bytes do not deflate";
    std::vector<char> a, b, c;
    const auto package = [&](const char *folder) {
        return CKeldaFilePath::FromUtf8(dir.file(folder) + "/category0001.gallery");
    };
    ASSERT_TRUE(CZipHelper::UnzipToMemory(package("g1"), L"item000001.galleryitem", a));
    ASSERT_TRUE(CZipHelper::UnzipToMemory(package("g2"), L"item000001.galleryitem", b));
    ASSERT_TRUE(CZipHelper::UnzipToMemory(package("g1"), L"item000002.galleryitem", c));
    std::vector<char> next;
    EXPECT_FALSE(CZipHelper::UnzipToMemory(package("g1"), L"item000005.galleryitem", next)) << "in the second gallery";
    EXPECT_TRUE(CZipHelper::UnzipToMemory(CKeldaFilePath::FromUtf8(dir.file("g1") + "/category0002.gallery"),
                                          L"item000005.galleryitem", next))
        << "item names are unique across the source";
    EXPECT_EQ(a.size(), 1000u);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
}
