// The manifest reader's element names: the older and the later names of the same field, and the
// requirement types it takes from a manifest (only "browser").
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

namespace
{

std::string Requirement(const std::string &type, const std::string &name, const std::string &minimum)
{
    return "<lom:requirement><lom:orComposite><lom:type><lom:source>LOMv1.0</lom:source><lom:value>" + type +
           "</lom:value></lom:type><lom:name><lom:value>" + name + "</lom:value></lom:name><lom:minimumVersion>" +
           minimum + "</lom:minimumVersion></lom:orComposite></lom:requirement>";
}

std::string General(const std::string &identifier, const std::string &extra)
{
    return "<lom:general><lom:identifier><lom:entry>" + identifier + "</lom:entry></lom:identifier>" + extra +
           "</lom:general>";
}

TEST(ManifestReader, OlderNamesAndRequirementTypes)
{
    const std::string file =
        "<item identifier=\"id4\" identifierref=\"id5\"><title>File</title><metadata><lom:lom>" +
        General("urn:file", "<gallery:sortkey><lom:string language=\"en\">zz</lom:string></gallery:sortkey>") +
        "<lom:technical><lom:format>image/png</lom:format>" + Requirement("browser", "web", "1.0") +
        Requirement("x-keldalabs-vellum", "app", "2.0") +
        "</lom:technical><lom:lifeCycle><gallery:creationdate>2008-03-04</gallery:creationdate>"
        "<lom:version><lom:string language=\"en\">v7</lom:string></lom:version></lom:lifeCycle>"
        "</lom:lom></metadata></item>";
    const std::string activity =
        "<item identifier=\"id3\"><title>Act</title>" + file + "<metadata><lom:lom>" +
        General("urn:act", "<keldagallery:sortoverride><lom:string language=\"en\">aa</lom:string>"
                           "</keldagallery:sortoverride>") +
        "<lom:technical><lom:format>not for activities</lom:format></lom:technical><lom:lifeCycle>"
        "<keldagallery:creationdatetime>2009-01-02T03:04:05</keldagallery:creationdatetime></lom:lifeCycle>"
        "</lom:lom></metadata></item>";
    const std::string document = "<manifest identifier=\"id1\"><organizations default=\"id2\">"
                                 "<organization identifier=\"id2\"><title>Org</title>" +
                                 activity + "<metadata><lom:lom>" + General("urn:org", "") +
                                 "</lom:lom></metadata></organization></organizations>"
                                 "<resources><resource identifier=\"id5\" href=\"f.galleryitem\"/></resources>"
                                 "</manifest>";
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("imsmanifest.xml"), document));
    CGalleryManifest *manifest = nullptr;
    ASSERT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
    ASSERT_EQ(manifest->Open(Text::FromUtf8(dir.file("imsmanifest.xml")).c_str()), S_OK);

    const CGalleryActivity *act = manifest->GetOrganizations()->GetAt(0)->GetActivities()->GetAt(0);
    ASSERT_NE(act, nullptr);
    const CGalleryFile *item = act->GetFiles()->GetAt(0);
    ASSERT_NE(item, nullptr);
    const CGalleryMetadata *f = item->GetMetadata();
    const CGalleryMetadata *a = act->GetMetadata();
    EXPECT_STREQ(item->GetHref(), L"f.galleryitem");
    EXPECT_STREQ(f->GetIdentifier(), L"urn:file");
    EXPECT_STREQ(f->GetSortOverride(), L"zz");
    EXPECT_STREQ(f->GetVersion(), L"v7");
    EXPECT_STREQ(f->GetFormat(), L"image/png");
    EXPECT_EQ(f->GetCreationDateTime(), CGalleryMetadata::ParseDateTime(L"2008-03-04"));
    EXPECT_NE(f->GetCreationDateTime(), 0);
    EXPECT_EQ(f->GetMinimumRequirements()->GetCount(), 1u);
    EXPECT_STREQ(f->GetMinimumRequirements()->GetString(L"web"), L"1.0");
    EXPECT_FALSE(f->GetMinimumRequirements()->ContainsKey(L"app"));
    EXPECT_STREQ(a->GetIdentifier(), L"urn:act");
    EXPECT_STREQ(a->GetSortOverride(), L"aa");
    EXPECT_TRUE(CGallery::IsEmptyString(a->GetFormat()));
    EXPECT_EQ(a->GetCreationDateTime(), CGalleryMetadata::ParseDateTime(L"2009-01-02T03:04:05"));
    EXPECT_NE(a->GetCreationDateTime(), 0);
    CGalleryManifest::DeleteInstance(&manifest);
}

} // namespace
