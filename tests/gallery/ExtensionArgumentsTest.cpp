// Menu extensions: placeholders of the arguments expanded from a record and its enclosing records, and
// the shortcut-menu type of each record kind.
#include "gallery/facade/Gallery.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryOrganization.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

namespace
{

std::string Lom(const std::string &identifier, const std::string &version)
{
    std::string lom = "<metadata><lom:lom><lom:general><lom:identifier><lom:entry>" + identifier +
                      "</lom:entry></lom:identifier></lom:general>";
    if (!version.empty())
        lom += "<lom:lifeCycle><lom:version><lom:string language=\"en\">" + version +
               "</lom:string></lom:version></lom:lifeCycle>";
    return lom + "</lom:lom></metadata>";
}

// A manifest with one organization, an activity holding a sub-activity, and a file in the sub-activity.
struct ExtensionArgumentsTest : ::testing::Test {
    TestEnv::TempDir dir;
    CGalleryManifest *manifest = nullptr;
    const CGalleryOrganization *organization = nullptr;
    const CGalleryActivity *outer = nullptr;
    const CGalleryActivity *inner = nullptr;
    const CGalleryFile *file = nullptr;
    CAtlString language;

    void SetUp() override
    {
        const std::string document =
            "<manifest identifier=\"m\">" + Lom("urn:manifest", "") +
            "<organizations default=\"o\"><organization identifier=\"o\"><title>Org</title>"
            "<item identifier=\"a\"><title>Outer</title><item identifier=\"b\"><title>Inner</title>"
            "<item identifier=\"f\" identifierref=\"r\"><title>File</title>" +
            Lom("urn:file", "") + "</item>" + Lom("urn:inner", "") + "</item>" + Lom("urn:outer", "3.1") + "</item>" +
            Lom("urn:org", "") +
            "</organization></organizations>"
            "<resources><resource identifier=\"r\" href=\"pics/f%20a.galleryitem\"/></resources></manifest>";
        ASSERT_TRUE(TestEnv::WriteFile(dir.file("content/imsmanifest.xml"), document));
        ASSERT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
        ASSERT_EQ(manifest->Open(Text::FromUtf8(dir.file("content/imsmanifest.xml")).c_str()), S_OK);
        organization = manifest->GetOrganizations()->GetAt(0);
        ASSERT_NE(organization, nullptr);
        outer = organization->GetActivities()->GetAt(0);
        ASSERT_NE(outer, nullptr);
        inner = outer->GetActivities()->GetAt(0);
        ASSERT_NE(inner, nullptr);
        file = inner->GetFiles()->GetAt(0);
        ASSERT_NE(file, nullptr);
        language = CGallery::GetCurrentLanguage();
        CGallery::SetCurrentLanguage(L"fr", false);
    }
    void TearDown() override
    {
        if (!language.empty()) CGallery::SetCurrentLanguage(language.c_str(), false);
        CGalleryManifest::DeleteInstance(&manifest);
    }
};

} // namespace

TEST_F(ExtensionArgumentsTest, PlaceholdersComeFromTheRecordAndItsAncestors)
{
    CGalleryExtensionInfo extension(CGalleryExtensionInfo::FileShortcutMenuExtensionType, L"{guid}");
    extension.metadataXml = L"/srv/meta.xml";
    extension.args = L"-m %IMSMANIFESTXML% -d %CONTENTDIR% -f %FILEID% -h %HREF% -p %HREFFILEPATH% "
                     L"-a %ACTIVITYID% -o %ORGANIZATIONID% -g %MANIFESTID% -l %LANG% -x %METADATAXML% -v %VER%";
    const CAtlString xml = Text::FromUtf8(dir.file("content/imsmanifest.xml"));
    const CAtlString content = manifest->GetContentDirectoryPath().GetDirectoryPathString();
    EXPECT_EQ(extension.ReplaceArguments(file->AsObject()),
              L"-m " + xml + L" -d " + content + L" -f urn:file -h " + file->GetHref() + L" -p " +
                  file->GetHrefFilePath().GetFilePathString() +
                  L" -a urn:inner -o urn:org -g urn:manifest -l fr -x /srv/meta.xml -v 3.1");

    // An organization has no file or activity; a manifest has no organization either.
    extension.args = L"[%FILEID%][%HREF%][%ACTIVITYID%][%ORGANIZATIONID%][%MANIFESTID%][%VER%]";
    EXPECT_EQ(extension.ReplaceArguments(outer->AsObject()), L"[][][urn:outer][urn:org][urn:manifest][3.1]");
    EXPECT_EQ(extension.ReplaceArguments(organization->AsObject()), L"[][][][urn:org][urn:manifest][]");
    EXPECT_EQ(extension.ReplaceArguments(manifest->AsObject()), L"[][][][][urn:manifest][]");
    EXPECT_EQ(extension.ReplaceArguments(nullptr), L"[][][][][][]");
}

TEST_F(ExtensionArgumentsTest, TextAroundAndInsideValuesStaysAsItIs)
{
    CGalleryExtensionInfo extension;
    extension.metadataXml = L"/a/%LANG%/b"; // a value holding a placeholder is not expanded again
    for (const auto &[args, expected] : std::vector<std::pair<CAtlString, CAtlString>>{
             {L"", L""},
             {L"no placeholders, 100%", L"no placeholders, 100%"},
             {L"%LANG%%LANG%", L"frfr"},
             {L"%lang% %UNKNOWN% %LANG", L"%lang% %UNKNOWN% %LANG"},
             {L"%%METADATAXML%%", L"%/a/%LANG%/b%"},
         }) {
        extension.args = args;
        EXPECT_EQ(extension.ReplaceArguments(file->AsObject()), expected) << Text::ToUtf8(args);
    }
}

TEST_F(ExtensionArgumentsTest, ShortcutMenuTypeFollowsTheRecordKind)
{
    EXPECT_EQ(CGalleryExtensionInfo::GetExtensionType(file->AsObject()), L"FileShortcutMenu");
    EXPECT_EQ(CGalleryExtensionInfo::GetExtensionType(inner->AsObject()), L"ActivityShortcutMenu");
    EXPECT_EQ(CGalleryExtensionInfo::GetExtensionType(organization->AsObject()), L"OrganizationShortcutMenu");
    EXPECT_EQ(CGalleryExtensionInfo::GetExtensionType(manifest->AsObject()), L"ManifestShortcutMenu");
    EXPECT_EQ(CGalleryExtensionInfo::GetExtensionType(nullptr), L"");
}
