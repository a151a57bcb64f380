// Installation items: a category of the categories file loaded against the installed galleries,
// and the choice of files and language packs it makes for a run.
#include "install/GalleryInstallationItem.h"

#include "gallery/maintenance/GalleryInstalledManifest.h"
#include "install/GalleryInstallation.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace
{

struct ItemDeleter {
    void operator()(CGalleryInstallationItem *item) const { CGalleryInstallationItem::DeleteInstance(&item); }
};
using ItemPtr = std::unique_ptr<CGalleryInstallationItem, ItemDeleter>;

// An uninstall record as the registry reads it.
std::string Record(const std::string &id, const std::string &version, const std::string &strings)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest identifier=\"m\"><keldagallery:stringversions>" +
           strings + "</keldagallery:stringversions><metadata><schema>ADL SCORM</schema><lom:lom><lom:general>" +
           "<lom:identifier><lom:catalog>URI</lom:catalog><lom:entry>" + id +
           "</lom:entry></lom:identifier></lom:general><lom:lifeCycle><lom:version><lom:string language=\"x-none\">" +
           version + "</lom:string></lom:version></lom:lifeCycle></lom:lom></metadata><organizations/></manifest>";
}

std::string Strings(const std::string &language, const std::string &version)
{
    return "<lom:string language=\"" + language + "\">" + version + "</lom:string>";
}

// A category element with the given files (XML of the "files" children) and packs.
std::string Category(const std::string &files, const std::string &packs = "",
                     const std::string &attributes = "id=\"cat\" version=\"2\"")
{
    return "<category " + attributes + "><title><t language=\"en\">Cat</t><t language=\"fr\">Chat</t></title><files>" +
           files + "</files>" + (packs.empty() ? "" : "<strings>" + packs + "</strings>") + "</category>";
}

class InstallationItemTest : public ::testing::Test
{
  protected:
    void TearDown() override { CGalleryInstallationItem::SetTargetLanguageList({}); }

    void AddRecord(const std::string &id, const std::string &version, const std::string &strings = "")
    {
        const std::string folder = m_root.file("Uninstall");
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(TestEnv::WriteFile(folder + "/imsmanifest" + std::to_string(m_records++) + ".xml",
                                       Record(id, version, strings)));
    }

    // Loads the category against the records added so far; the result of Load in *result.
    ItemPtr Load(const std::string &category, HRESULT *result = nullptr)
    {
        CGalleryInstalledManifestMap installed;
        CKeldaDirectoryPath uninstall = CKeldaDirectoryPath::FromUtf8(m_root.path());
        uninstall.AddDirectoryToPath(L"Uninstall");
        EXPECT_EQ(installed.Open(uninstall), S_OK);
        tinyxml2::XMLDocument document;
        EXPECT_EQ(document.Parse(category.c_str()), tinyxml2::XML_SUCCESS) << category;
        CGalleryInstallationItem *raw = nullptr;
        EXPECT_EQ(CGalleryInstallationItem::CreateInstance(&raw), S_OK);
        ItemPtr item(raw);
        const HRESULT hr = item->Load(document.RootElement(), installed);
        if (result)
            *result = hr;
        else
            EXPECT_EQ(hr, S_OK);
        return item;
    }

    TestEnv::TempDir m_root;
    int m_records = 0;
};

std::vector<CAtlString> FileNames(const CGalleryInstallationItem &item, bool updateOnly)
{
    std::vector<CAtlString> names;
    item.GetFileNames(names, updateOnly);
    return names;
}

TEST_F(InstallationItemTest, ReadsTheCategory)
{
    ItemPtr item =
        Load(Category("<f id=\"g1\" version=\"1\">a.gallery</f><f id=\"g2\" version=\"1\">b.gallery</f>",
                      "<s language=\"fr\">fr1.zip</s><s language=\"de\">de.zip</s><s language=\"fr\">fr.zip</s>",
                      "id=\"cat\" version=\"2\" size=\"2048\" count=\"12abc\" disksize=\"99999999999\""));
    EXPECT_EQ(item->GetIdentifier(), L"cat");
    EXPECT_EQ(item->GetUpdateVersion(), L"2");
    EXPECT_EQ(item->GetTitle(L"fr"), L"Chat");
    EXPECT_EQ(item->GetTitle(L"en"), L"Cat");
    EXPECT_EQ(item->GetDownloadSize(), 2048);
    EXPECT_EQ(item->GetItemCount(), 12) << "a \"%d\" number ends at the first other character";
    EXPECT_EQ(item->GetInstalledSize(), 0) << "a number that does not fit is no number";
    ASSERT_EQ(item->GetFileCount(), 2u);
    EXPECT_EQ(item->GetFile(1)->GetFileName(), L"b.gallery");
    EXPECT_EQ(item->GetFile(2), nullptr);
    EXPECT_EQ(item->GetLanguagePackMap(), (std::map<CAtlString, CAtlString>{{L"de", L"de.zip"}, {L"fr", L"fr.zip"}}))
        << "a later pack of the same language replaces the earlier";
    EXPECT_EQ(item->GetStatus(), S_FALSE);
    EXPECT_EQ(item->GetAction(), eGalleryInstallationActionNone);
    EXPECT_FALSE(item->GetFinished());
}

