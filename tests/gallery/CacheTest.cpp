// The binary manifest cache: a manifest saved to a cache opens from it equal record for record to the
// XML-opened one and stays editable; a stale cache is not used; and any damaged or forged image
// (truncated, padded, bit-flipped, offsets out of range or into earlier blocks, wrong kinds or counts,
// even with a correct checksum) is rejected so that the XML is read instead.
#include "CacheTestSupport.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryFileStamp.h"
#include "gallery/records/GalleryMemory.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>
#include <utime.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <functional>

using namespace CacheTest;

namespace
{

constexpr size_t kChecksumAt = 62;
constexpr size_t kImageAt = 70;

uint64_t Get64(const std::string &b, size_t at)
{
    uint64_t v = 0;
    std::memcpy(&v, b.data() + at, 8);
    return v;
}
void Put64(std::string &b, size_t at, uint64_t v)
{
    std::memcpy(&b[at], &v, 8);
}
uint32_t Get32(const std::string &b, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
void Put32(std::string &b, size_t at, uint32_t v)
{
    std::memcpy(&b[at], &v, 4);
}

// Recomputes the checksum so that only the structure checks can catch a forgery.
void FixChecksum(std::string &b)
{
    const auto *p = reinterpret_cast<const Bytef *>(b.data() + kImageAt);
    Put64(b, kChecksumAt, crc32(crc32(0L, Z_NULL, 0), p, static_cast<uInt>(b.size() - kImageAt)));
}

int64_t MTime(const std::string &path)
{
    struct stat st {
    };
    return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : -1;
}
void SetMTime(const std::string &path, int64_t seconds)
{
    struct utimbuf times {
        static_cast<time_t>(seconds), static_cast<time_t>(seconds)
    };
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

class GalleryCache : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        xml = dir.file("Science Gallery/imsmanifest.xml");
        ManifestPtr rich = RichManifest();
        std::filesystem::create_directories(dir.file("Science Gallery"));
        ASSERT_EQ(rich->SaveAs(W(xml).c_str(), false), S_OK);
        ManifestPtr plain = NewManifest();
        ASSERT_EQ(plain->Open(W(xml).c_str()), S_OK);
        expected = Dump(plain.get());
        cache = Text::ToUtf8(CGallery::GetCachePath(W(xml)));
    }

    // Opens the XML with the cache allowed.
    ManifestPtr OpenWithCache()
    {
        ManifestPtr m = NewManifest();
        EXPECT_EQ(m->Open(W(xml).c_str(), nullptr, true), S_OK);
        return m;
    }

    // Writes the (damaged) image as the current cache and checks that the XML is read instead.
    void ExpectRejected(const std::string &image, const std::string &what)
    {
        SCOPED_TRACE(what);
        ASSERT_TRUE(TestEnv::WriteFile(cache, image));
        SetMTime(cache, MTime(xml) + 7);
        ManifestPtr direct = NewManifest();
        const std::wstring before = Dump(direct.get());
        EXPECT_TRUE(FAILED(direct->OpenCache(CKeldaFilePath(W(cache)))));
        EXPECT_EQ(Dump(direct.get()), before) << "a rejected image must leave the manifest alone";
        EXPECT_EQ(direct->GetMemory(), nullptr);

        ASSERT_TRUE(TestEnv::WriteFile(cache, image));
        SetMTime(cache, MTime(xml) + 7);
        ManifestPtr m = OpenWithCache();
        EXPECT_EQ(m->GetMemory(), nullptr) << "the damaged cache was used";
        EXPECT_EQ(Dump(m.get()), expected);
    }

    std::string GoodImage()
    {
        ManifestPtr m = OpenWithCache(); // writes the cache
        return TestEnv::ReadFile(cache);
    }

    TestEnv::TempDir dir;
    std::string xml, cache;
    std::wstring expected;
};

} // namespace

