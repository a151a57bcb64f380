// Metadata: dates, language visibility, requirements, copying, and the item file's metadata.xml.
#include "gallery/facade/Gallery.h"
#include "gallery/manifest/GalleryArchive_p.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/manifest/GalleryManifest.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <ctime>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

struct Metadata {
    Metadata() { CGalleryMetadata::CreateInstance(&m); }
    ~Metadata() { CGalleryMetadata::DeleteInstance(&m); }
    CGalleryMetadata *m = nullptr;
};

TEST(GalleryMetadata, ParseDateTime)
{
    struct Case {
        const wchar_t *text;
        bool valid;
    } cases[] = {
        {L"2000-02-29", true},           {L"2004-07-01T10:20:30", true},
        {L"2001-02-29", false},          {L"2004-04-31", false},
        {L"1970-06-01", false},          {L"2038-01-01", false},
        {L"2004-07-01T10:20", false},    {L"2004-13-01", false},
        {L"2004-07-01T24:00:00", false}, {L"", false},
        {L"yesterday", false},           {L"1971-01-01", true},
        {L"2037-12-31T23:59:59", true},
    };
    for (const Case &c : cases) {
        const int64_t seconds = CGalleryMetadata::ParseDateTime(c.text);
        EXPECT_EQ(seconds != 0, c.valid) << Text::ToUtf8(c.text);
        if (c.valid && std::wcschr(c.text, L'T')) {
            EXPECT_EQ(CGalleryMetadata::FormatDateTime(seconds, true), c.text);
        }
    }
    const int64_t day = CGalleryMetadata::ParseDateTime(L"2000-02-29");
    EXPECT_EQ(CGalleryMetadata::FormatDateTime(day, false), L"2000-02-29");
    EXPECT_EQ(CGalleryMetadata::FormatDateTime(day, true), L"2000-02-29T00:00:00");
}

TEST(GalleryMetadata, LanguageVisibility)
{
    struct Case {
        const wchar_t *show, *hide, *language;
        bool visible;
    } cases[] = {
        {L"", L"fr;de", L"fr-CA", false}, {L"", L"fr;de", L"en", true}, {L"en", L"", L"fr", false},
        {L"en", L"", L"en-GB", true},     {L"", L"", L"ja", true},      {L"en;fr", L"fr-CA", L"fr-CA", false},
        {L"fr-CA", L"", L"fr-FR", false}, // both regional, no common subtag: score 1
    };
    for (const Case &c : cases) {
        Metadata d;
        d.m->SetShowInLanguages(c.show);
        d.m->SetHideInLanguages(c.hide);
        EXPECT_EQ(d.m->IsVisibleInLanguage(c.language), c.visible)
            << Text::ToUtf8(c.show) << "/" << Text::ToUtf8(c.hide) << "/" << Text::ToUtf8(c.language);
    }
}

TEST(GalleryMetadata, RequirementsAgainstProgramVersions)
{
    CGalleryKeyedStringCollection *versions = CGallery::GetProgramVersions();
    ASSERT_NE(versions, nullptr);
    versions->RemoveAll();
    versions->Add(L"x-keldalabs-vellum", L"10.2");
    Metadata d;
    EXPECT_TRUE(d.m->MeetsRequirements());
    d.m->GetMinimumRequirements()->Add(L"x-keldalabs-vellum", L"10.0");
    d.m->GetMaximumRequirements()->Add(L"x-keldalabs-vellum", L"10.*");
    EXPECT_TRUE(d.m->MeetsRequirements());
    d.m->GetMinimumRequirements()->Add(L"x-keldalabs-vellum", L"10.2.1");
    EXPECT_FALSE(d.m->MeetsRequirements());
    Metadata unknown;
    unknown.m->GetMaximumRequirements()->Add(L"other", L"1.0");
    EXPECT_FALSE(unknown.m->MeetsRequirements()); // the program is not installed at all
    std::vector<CAtlString> names;
    d.m->GetMaximumRequirements()->Add(L"other", L"2");
    d.m->GetDefinedRequirements(names);
    EXPECT_EQ(names, (std::vector<CAtlString>{L"x-keldalabs-vellum", L"other"}));
    versions->RemoveAll();
}

