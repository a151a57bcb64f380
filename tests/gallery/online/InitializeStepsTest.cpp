// The initialisation steps around the loaded manifests: stale cache images removed (and nothing else),
// an old-style personal folder imported once, the theme folder collected.
#include "../FacadeTestSupport.h"

#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"

#include <filesystem>

namespace
{

using InitializeStepsTest = FacadeTest::LibraryFixture;

// A new gallery in directory, opened once so that its cache image is written; returns the XML path.
std::string MakeCachedGallery(const std::string &directory)
{
    CGalleryManifest *manifest = nullptr;
    EXPECT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
    EXPECT_EQ(manifest->SetupNewManifest(Text::FromUtf8(directory).c_str(), false, nullptr, false), S_OK);
    CGalleryManifest::DeleteInstance(&manifest);
    const std::string xml = directory + "/imsmanifest.xml";
    EXPECT_EQ(CGalleryManifest::CreateInstance(&manifest), S_OK);
    EXPECT_EQ(manifest->Open(Text::FromUtf8(xml).c_str(), nullptr, true), S_OK);
    CGalleryManifest::DeleteInstance(&manifest);
    return xml;
}

std::string CacheOf(const std::string &xml)
{
    return Text::ToUtf8(CGallery::GetCachePath(Text::FromUtf8(xml)));
}

uint32_t CountFiles(const CGalleryActivity *activity)
{
    uint32_t count = activity->GetFiles()->GetCount();
    for (uint32_t i = 0; i < activity->GetActivities()->GetCount(); ++i)
        count += CountFiles(activity->GetActivities()->GetAt(i));
    return count;
}

} // namespace

TEST_F(InitializeStepsTest, OnlyCacheImagesOfVanishedManifestsAreRemoved)
{
    TestEnv::TempDir folder;
    const std::string gone = MakeCachedGallery(folder.file("gone"));
    const std::string kept = MakeCachedGallery(folder.file("kept"));
    ASSERT_TRUE(TestEnv::Exists(CacheOf(gone)));
    ASSERT_TRUE(TestEnv::Exists(CacheOf(kept)));
    const std::string cacheFolder = Text::ToUtf8(CGallery::GetCacheFolderPath());
    // Not ours, or not provably stale: a foreign file with a cache name, a valid image under another
    // name, a file of another kind.
    ASSERT_TRUE(TestEnv::WriteFile(cacheFolder + "/foreign_0badcafe.cache", "not an image"));
    std::filesystem::copy_file(CacheOf(gone), cacheFolder + "/renamed_12345678.cache");
    ASSERT_TRUE(TestEnv::WriteFile(cacheFolder + "/notes.txt", "mine"));
    std::filesystem::remove(gone);

    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    EXPECT_FALSE(TestEnv::Exists(CacheOf(gone)));
    EXPECT_TRUE(TestEnv::Exists(CacheOf(kept)));
    for (const char *name : {"foreign_0badcafe.cache", "renamed_12345678.cache", "notes.txt"})
        EXPECT_TRUE(TestEnv::Exists(cacheFolder + "/" + name)) << name;
}

TEST_F(InitializeStepsTest, AnOldStylePersonalFolderIsImportedOnce)
{
    const std::string personal = Text::ToUtf8(CGallery::GetCacheFolderPath()) + "/My Content";
    ASSERT_TRUE(TestEnv::WriteFile(personal + "/a.png", "A"));
    ASSERT_TRUE(TestEnv::WriteFile(personal + "/galleryindex.xml",
                                   "<content><items><record name=\"Apple\" file=\"a.png\"/>"
                                   "<record name=\"Missing\" file=\"none.png\"/></items></content>"));
    ASSERT_TRUE(TestEnv::WriteFile(personal + "/Sub/b.png", "B"));
    ASSERT_TRUE(TestEnv::WriteFile(personal + "/Sub/galleryindex.xml",
                                   "<content><items><record name=\"Bean\" file=\"b.png\"/></items></content>"));

    for (int start = 0; start < 2; ++start) {
        ASSERT_EQ(CGallery::Initialize(false), S_OK);
        const CGalleryActivity *mine = CGallery::GetMyContent();
        ASSERT_NE(mine, nullptr);
        ASSERT_EQ(mine->GetFiles()->GetCount(), 1u) << "start " << start;
        EXPECT_STREQ(mine->GetFiles()->GetAt(0)->GetTitle(), L"Apple");
        EXPECT_STREQ(mine->GetFiles()->GetAt(0)->GetHref(), L"a.png");
        EXPECT_EQ(mine->GetFiles()->GetAt(0)->GetParent(), mine);
        ASSERT_EQ(mine->GetActivities()->GetCount(), 1u);
        const CGalleryActivity *sub = mine->GetActivities()->GetAt(0);
        EXPECT_STREQ(sub->GetTitle(), L"Sub");
        EXPECT_EQ(sub->GetOrganization(), CGallery::GetMyContentOrganization());
        ASSERT_EQ(sub->GetFiles()->GetCount(), 1u);
        EXPECT_STREQ(sub->GetFiles()->GetAt(0)->GetHref(), L"Sub/b.png");
        CGallery::Uninitialize();
    }
    // The files stay where they were.
    EXPECT_EQ(TestEnv::ReadFile(personal + "/Sub/b.png"), "B");
}

TEST_F(InitializeStepsTest, AnExistingPersonalManifestIsNotMixedWithAnOldFolder)
{
    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    CGallery::Uninitialize();
    const std::string personal = Text::ToUtf8(CGallery::GetCacheFolderPath()) + "/My Content";
    ASSERT_TRUE(TestEnv::WriteFile(personal + "/a.png", "A"));
    ASSERT_TRUE(TestEnv::WriteFile(personal + "/galleryindex.xml",
                                   "<content><items><record name=\"Apple\" file=\"a.png\"/></items></content>"));
    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    EXPECT_EQ(CountFiles(CGallery::GetMyContent()), 0u);
}

TEST_F(InitializeStepsTest, TheThemeFolderHoldsTheRecordsWhoseFormatMarksATheme)
{
    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    EXPECT_TRUE(CGallery::GetThemes().empty());
    const struct {
        const wchar_t *href;
        const wchar_t *format;
    } files[] = {
        {L"t.galleryitem", L"application/x-keldalabs-galleryitem;x-keldalabs-vellum-page=theme"},
        {L"b.galleryitem", L"application/x-keldalabs-galleryitem;x-keldalabs-vellum-page=background"},
        {L"p.png", L"image/png"},
    };
    CGalleryActivity *mine = CGallery::GetMyContent();
    for (const auto &f : files) {
        CGalleryFile *file = nullptr;
        ASSERT_EQ(CGalleryFile::CreateInstance(&file), S_OK);
        file->SetParent(mine);
        ASSERT_EQ(file->SetHref(f.href), S_OK);
        ASSERT_EQ(file->GetMetadata()->SetIdentifier(CGallery::NewIdentifier(L"file").c_str()), S_OK);
        ASSERT_EQ(file->GetMetadata()->SetFormat(f.format), S_OK);
        ASSERT_EQ(mine->GetFiles()->Add(file), S_OK);
    }
    ASSERT_EQ(CGallery::GetMyContentManifest()->SaveChanges(), S_OK);
    CGallery::Uninitialize();

    ASSERT_EQ(CGallery::Initialize(false), S_OK);
    const std::vector<CGalleryObject *> themes = CGallery::GetThemes();
    ASSERT_EQ(themes.size(), 1u);
    EXPECT_STREQ(CGalleryFile::FromObject(themes[0], eGalleryObjectTypeFile)->GetHref(), L"t.galleryitem");
}