TEST_F(GalleryCache, OpensEqualToTheXmlAndStaysEditable)
{
    {
        ManifestPtr first = OpenWithCache();
        EXPECT_EQ(first->GetMemory(), nullptr) << "no cache existed yet";
        EXPECT_EQ(Dump(first.get()), expected);
    }
    ASSERT_TRUE(TestEnv::Exists(cache));
    EXPECT_EQ(MTime(cache), MTime(xml) + 7) << "the cache stamp is moved 7 seconds past the XML file";
    EXPECT_NE(cache.find("science gallery_"), std::string::npos) << cache;

    ManifestPtr cached = OpenWithCache();
    ASSERT_NE(cached->GetMemory(), nullptr) << "the cache was not used";
    EXPECT_EQ(Text::ToUtf8(cached->GetCachePath()), cache);
    EXPECT_FALSE(cached->GetUpdated());
    EXPECT_EQ(Dump(cached.get()), expected);
    EXPECT_TRUE(cached->IsUpToDate());
    const CGalleryMemory *block = cached->GetMemory();
    EXPECT_TRUE(block->Contains(cached->GetOrganizations()->GetAt(0)));
    EXPECT_TRUE(CGallery::IsManagedMemory(cached->GetMetadata()->GetIdentifier()));

    // Records of the image take changes like any others (new strings, new records, removals), and
    // give the same document as the same changes made to the XML-opened manifest.
    ManifestPtr plain = NewManifest();
    ASSERT_EQ(plain->Open(W(xml).c_str()), S_OK);
    for (CGalleryManifest *m : {cached.get(), plain.get()}) {
        CGalleryOrganization *o1 = m->GetOrganizations()->GetAt(0);
        CGalleryActivity *a1 = o1->GetActivities()->GetAt(0);
        a1->GetMetadata()->GetTitle()->ReplaceString(L"en", L"Bugs");
        a1->GetFiles()->GetAt(0)->SetHref(L"items/renamed.galleryitem");
        AddFile(a1, L"urn:new", L"New", L"items/new.galleryitem");
        CGalleryOrganization *o3 = m->GetOrganizations()->GetAt(2);
        m->GetOrganizations()->RemoveAt(2);
        CGalleryOrganization::DeleteInstance(&o3);
        AddOrganization(m, L"urn:org4", L"Fresh");
    }
    EXPECT_EQ(Dump(cached.get()), Dump(plain.get()));
    ASSERT_EQ(cached->SaveAs(W(dir.file("from-cache.xml")).c_str(), false), S_OK);
    ASSERT_EQ(plain->SaveAs(W(dir.file("from-xml.xml")).c_str(), false), S_OK);
    EXPECT_EQ(TestEnv::ReadFile(dir.file("from-cache.xml")), TestEnv::ReadFile(dir.file("from-xml.xml")));
}

TEST_F(GalleryCache, CacheFileOpensDirectlyAndSaveAsWritesOne)
{
    const std::string other = dir.file("copy.cache");
    ManifestPtr plain = NewManifest();
    ASSERT_EQ(plain->Open(W(xml).c_str()), S_OK);
    ASSERT_EQ(plain->SaveAs(W(other).c_str()), S_OK);
    ManifestPtr m = NewManifest();
    ASSERT_EQ(m->Open(W(other).c_str()), S_OK);
    EXPECT_NE(m->GetMemory(), nullptr);
    EXPECT_EQ(Dump(m.get()), expected) << "the image keeps the XML path";
}

TEST_F(GalleryCache, OlderCacheIsNotUsedAndIsRefreshed)
{
    GoodImage();
    SetMTime(cache, MTime(xml) - 1);
    ManifestPtr m = OpenWithCache();
    EXPECT_EQ(m->GetMemory(), nullptr) << "a cache older than its XML was used";
    EXPECT_EQ(Dump(m.get()), expected);
    EXPECT_EQ(MTime(cache), MTime(xml) + 7);
    CAtlString path;
    ManifestPtr again = NewManifest();
    EXPECT_EQ(again->OpenCachedXml(W(xml).c_str(), path), S_OK);
    EXPECT_EQ(Text::ToUtf8(path), cache);
    EXPECT_EQ(Dump(again.get()), expected);
}

TEST_F(GalleryCache, SavingChangesRewritesTheCache)
{
    ManifestPtr m = OpenWithCache();
    AddOrganization(m.get(), L"urn:added", L"Added");
    ASSERT_EQ(m->SaveChanges(), S_OK);
    const std::wstring saved = Dump(m.get());
    m.reset();
    ManifestPtr cached = OpenWithCache();
    ASSERT_NE(cached->GetMemory(), nullptr);
    EXPECT_EQ(Dump(cached.get()), saved);
}