TEST_F(InstallationItemTest, LoadRefusesIncompleteCategories)
{
    CGalleryInstalledManifestMap installed;
    CGalleryInstallationItem *raw = nullptr;
    ASSERT_EQ(CGalleryInstallationItem::CreateInstance(&raw), S_OK);
    ItemPtr item(raw);
    EXPECT_EQ(item->Load(nullptr, installed), E_INVALIDARG);
    EXPECT_EQ(CGalleryInstallationItem::CreateInstance(&raw), E_INVALIDARG) << "the out-pointer is already set";
    for (const char *xml : {"<category id=\"c\"><files/></category>", "<category id=\"c\"><title/></category>"}) {
        HRESULT hr = S_OK;
        Load(xml, &hr);
        EXPECT_EQ(hr, E_FAIL) << xml;
    }
}

// One file offered in a version against what is installed.
struct VersionCase {
    const char *name;
    const char *installed; // null: not installed
    const char *offered;
    bool isUpdateAvailable;
};

TEST_F(InstallationItemTest, VersionsCompareAsText)
{
    const VersionCase cases[] = {
        {"not installed", nullptr, "1", true},
        {"older installed", "1", "2", true},
        {"same", "2", "2", false},
        {"ordinally smaller offer", "9", "10", false},
        {"ordinally greater offer", "10", "9", true},
        {"empty offer", "1", "", false},
    };
    for (const VersionCase &c : cases) {
        SCOPED_TRACE(c.name);
        TestEnv::RemoveAll(m_root.file("Uninstall"));
        if (c.installed) AddRecord("g1", c.installed);
        ItemPtr item = Load(Category(std::string("<f id=\"g1\" version=\"") + c.offered + "\">a.gallery</f>"));
        EXPECT_EQ(item->GetIsInstalled(), c.installed != nullptr);
        EXPECT_EQ(item->GetIsUpdateAvailable(), c.isUpdateAvailable);
        EXPECT_EQ(item->GetFile(0)->GetIsUpdateAvailable(), c.isUpdateAvailable);
        EXPECT_EQ(item->GetInstalledVersion(), c.installed ? Text::FromUtf8(c.installed) : CAtlString());
    }
}

TEST_F(InstallationItemTest, InstalledFilesAndUpdatedTranslations)
{
    AddRecord("g1", "3", Strings("en", "1") + Strings("fr", "1") + Strings("de", "5"));
    AddRecord("g2", "1", Strings("fr", "1"));
    ItemPtr item = Load(Category("<f id=\"g1\" version=\"3\" strings=\"en:1;fr:2:de:4;it\">a.gallery</f>"
                                 "<f id=\"g2\" version=\"2\" strings=\"fr:9\">b.gallery</f>"
                                 "<f id=\"g3\" version=\"1\">c.gallery</f>",
                                 "<s language=\"fr\">fr.zip</s><s language=\"de\">de.zip</s>"));
    EXPECT_TRUE(item->GetIsInstalled());
    EXPECT_TRUE(item->GetIsUpdateAvailable());
    EXPECT_EQ(item->GetInstalledVersion(), L"3") << "the greatest installed version";
    const CGalleryInstallationItemFile *first = item->GetFile(0);
    EXPECT_EQ(first->GetUpdateStringVersions(),
              (CGalleryInstallationItemFile::StringVersions{{L"de", L"4"}, {L"en", L"1"}, {L"fr", L"2"}}))
        << "':' and ';' both separate; the unpaired \"it\" is dropped";
    EXPECT_NE(first->GetFilePath().find(L"imsmanifest0.xml"), CAtlString::npos);

    // Only the current file lists its newer translations; g2 has a file update instead.
    std::vector<CAtlString> updated;
    item->GetUpdatedLanguageList(updated, false);
    EXPECT_EQ(updated, std::vector<CAtlString>{L"fr"});
    CGalleryInstallationItem::SetTargetLanguageList({L"de"});
    updated.clear();
    item->GetUpdatedLanguageList(updated, true);
    EXPECT_TRUE(updated.empty());

    EXPECT_EQ(FileNames(*item, false), (std::vector<CAtlString>{L"a.gallery", L"b.gallery", L"c.gallery"}));
    EXPECT_EQ(FileNames(*item, true), (std::vector<CAtlString>{L"b.gallery", L"c.gallery"}));
    std::vector<CAtlString> paths;
    item->GetFilePaths(paths);
    EXPECT_EQ(paths.size(), 2u);
}

