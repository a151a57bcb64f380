// A manifest whose title holds tens of thousands of strings: every string is kept, in order, through
// reading the XML, through the binary cache (which stores the strings as one block) and when appended
// to there.
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

constexpr uint32_t kStrings = 40000;

void ExpectEveryString(const CGalleryManifest *manifest, const char *stage)
{
    const CGalleryOrganization *organization = manifest->GetOrganizations()->GetAt(0);
    ASSERT_NE(organization, nullptr) << stage;
    const CGalleryLanguageStringCollection *title = organization->GetMetadata()->GetTitle();
    ASSERT_EQ(title->GetCount(), kStrings) << stage;
    // Walked through the buffer: reading by index starts over at the first pair every time.
    uint32_t i = 0, wrong = 0;
    for (const wchar_t *p = title->GetBuffer(); *p; ++i) {
        const std::wstring language(p);
        p += language.size() + 1;
        const std::wstring text(p);
        p += text.size() + 1;
        if (language != L"x-" + std::to_wstring(i) || text != L"text " + std::to_wstring(i)) ++wrong;
    }
    EXPECT_EQ(i, kStrings) << stage;
    EXPECT_EQ(wrong, 0u) << stage;
    EXPECT_STREQ(title->GetStringAt(kStrings - 1), L"text 39999") << stage;
}

} // namespace

TEST(ManyStrings, TitleWithFortyThousandStringsReadsBack)
{
    std::string strings;
    for (uint32_t i = 0; i < kStrings; ++i)
        strings += "<lom:string language=\"x-" + std::to_string(i) + "\">text " + std::to_string(i) + "</lom:string>";
    const std::string document = "<manifest identifier=\"id1\"><organizations default=\"id2\">"
                                 "<organization identifier=\"id2\"><title>Org</title><metadata><lom:lom>"
                                 "<lom:general><lom:identifier><lom:entry>urn:org</lom:entry></lom:identifier>"
                                 "<lom:title>" +
                                 strings +
                                 "</lom:title></lom:general></lom:lom></metadata></organization></organizations>"
                                 "<resources/></manifest>";
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("imsmanifest.xml"), document));
    CGalleryManifest *manifest = nullptr;
    ASSERT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
    ASSERT_EQ(manifest->Open(Text::FromUtf8(dir.file("imsmanifest.xml")).c_str()), S_OK);
    ExpectEveryString(manifest, "xml");

    const CKeldaFilePath cache = CKeldaFilePath::FromUtf8(dir.file("manifest.cache"));
    ASSERT_EQ(manifest->SaveCache(cache), S_OK);
    CGalleryManifest *cached = nullptr;
    ASSERT_EQ(CGalleryManifest::CreateInstance(&cached), S_OK);
    ASSERT_EQ(cached->OpenCache(cache), S_OK);
    ExpectEveryString(cached, "cache");
    // Appending to strings that live in the cache image copies them out first.
    CGalleryLanguageStringCollection *title = cached->GetOrganizations()->GetAt(0)->GetMetadata()->GetTitle();
    for (const wchar_t *language : {L"x-more", L"x-last"})
        ASSERT_EQ(title->Add(language, language), S_OK);
    ASSERT_EQ(title->GetCount(), kStrings + 2);
    EXPECT_STREQ(title->GetStringAt(kStrings - 1), L"text 39999");
    EXPECT_STREQ(title->GetLanguageAt(kStrings + 1), L"x-last");
    EXPECT_EQ(cached->PerformSanityChecks(true), S_OK);
    CGalleryManifest::DeleteInstance(&cached);
    CGalleryManifest::DeleteInstance(&manifest);
}