TEST(GalleryMetadata, CopyToRecordsTheSource)
{
    Metadata a, b;
    EXPECT_EQ(a.m->CopyTo(nullptr), E_INVALIDARG);
    a.m->SetIdentifier(L"urn:a");
    a.m->GetTitle()->Add(L"en", L"Title");
    a.m->GetKeywords()->Add(L"en", L"k");
    a.m->SetCreationDateTime(1234567890);
    a.m->GetMinimumRequirements()->Add(L"p", L"1");
    b.m->GetTitle()->Add(L"de", L"Alt");
    b.m->GetMinimumRequirements()->Add(L"q", L"2");
    ASSERT_EQ(a.m->CopyTo(b.m), S_OK);
    EXPECT_TRUE(b.m->GetTitle()->Equals(a.m->GetTitle())); // replaced
    EXPECT_STREQ(b.m->GetOriginalId(), L"urn:a");          // the source's identifier
    EXPECT_EQ(b.m->GetCreationDateTime(), 1234567890);
    EXPECT_EQ(b.m->GetMinimumRequirements()->GetCount(), 2u); // added, not replaced
    a.m->SetOriginalId(L"urn:first");
    ASSERT_EQ(a.m->CopyTo(b.m), S_OK);
    EXPECT_STREQ(b.m->GetOriginalId(), L"urn:first");
}

// The element names below an element, in document order.
std::vector<std::string> ChildNames(const tinyxml2::XMLElement *element)
{
    std::vector<std::string> names;
    for (const tinyxml2::XMLElement *child = element ? element->FirstChildElement() : nullptr; child;
         child = child->NextSiblingElement())
        names.emplace_back(child->Name());
    return names;
}

// The LOM block of a written manifest keeps the documented element order, every optional part present.
TEST(GalleryMetadata, WrittenManifestKeepsTheLomOrder)
{
    CGalleryManifest *manifest = nullptr;
    ASSERT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
    CGalleryMetadata *m = manifest->GetMetadata();
    ASSERT_EQ(m->SetIdentifier(L"urn:order"), S_OK);
    ASSERT_EQ(m->GetTitle()->Add(L"en", L"Order"), S_OK);
    ASSERT_EQ(m->GetKeywords()->Add(L"en", L"one"), S_OK);
    ASSERT_EQ(m->GetKeywords()->Add(L"de", L"zwei"), S_OK);
    ASSERT_EQ(m->SetSortOverride(L"001"), S_OK);
    ASSERT_EQ(m->SetOriginalId(L"urn:original"), S_OK);
    ASSERT_EQ(m->SetShowInLanguages(L"en"), S_OK);
    ASSERT_EQ(m->SetHideInLanguages(L"fr"), S_OK);
    ASSERT_EQ(m->SetFormat(L"image/png"), S_OK);
    ASSERT_EQ(m->SetVersion(L"2.0"), S_OK);
    m->SetCreationDateTime(1262304000);
    TestEnv::TempDir dir;
    const std::string path = dir.file("imsmanifest.xml");
    const HRESULT saved = manifest->SaveAs(Text::FromUtf8(path).c_str());
    CGalleryManifest::DeleteInstance(&manifest);
    ASSERT_EQ(saved, S_OK);

    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.LoadFile(path.c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement *lom = document.RootElement()->FirstChildElement("metadata");
    ASSERT_NE(lom, nullptr);
    EXPECT_EQ(ChildNames(lom), (std::vector<std::string>{"schema", "schemaversion", "lom:lom"}));
    lom = lom->FirstChildElement("lom:lom");
    EXPECT_EQ(ChildNames(lom), (std::vector<std::string>{"lom:metaMetadata", "lom:general", "lom:technical",
                                                         "lom:rights", "lom:lifeCycle"}));
    EXPECT_EQ(ChildNames(lom->FirstChildElement("lom:metaMetadata")),
              (std::vector<std::string>{"lom:identifier", "lom:metadataSchema", "lom:metadataSchema"}));
    EXPECT_EQ(ChildNames(lom->FirstChildElement("lom:general")),
              (std::vector<std::string>{"lom:identifier", "lom:title", "lom:description", "lom:keyword", "lom:keyword",
                                        "keldagallery:sortoverride", "keldagallery:originalid",
                                        "keldagallery:showinlanguages", "keldagallery:hideinlanguages"}));
    EXPECT_EQ(ChildNames(lom->FirstChildElement("lom:technical")), (std::vector<std::string>{"lom:format"}));
    EXPECT_EQ(ChildNames(lom->FirstChildElement("lom:rights")),
              (std::vector<std::string>{"lom:cost", "lom:copyrightAndOtherRestrictions", "lom:description"}));
    EXPECT_EQ(ChildNames(lom->FirstChildElement("lom:lifeCycle")),
              (std::vector<std::string>{"keldagallery:creationdate", "lom:version", "lom:status"}));
}

TEST(GalleryMetadata, StandaloneBlockAndEmptyMarkers)
{
    Metadata d;
    CAtlStringA xml;
    ASSERT_EQ(d.m->WriteStandalone(xml), S_OK);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><lom:lom xmlns:lom=\"", 0), 0u);
    EXPECT_NE(xml.find("<lom:title><lom:string language=\"en\">\xEF\xBB\xBF</lom:string></lom:title>"),
              std::string::npos);
    EXPECT_NE(xml.find("<lom:keyword><lom:string language=\"en\">\xEF\xBB\xBF</lom:string></lom:keyword>"),
              std::string::npos);
    EXPECT_NE(xml.find("<lom:format>\xEF\xBB\xBF</lom:format>"), std::string::npos);
    EXPECT_EQ(xml.find("creationdate"), std::string::npos); // no date, no element
    EXPECT_EQ(xml.find("sortoverride"), std::string::npos);
}