TEST_F(GalleryCache, DamagedImagesFallBackToTheXml)
{
    const std::string good = GoodImage();
    ASSERT_GT(good.size(), 1000u);
    struct Case {
        const char *what;
        std::function<void(std::string &)> damage;
    };
    const Case cases[] = {
        {"truncated by one byte", [](std::string &b) { b.pop_back(); }},
        {"header only", [](std::string &b) { b.resize(40); }},
        {"padded", [](std::string &b) { b.append(8, '\0'); }},
        {"header text changed", [](std::string &b) { b[5] ^= 1; }},
        {"checksum upper half set", [](std::string &b) { b[kChecksumAt + 6] = 1; }},
        {"bit flipped right after the checksum", [](std::string &b) { b[kImageAt] ^= 0x10; }},
        {"bit flipped in the middle", [](std::string &b) { b[b.size() / 2] ^= 1; }},
        {"bit flipped in the last byte", [](std::string &b) { b.back() ^= 0x80; }},
        {"empty file", [](std::string &b) { b.clear(); }},
    };
    for (const Case &c : cases) {
        std::string image = good;
        c.damage(image);
        ExpectRejected(image, c.what);
    }
}

TEST_F(GalleryCache, ForgedImagesWithACorrectChecksumAreRejected)
{
    const std::string good = GoodImage();
    const size_t organizations = kImageAt + offsetof(CGalleryManifest, m_organizations);
    const size_t metadata = kImageAt + offsetof(CGalleryManifest, m_object) + offsetof(CGalleryObject, m_metadata);
    const size_t xmlPath = kImageAt + offsetof(CGalleryManifest, m_xmlPath);
    // The organization collection block { items, count, capacity } and its first record.
    const size_t block = Get64(good, organizations);
    const size_t items = Get64(good, block);
    const size_t firstOrganization = Get64(good, items);
    const size_t activities = Get64(good, firstOrganization + offsetof(CGalleryOrganization, m_activities));
    const size_t activityItems = Get64(good, activities);
    ASSERT_LT(activityItems, good.size());

    struct Case {
        const char *what;
        std::function<void(std::string &)> forge;
    };
    const Case cases[] = {
        {"organizations missing", [&](std::string &b) { Put64(b, organizations, 0); }},
        {"offset at the end", [&](std::string &b) { Put64(b, organizations, b.size()); }},
        {"offset far outside", [&](std::string &b) { Put64(b, organizations, uint64_t(1) << 40); }},
        {"unaligned offset", [&](std::string &b) { Put64(b, organizations, block + 4); }},
        {"record reaching past the end", [&](std::string &b) { Put64(b, metadata, b.size() - 16); }},
        {"offset back to the manifest record (cycle)", [&](std::string &b) { Put64(b, activityItems, kImageAt); }},
        {"two fields sharing one block", [&](std::string &b) { Put64(b, organizations, Get64(b, metadata)); }},
        {"string running into the next block",
         [&](std::string &b) {
             // Terminator and padding overwritten: the text now runs into the block after it.
             size_t end = Get64(b, xmlPath);
             while (Get32(b, end) != 0)
                 end += 4;
             while (Get32(b, end) == 0)
                 Put32(b, end, L'x'), end += 4;
         }},
        {"count larger than the array", [&](std::string &b) { Put32(b, block + 8, Get32(b, block + 8) + 1); }},
        {"huge count",
         [&](std::string &b) {
             Put32(b, block + 8, 0xFFFFFFFFu);
             Put32(b, block + 12, 0xFFFFFFFFu);
         }},
        {"capacity above count", [&](std::string &b) { Put32(b, block + 12, Get32(b, block + 12) + 4); }},
        {"organization of the wrong kind",
         [&](std::string &b) { Put32(b, firstOrganization + offsetof(CGalleryObject, m_type), 2); }},
        {"manifest of the wrong kind",
         [&](std::string &b) { Put32(b, kImageAt + offsetof(CGalleryObject, m_type), 3); }},
        {"shared empty string not empty", [&](std::string &b) { Put32(b, kImageAt + sizeof(CGalleryManifest), L'x'); }},
        {"trailing bytes", [&](std::string &b) { b.append(16, '\0'); }},
        {"cut at the last string", [&](std::string &b) { b.resize(b.size() - 4); }},
        {"cut in the middle", [&](std::string &b) { b.resize(b.size() / 2); }},
        {"cut after the manifest record", [&](std::string &b) { b.resize(kImageAt + sizeof(CGalleryManifest) + 8); }},
    };
    for (const Case &c : cases) {
        std::string image = good;
        c.forge(image);
        FixChecksum(image);
        ExpectRejected(image, c.what);
    }
}

