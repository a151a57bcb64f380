// The installed-manifest registry: which records yield identifier, version and translation versions,
// that only the head of a large record is read (also when a value straddles a read boundary), and
// how a directory of records becomes the map.
#include "gallery/maintenance/GalleryInstalledManifest.h"
#include "gallery/manifest/GalleryManifest.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace
{

CAtlString W(const std::string &s)
{
    return Text::FromUtf8(s);
}

std::string Versions(const std::string &inner = "<lom:string language=\"en\">v-en</lom:string>"
                                                "<lom:string language=\"fr\">v-fr</lom:string>")
{
    return "<keldagallery:stringversions>" + inner + "</keldagallery:stringversions>";
}
std::string General(const std::string &id)
{
    return "<lom:general><lom:identifier><lom:catalog>URI</lom:catalog><lom:entry>" + id +
           "</lom:entry></lom:identifier></lom:general>";
}
std::string LifeCycle(const std::string &v)
{
    return "<lom:lifeCycle><lom:version><lom:string language=\"x-none\">" + v +
           "</lom:string></lom:version></lom:lifeCycle>";
}

std::string Record(const std::string &beforeMetadata, const std::string &lom, const std::string &after = "")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest identifier=\"id1\">" + beforeMetadata +
           "<metadata><schema>ADL SCORM</schema><lom:lom>" + lom + "</lom:lom></metadata>" + after +
           "<organizations/></manifest>";
}

struct RecordCase {
    const char *what;
    std::string document;
    HRESULT result;
    const wchar_t *identifier;
    const wchar_t *version;
    size_t stringVersions;
};

} // namespace

TEST(GalleryInstalledManifest, WhichRecordsRegister)
{
    const RecordCase cases[] = {
        {"ordinary", Record(Versions(), General("urn:a") + LifeCycle("2010-01-01")), S_OK, L"urn:a", L"2010-01-01", 2},
        {"lifeCycle before general", Record("", LifeCycle("v2") + General("urn:b")), S_OK, L"urn:b", L"v2", 0},
        {"values trimmed", Record("", General(" \n urn:c \n") + LifeCycle(" v3 ")), S_OK, L"urn:c", L"v3", 0},
        {"a repeated language keeps the later value",
         Record(Versions("<lom:string language=\"en\">1</lom:string><lom:string language=\"en\">2</lom:string>"),
                General("urn:d") + LifeCycle("v")),
         S_OK, L"urn:d", L"v", 1},
        {"no version", Record(Versions(), General("urn:e")), E_FAIL, L"urn:e", L"", 2},
        {"no identifier", Record("", LifeCycle("v")), E_FAIL, L"", L"v", 0},
        {"string versions after the metadata are not seen", Record("", General("urn:f") + LifeCycle("v"), Versions()),
         S_OK, L"urn:f", L"v", 0},
        {"values after the LOM block are not seen",
         "<manifest><metadata><lom:lom>" + General("urn:g") + "</lom:lom>" + LifeCycle("v") + "</metadata></manifest>",
         E_FAIL, L"urn:g", L"", 0},
        {"not a manifest",
         "<other><metadata><lom:lom>" + General("urn:h") + LifeCycle("v") + "</lom:lom></metadata></other>", E_FAIL,
         L"", L"", 0},
        {"malformed", "<manifest><metadata><lom:lom><lom:general>", E_FAIL, L"", L"", 0},
        {"empty file", "", E_FAIL, L"", L"", 0},
    };
    TestEnv::TempDir dir;
    for (const RecordCase &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(TestEnv::WriteFile(dir.file("imsmanifest1.xml"), c.document));
        CGalleryInstalledManifest record;
        EXPECT_EQ(record.Open(CKeldaFilePath(W(dir.file("imsmanifest1.xml")))), c.result);
        EXPECT_EQ(record.GetIdentifier(), c.identifier);
        EXPECT_EQ(record.GetVersion(), c.version);
        EXPECT_EQ(record.GetStringVersions().size(), c.stringVersions);
    }
    CGalleryInstalledManifest record;
    EXPECT_EQ(record.Open(CKeldaFilePath(W(dir.file("missing.xml")))), E_FAIL);

    ASSERT_TRUE(TestEnv::WriteFile(dir.file("imsmanifest1.xml"), cases[0].document));
    ASSERT_EQ(record.Open(CKeldaFilePath(W(dir.file("imsmanifest1.xml")))), S_OK);
    EXPECT_EQ(record.GetStringVersions().at(L"fr"), L"v-fr");
    CGalleryInstalledManifest copy(record);
    CGalleryInstalledManifest *clone = nullptr;
    ASSERT_EQ(record.Clone(&clone), S_OK);
    std::unique_ptr<CGalleryInstalledManifest> owned(clone);
    for (const CGalleryInstalledManifest *r : {&copy, clone}) {
        EXPECT_EQ(r->GetIdentifier(), L"urn:a");
        EXPECT_EQ(r->GetResult(), S_OK);
        EXPECT_EQ(r->GetFilePath(), record.GetFilePath());
    }
}

