// Translation tables: both document roots, plain and zipped files (a new archive, an archive whose
// other entries must survive), applying a table with the regional copies of zh and pt, and extracting
// one with exact language matching.
#include "CacheTestSupport.h"

#include "gallery/manifest/GalleryArchive_p.h"
#include "gallery/manifest/GalleryI18N.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace CacheTest;

namespace
{

const char *const kDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<ROOT xmlns=\"http://example.invalid/2006-01/gallery\" language=\"zh-TW\">\n"
    "  <manifest id=\"urn:manifest\" languagestringversion=\"2010-01-01\">\n"
    "    <item id=\"urn:act1\"><title>Insects &amp; more</title><keyword>bug</keyword><keyword>k2</keyword></item>\n"
    "    <item id=\"urn:file0\"><title>File zero</title></item>\n"
    "    <item id=\"urn:org1\"><title>Never applied</title></item>\n"
    "  </manifest>\n"
    "  <manifest id=\"urn:other\" languagestringversion=\"1999\"><item "
    "id=\"urn:act2\"><title>Other</title></item></manifest>\n"
    "</ROOT>\n";

std::string Document(const std::string &root)
{
    std::string text = kDocument;
    for (size_t at; (at = text.find("ROOT")) != std::string::npos;)
        text.replace(at, 4, root);
    return text;
}

std::vector<std::string> Entries(const std::string &zip)
{
    TestEnv::TempDir out;
    std::vector<std::string> names;
    if (!GalleryArchive::UnzipToFolder(CKeldaFilePath(W(zip)), CKeldaDirectoryPath(W(out.path())))) return names;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(out.path()))
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(GalleryI18N, BothRootsReadAndWrittenTablesReadBack)
{
    TestEnv::TempDir dir;
    for (const char *root : {"i18n2", "i18n"}) {
        SCOPED_TRACE(root);
        ASSERT_TRUE(TestEnv::WriteFile(dir.file("i18n.xml"), Document(root)));
        CGalleryI18N table;
        ASSERT_EQ(table.Read(CKeldaFilePath(W(dir.file("i18n.xml")))), S_OK);
        EXPECT_EQ(table.GetLanguage(), L"zh-TW");
        ASSERT_EQ(table.GetManifests().size(), 2u);
        const auto &entry = *table.GetManifests()[0];
        EXPECT_EQ(entry.id, L"urn:manifest");
        EXPECT_EQ(entry.languageStringVersion, L"2010-01-01");
        ASSERT_EQ(entry.items.size(), 3u);
        EXPECT_EQ(entry.items[0]->title, L"Insects & more");
        EXPECT_EQ(entry.items[0]->keywords, (std::vector<CAtlString>{L"bug", L"k2"}));

        // Written and read again: the same table.
        ASSERT_EQ(table.Write(CKeldaFilePath(W(dir.file("copy.xml")))), S_OK);
        CGalleryI18N copy;
        ASSERT_EQ(copy.Read(CKeldaFilePath(W(dir.file("copy.xml")))), S_OK);
        CAtlStringA a, b;
        ASSERT_EQ(table.WriteToString(a), S_OK);
        ASSERT_EQ(copy.WriteToString(b), S_OK);
        EXPECT_EQ(a, b);
        EXPECT_NE(a.find("<i18n2 xmlns=\"http://"), std::string::npos) << a;
    }
    CGalleryI18N table;
    EXPECT_EQ(table.Read(CKeldaFilePath(W(dir.file("i18n.txt")))), E_FAIL);
    EXPECT_EQ(table.Write(CKeldaFilePath(W(dir.file("i18n.txt")))), E_FAIL);
}

TEST(GalleryI18N, ZipTargetsAndSources)
{
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("i18n.xml"), Document("i18n2")));
    CGalleryI18N table;
    ASSERT_EQ(table.Read(CKeldaFilePath(W(dir.file("i18n.xml")))), S_OK);

    // A new archive holds only "i18n.xml".
    const std::string fresh = dir.file("fresh.zip");
    ASSERT_EQ(table.Write(CKeldaFilePath(W(fresh))), S_OK);
    EXPECT_EQ(Entries(fresh), (std::vector<std::string>{"i18n.xml"}));
    CGalleryI18N fromZip;
    ASSERT_EQ(fromZip.Read(CKeldaFilePath(W(fresh))), S_OK);
    EXPECT_EQ(fromZip.GetManifests().size(), 2u);

    // An existing archive keeps its other entries; its "i18n.xml" is replaced.
    TestEnv::TempDir content;
    ASSERT_TRUE(TestEnv::WriteFile(content.file("other.txt"), "keep me"));
    ASSERT_TRUE(TestEnv::WriteFile(content.file("i18n.xml"), "<i18n2 language=\"de\"/>"));
    const std::string existing = dir.file("pack.zip");
    ASSERT_TRUE(GalleryArchive::ZipFolderToFile(CKeldaDirectoryPath(W(content.path())), CKeldaFilePath(W(existing))));
    ASSERT_EQ(table.Write(CKeldaFilePath(W(existing))), S_OK);
    EXPECT_EQ(Entries(existing), (std::vector<std::string>{"i18n.xml", "other.txt"}));
    CGalleryI18N replaced;
    ASSERT_EQ(replaced.Read(CKeldaFilePath(W(existing))), S_OK);
    EXPECT_EQ(replaced.GetLanguage(), L"zh-TW");

    // An archive without the entry.
    TestEnv::RemoveAll(content.file("i18n.xml"));
    ASSERT_TRUE(GalleryArchive::ZipFolderToFile(CKeldaDirectoryPath(W(content.path())),
                                                CKeldaFilePath(W(dir.file("none.zip")))));
    CGalleryI18N none;
    EXPECT_EQ(none.Read(CKeldaFilePath(W(dir.file("none.zip")))), E_FAIL);
}