// A manifest opened from its cache is destroyed without visiting the image's records, as long as
// nothing new was stored into them; each kind of edit must make the image visited again, so that what
// the edit allocated is freed (the sanitizers report a leak or a bad free otherwise). Detaching a
// record of the image stores nothing new and keeps it untouched.
TEST_F(GalleryCache, EditsOfTheImageAreFreedWithIt)
{
    GoodImage();
    using Edit = std::function<void(CGalleryManifest *, CGalleryOrganization *, CGalleryActivity *)>;
    const struct {
        const char *what;
        Edit apply;
        bool dirties;
    } edits[] = {
        {"title replaced",
         [](auto, auto, CGalleryActivity *a) { a->GetMetadata()->GetTitle()->ReplaceString(L"en", L"Bugs"); }, true},
        {"keyword added",
         [](auto, auto, CGalleryActivity *a) { a->GetMetadata()->GetKeywords()->Add(L"en", L"wings"); }, true},
        {"requirement added",
         [](auto, CGalleryOrganization *o, auto) { o->GetMetadata()->GetMinimumRequirements()->Add(L"os", L"10"); },
         true},
        {"identifier set", [](auto, CGalleryOrganization *o, auto) { o->GetMetadata()->SetIdentifier(L"urn:other"); },
         true},
        {"href set",
         [](auto, auto, CGalleryActivity *a) { a->GetFiles()->GetAt(0)->SetHref(L"items/renamed.galleryitem"); }, true},
        {"language added", [](auto, CGalleryOrganization *o, auto) { o->GetLanguages()->Add(L"fr", 0); }, true},
        {"file added",
         [](auto, auto, CGalleryActivity *a) { AddFile(a, L"urn:new", L"New", L"items/new.galleryitem"); }, true},
        {"organization added", [](CGalleryManifest *m, auto, auto) { AddOrganization(m, L"urn:org4", L"Fresh"); },
         true},
        {"file replaced by a new one",
         [](auto, auto, CGalleryActivity *a) {
             CGalleryFile *fresh = nullptr;
             ASSERT_EQ(CGalleryFile::CreateInstance(&fresh), S_OK);
             ASSERT_EQ(a->GetFiles()->SetAt(0, fresh), S_OK);
         },
         true},
        {"file detached and destroyed",
         [](auto, auto, CGalleryActivity *a) {
             CGalleryFile *file = a->GetFiles()->GetAt(0);
             ASSERT_EQ(a->GetFiles()->RemoveAt(0), S_OK);
             CGalleryFile::DeleteInstance(&file);
         },
         false},
    };
    for (const auto &edit : edits) {
        SCOPED_TRACE(edit.what);
        ManifestPtr cached = OpenWithCache();
        ASSERT_NE(cached->GetMemory(), nullptr);
        CGalleryOrganization *o1 = cached->GetOrganizations()->GetAt(0);
        CGalleryActivity *a1 = o1->GetActivities()->GetAt(0);
        ASSERT_NE(a1, nullptr);
        EXPECT_TRUE(CGallery::IsInCleanBlock(o1));
        edit.apply(cached.get(), o1, a1);
        EXPECT_EQ(CGallery::IsInCleanBlock(o1), !edit.dirties);
    }
    // A manifest read from the XML is never taken for an untouched image.
    ManifestPtr plain = NewManifest();
    ASSERT_EQ(plain->Open(W(xml).c_str()), S_OK);
    EXPECT_FALSE(CGallery::IsInCleanBlock(plain->GetOrganizations()->GetAt(0)));
}