TEST(GalleryMetadata, ItemFileFreshAndInPlace)
{
    TestEnv::TempDir dir;
    const std::string folder = dir.path() + "/item";
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(TestEnv::WriteFile(folder + "/metadata.xml",
                                   "<lom:lom xmlns:lom=\"l\"><lom:general><lom:title><lom:string language=\"en\">Old"
                                   "</lom:string></lom:title><lom:keyword><lom:string language=\"en\">old</lom:string>"
                                   "</lom:keyword></lom:general><custom keep=\"yes\"/></lom:lom>"));
    ASSERT_TRUE(TestEnv::WriteFile(folder + "/page.svg", "<svg/>"));
    const CKeldaFilePath item(Text::FromUtf8(dir.file("x.galleryitem")));
    ASSERT_TRUE(GalleryArchive::ZipFolderToFile(CKeldaDirectoryPath(Text::FromUtf8(folder)), item));

    Metadata d;
    d.m->SetIdentifier(L"urn:item");
    d.m->GetTitle()->Add(L"en", L"New");
    d.m->GetTitle()->Add(L"fr", L"Nouveau");
    d.m->GetKeywords()->Add(L"en", L"fresh");
    d.m->SetCreationDateTime(CGalleryMetadata::ParseDateTime(L"2005-06-07T08:09:10"));
    d.m->GetMinimumRequirements()->Add(L"x-keldalabs-vellum", L"10.0");
    ASSERT_EQ(d.m->Write(item.GetFilePathString().c_str(), false), S_OK);

    std::string bytes;
    ASSERT_TRUE(GalleryArchive::UnzipToMemory(item, L"metadata.xml", bytes));
    EXPECT_NE(bytes.find("<custom keep=\"yes\"/>"), std::string::npos); // untouched elements stay
    EXPECT_EQ(bytes.find("Old"), std::string::npos);
    EXPECT_EQ(bytes.find(">old<"), std::string::npos);
    std::string svg;
    EXPECT_TRUE(GalleryArchive::UnzipToMemory(item, L"page.svg", svg));
    Metadata back;
    ASSERT_EQ(back.m->Load(item.GetFilePathString().c_str()), S_OK);
    EXPECT_STREQ(back.m->GetIdentifier(), L"urn:item");
    EXPECT_STREQ(back.m->GetTitle()->GetString(L"fr"), L"Nouveau");
    EXPECT_STREQ(back.m->GetKeywords()->GetStringAt(0), L"fresh");
    EXPECT_EQ(back.m->GetCreationDateTime(), d.m->GetCreationDateTime());
    EXPECT_STREQ(back.m->GetMinimumRequirements()->GetString(L"x-keldalabs-vellum"), L"10.0");

    ASSERT_EQ(d.m->Write(item.GetFilePathString().c_str(), true), S_OK);
    ASSERT_TRUE(GalleryArchive::UnzipToMemory(item, L"metadata.xml", bytes));
    CAtlStringA standalone;
    d.m->WriteStandalone(standalone);
    EXPECT_EQ(bytes, standalone);
    Metadata fresh;
    ASSERT_EQ(fresh.m->Load(item.GetFilePathString().c_str()), S_OK);
    EXPECT_EQ(fresh.m->GetCreationDateTime(), d.m->GetCreationDateTime()); // written as creationdate, read back
    EXPECT_EQ(fresh.m->Load(L"/no/such.galleryitem"), E_FAIL);
}

} // namespace