TEST(GalleryI18N, MalformedDocumentKeepsWhatWasRead)
{
    TestEnv::TempDir dir;
    std::string broken = Document("i18n2");
    broken.resize(broken.find("<manifest id=\"urn:other\"") + 30);
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("broken.xml"), broken));
    CGalleryI18N table;
    EXPECT_TRUE(FAILED(table.Read(CKeldaFilePath(W(dir.file("broken.xml"))))));
    ASSERT_GE(table.GetManifests().size(), 1u);
    EXPECT_EQ(table.GetManifests()[0]->items.size(), 3u);
}

TEST(GalleryI18N, UpdateReplacesOneLanguageAndKeepsRegionalCopies)
{
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("i18n.xml"), Document("i18n2")));
    CGalleryI18N table;
    ASSERT_EQ(table.Read(CKeldaFilePath(W(dir.file("i18n.xml")))), S_OK);

    ManifestPtr m = RichManifest();
    CGalleryOrganization *o1 = m->GetOrganizations()->GetAt(0);
    CGalleryActivity *a1 = o1->GetActivities()->GetAt(0);
    a1->GetMetadata()->GetTitle()->Add(L"zh", L"X");
    a1->GetMetadata()->GetKeywords()->Add(L"zh-TW", L"old");
    CGalleryFile *f0 = a1->GetActivities()->GetAt(0)->GetFiles()->GetAt(0);
    o1->GetMetadata()->GetTitle()->Add(L"zh-TW", L"Org");
    const std::wstring untouchedFile1 = [&] {
        std::wostringstream out;
        DumpMetadata(out, a1->GetFiles()->GetAt(0)->GetMetadata());
        return out.str();
    }();

    ASSERT_EQ(table.Update(m.get()), S_OK);
    const CGalleryLanguageStringCollection *title = a1->GetMetadata()->GetTitle();
    EXPECT_EQ(CAtlString(title->GetString(L"zh-CN")), L"X") << "the other region keeps the old text";
    EXPECT_EQ(CAtlString(title->GetString(L"zh-TW")), L"Insects & more");
    EXPECT_EQ(CAtlString(title->GetString(L"en")), L"Insects");
    EXPECT_EQ(title->IndexOf(L"zh", 3), CGallery::MaxIndex) << "the plain zh entry is gone";
    std::vector<CAtlString> keywords;
    a1->GetMetadata()->GetKeywords()->GetAllStringsForLanguage(L"zh-TW", keywords);
    EXPECT_EQ(keywords, (std::vector<CAtlString>{L"bug", L"k2"}));
    EXPECT_EQ(CAtlString(f0->GetMetadata()->GetTitle()->GetString(L"zh-TW")), L"File zero");
    EXPECT_EQ(CAtlString(o1->GetMetadata()->GetTitle()->GetString(L"zh-TW")), L"Org")
        << "organizations keep their text";
    std::wostringstream after;
    DumpMetadata(after, a1->GetFiles()->GetAt(0)->GetMetadata());
    EXPECT_EQ(after.str(), untouchedFile1) << "records without an item keep their text";
    EXPECT_EQ(CAtlString(m->GetStringVersions()->GetString(L"zh-TW")), L"2010-01-01");
    // The entry of another manifest is not applied.
    EXPECT_EQ(CAtlString(a1->GetActivities()->GetAt(0)->GetMetadata()->GetTitle()->GetString(L"zh-TW")),
              L"Tiere \u00e4\u00f6");

    // Portuguese the same way: pt is copied to pt-PT and pt-BR before pt-BR is replaced.
    a1->GetMetadata()->GetTitle()->Add(L"pt", L"P");
    table.SetLanguage(L"pt-BR");
    ASSERT_EQ(table.Update(m.get()), S_OK);
    EXPECT_EQ(CAtlString(title->GetString(L"pt-PT")), L"P");
    EXPECT_EQ(CAtlString(title->GetString(L"pt-BR")), L"Insects & more");

    // A table without an entry for the manifest changes nothing and says so.
    const std::wstring before = Dump(m.get());
    ASSERT_EQ(m->GetMetadata()->SetIdentifier(L"urn:another-manifest"), S_OK);
    EXPECT_EQ(table.Update(m.get()), S_FALSE);
    ASSERT_EQ(m->GetMetadata()->SetIdentifier(L"urn:manifest"), S_OK);
    EXPECT_EQ(Dump(m.get()), before);
}