TEST(GalleryInstalledManifest, ReadsOnlyTheHeadOfALargeRecord)
{
    TestEnv::TempDir dir;
    std::string items;
    while (items.size() < (1u << 20))
        items += "<item identifier=\"x\"><title>Some item title</title></item>";
    const std::string document =
        Record(Versions(), General("urn:big") + LifeCycle("v"),
               "<organizations><organization identifier=\"o\">" + items + "</organization></organizations>");
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("imsmanifestbig.xml"), document));
    CGalleryInstalledManifest record;
    ASSERT_EQ(record.Open(CKeldaFilePath(W(dir.file("imsmanifestbig.xml")))), S_OK);
    EXPECT_EQ(record.GetIdentifier(), L"urn:big");
    EXPECT_LE(record.GetBytesRead(), 4096u);

    // Values that straddle the end of the first piece are read whole from a longer one.
    const std::string identifier(40, 'i');
    for (size_t shift = 0; shift < 48; ++shift) {
        const std::string head = Record(std::string(), General(identifier) + LifeCycle("version-text"));
        const size_t at = head.find(identifier);
        const size_t split = head.find("<metadata>");
        const size_t pad = 4096 - at - 24 + shift; // moves the identifier across offset 4096
        const std::string doc =
            head.substr(0, split) + "<pad a=\"" + std::string(pad, 'p') + "\"/>" + head.substr(split) + items;
        ASSERT_TRUE(TestEnv::WriteFile(dir.file("imsmanifestcut.xml"), doc));
        CGalleryInstalledManifest cut;
        ASSERT_EQ(cut.Open(CKeldaFilePath(W(dir.file("imsmanifestcut.xml")))), S_OK) << shift;
        EXPECT_EQ(cut.GetIdentifier(), W(identifier)) << shift;
        EXPECT_EQ(cut.GetVersion(), L"version-text") << shift;
        EXPECT_LE(cut.GetBytesRead(), 8192u);
    }
}

TEST(GalleryInstalledManifestMap, CollectsADirectoryLaterRecordsWinning)
{
    TestEnv::TempDir dir;
    const std::string uninstall = dir.file("Uninstall");
    std::filesystem::create_directories(uninstall);
    ASSERT_TRUE(TestEnv::WriteFile(uninstall + "/imsmanifest1.xml", Record("", General("urn:dup") + LifeCycle("1"))));
    ASSERT_TRUE(TestEnv::WriteFile(uninstall + "/imsmanifest2.xml", Record("", General("urn:dup") + LifeCycle("2"))));
    ASSERT_TRUE(TestEnv::WriteFile(uninstall + "/imsmanifest3.xml", Record("", General("urn:other") + LifeCycle("3"))));
    ASSERT_TRUE(TestEnv::WriteFile(uninstall + "/imsmanifest4.xml", Record("", General("urn:noversion"))));
    ASSERT_TRUE(TestEnv::WriteFile(uninstall + "/other.xml", Record("", General("urn:ignored") + LifeCycle("1"))));

    // The later of the two duplicates in directory order wins.
    std::vector<CKeldaFilePath> listed;
    CKeldaDirectoryPath(W(uninstall)).FindFilesInDirectory(L"imsmanifest*.xml", listed);
    CAtlString later;
    for (const CKeldaFilePath &file : listed)
        if (file.GetFileName() == L"imsmanifest1.xml" || file.GetFileName() == L"imsmanifest2.xml")
            later = file.GetFileName() == L"imsmanifest1.xml" ? L"1" : L"2";

    CGalleryManifest *manifest = nullptr;
    ASSERT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
    manifest->SetXmlPath(W(dir.file("imsmanifest.xml")).c_str());
    CGalleryInstalledManifestMap map;
    EXPECT_EQ(manifest->GetInstalledManifests(map), S_OK);
    CGalleryManifest::DeleteInstance(&manifest);
    EXPECT_EQ(map.GetCount(), 2u);
    ASSERT_NE(map[L"urn:dup"], nullptr);
    EXPECT_EQ(map[L"urn:dup"]->GetVersion(), later);
    ASSERT_NE(map[L"urn:other"], nullptr);
    EXPECT_EQ(map[L"urn:noversion"], nullptr) << "a record without version counts as not installed";
    EXPECT_EQ(map[L"urn:ignored"], nullptr);
    EXPECT_EQ(map[L"URN:OTHER"], nullptr) << "identifiers compare exactly";

    CGalleryInstalledManifestMap empty;
    EXPECT_EQ(empty.Open(CKeldaDirectoryPath(W(dir.file("missing")))), S_OK);
    EXPECT_EQ(empty.GetCount(), 0u);
}