TEST_F(InstallationItemTest, TranslationOnlyUpdateIsNoFileUpdate)
{
    AddRecord("g1", "1", Strings("fr", "1"));
    ItemPtr item =
        Load(Category("<f id=\"g1\" version=\"1\" strings=\"fr:2\">a.gallery</f>", "<s language=\"fr\">fr.zip</s>"));
    EXPECT_FALSE(item->GetIsUpdateAvailable());
    std::vector<CAtlString> updated;
    item->GetUpdatedLanguageList(updated, false);
    EXPECT_EQ(updated, std::vector<CAtlString>{L"fr"});
    EXPECT_TRUE(FileNames(*item, true).empty());
    CGalleryInstallationItem::SetTargetLanguageList({L"fr_FR"});
    std::vector<CAtlString> packs;
    item->GetLanguagePacks(packs, true);
    EXPECT_EQ(packs, std::vector<CAtlString>{L"fr.zip"});
}

struct LanguageCase {
    const char *name;
    const char *installedStrings; // of the record, as "<lom:string>" elements
    const char *offered;          // the "strings" attribute
    const char *packs;            // "<s>" elements
    std::vector<CAtlString> updateOnly;
};

TEST_F(InstallationItemTest, UpdateLanguagesFoldAndMapOntoPacks)
{
    const LanguageCase cases[] = {
        {"not installed: every offered language with a pack",
         "",
         "fr:1;de:1;it:1",
         "<s language=\"fr\">f</s><s language=\"de\">d</s>",
         {L"de", L"fr"}},
        {"an installed newer translation is kept",
         "<lom:string language=\"fr\">5</lom:string>",
         "fr:4;de:1",
         "<s language=\"fr\">f</s><s language=\"de\">d</s>",
         {L"de"}},
        {"the same version is offered again",
         "<lom:string language=\"fr\">4</lom:string>",
         "fr:4",
         "<s language=\"fr\">f</s>",
         {L"fr"}},
        {"a plain language folds its regional form", "", "fr_CA:1;fr:1", "<s language=\"fr_FR\">f</s>", {L"fr_FR"}},
        {"regional forms map to the best pack",
         "",
         "pt_BR:1",
         "<s language=\"pt\">p</s><s language=\"pt_BR\">b</s>",
         {L"pt_BR"}},
        {"no pack matches", "", "ja:1", "<s language=\"fr\">f</s>", {}},
    };
    for (const LanguageCase &c : cases) {
        SCOPED_TRACE(c.name);
        TestEnv::RemoveAll(m_root.file("Uninstall"));
        AddRecord("g1", "1", c.installedStrings);
        ItemPtr item = Load(
            Category(std::string("<f id=\"g1\" version=\"2\" strings=\"") + c.offered + "\">a.gallery</f>", c.packs));
        std::vector<CAtlString> languages;
        item->GetLanguageList(languages, true);
        std::sort(languages.begin(), languages.end());
        EXPECT_EQ(languages, c.updateOnly);
    }
}

TEST_F(InstallationItemTest, PacksFollowTheTargetLanguages)
{
    ItemPtr item =
        Load(Category("<f id=\"g1\" version=\"1\">a.gallery</f>",
                      "<s language=\"fr\">fr.zip</s><s language=\"de\">de.xml</s><s language=\"es\">es.zip</s>"));
    std::vector<CAtlString> packs;
    item->GetLanguagePacks(packs, false);
    EXPECT_TRUE(packs.empty()) << "no target languages, no packs";
    CGalleryInstallationItem::SetTargetLanguageList({L"de-CH", L"es"});
    item->GetLanguagePacks(packs, false);
    EXPECT_EQ(packs, (std::vector<CAtlString>{L"de.xml", L"es.zip"}));

    std::vector<CAtlString> list = {L"fr", L"de", L"en_GB", L"es_MX"};
    CGalleryInstallationItem::StripToTarget({L"en", L"es"}, list);
    EXPECT_EQ(list, (std::vector<CAtlString>{L"en_GB", L"es_MX"}));
}

TEST_F(InstallationItemTest, SortPutsInstalledUpdatesFirstThenTitles)
{
    AddRecord("old", "1");
    AddRecord("current", "1");
    auto make = [&](const char *title, const char *id, const char *version) {
        return Load(std::string("<c id=\"") + title + "\"><title><t language=\"en\">" + title +
                    "</t></title><files><f id=\"" + id + "\" version=\"" + version + "\">x</f></files></c>");
    };
    ItemPtr zebra = make("Zebra", "old", "2");     // installed with an update
    ItemPtr apple = make("Apple", "new", "1");     // not installed
    ItemPtr mango = make("Mango", "current", "1"); // installed, current
    ItemPtr banana = make("Banana", "new2", "1");
    std::vector<CGalleryInstallationItem *> items = {mango.get(), banana.get(), zebra.get(), apple.get()};
    CGalleryInstallationItem::Sort(items);
    std::vector<CAtlString> order;
    for (const CGalleryInstallationItem *item : items)
        order.push_back(item->GetIdentifier());
    EXPECT_EQ(order, (std::vector<CAtlString>{L"Zebra", L"Apple", L"Banana", L"Mango"}));
}

} // namespace