TEST(GalleryI18N, AddExtractsExactlyOneLanguage)
{
    ManifestPtr m = RichManifest();
    CGalleryActivity *a1 = m->GetOrganizations()->GetAt(0)->GetActivities()->GetAt(0);
    a1->GetMetadata()->GetTitle()->Add(L"fr", L"Insectes 1");
    a1->GetMetadata()->GetTitle()->Add(L"fr-CA", L"regional");
    a1->GetMetadata()->GetTitle()->Add(L"fr", L"Insectes 2");
    CGalleryFile *f1 = a1->GetFiles()->GetAt(0);
    f1->GetMetadata()->GetKeywords()->Add(L"fr", L"");

    CGalleryI18N table;
    table.SetLanguage(L"fr");
    ASSERT_EQ(table.Add(m.get()), S_OK);
    ASSERT_EQ(table.GetManifests().size(), 1u);
    const auto &entry = *table.GetManifests()[0];
    EXPECT_EQ(entry.id, L"urn:manifest");
    EXPECT_EQ(entry.languageStringVersion, L"2009-06-01");
    // Activities and files of every organization, depth first: act1, act2, file0, file1, file2, empty.
    std::vector<CAtlString> ids;
    for (const auto &item : entry.items)
        ids.push_back(item->id);
    EXPECT_EQ(ids, (std::vector<CAtlString>{L"urn:act1", L"urn:act2", L"urn:file0", L"urn:file1", L"urn:file2",
                                            L"urn:empty"}));
    EXPECT_EQ(entry.items[0]->title, L"Insectes 2") << "the last exact match";
    EXPECT_EQ(entry.items[3]->keywords, (std::vector<CAtlString>{L"insecte"})) << "empty keywords are left out";
    EXPECT_EQ(entry.items[1]->title, L"");

    // Without a string version for the language, the manifest's version is used.
    CGalleryI18N german;
    german.SetLanguage(L"de");
    ASSERT_EQ(german.Add(m.get()), S_OK);
    EXPECT_EQ(german.GetManifests()[0]->languageStringVersion, L"2009-05-01");
}
