// String collections, record collections, records and file stamps.
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryFileStamp.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/records/GalleryStringCollection.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace
{

// Every pair of a language collection as "lang=text" joined with "|".
std::wstring Dump(const CGalleryLanguageStringCollection *c)
{
    std::wstring out;
    for (auto e = c->GetEnumerator(); e.MoveNext();)
        out += std::wstring(e.GetCurrentLanguage()) + L"=" + e.GetCurrentString() + L"|";
    return out;
}

struct LanguageStrings {
    LanguageStrings() { CGalleryLanguageStringCollection::CreateInstance(&c); }
    ~LanguageStrings() { CGalleryLanguageStringCollection::DeleteInstance(&c); }
    CGalleryLanguageStringCollection *c = nullptr;
};

TEST(GalleryLanguageStrings, OneBufferLayoutAndEdits)
{
    LanguageStrings s;
    EXPECT_EQ(s.c->GetBuffer(), CGallery::EmptyString);
    EXPECT_EQ(s.c->Add(L"", L"x"), E_INVALIDARG);
    EXPECT_EQ(s.c->Add(nullptr, L"x"), E_INVALIDARG);
    EXPECT_EQ(s.c->GetCount(), 0u);
    ASSERT_EQ(s.c->Add(L"en", L"one"), S_OK);
    ASSERT_EQ(s.c->Add(L"en", nullptr), S_OK); // null text stored as empty, duplicates allowed
    ASSERT_EQ(s.c->Add(L"fr", L"un"), S_OK);
    const wchar_t expected[] = L"en\0one\0en\0\0fr\0un\0";
    EXPECT_EQ(std::wmemcmp(s.c->GetBuffer(), expected, sizeof expected / sizeof(wchar_t)), 0);
    EXPECT_EQ(s.c->GetCount(), 3u);
    EXPECT_STREQ(s.c->GetStringAt(7), L"");
    EXPECT_STREQ(s.c->GetLanguageAt(CGallery::MaxIndex), L"");

    EXPECT_EQ(s.c->IndexOf(L"fr-CA", 3), CGallery::MaxIndex);
    EXPECT_EQ(s.c->IndexOf(L"fr-CA", 2), 2u);
    EXPECT_TRUE(s.c->Contains(L"FR"));
    EXPECT_FALSE(s.c->Contains(L"de"));

    ASSERT_EQ(s.c->ReplaceStringAt(1, L"two"), S_OK);
    const uint32_t drop[] = {0, 9};
    ASSERT_EQ(s.c->RemoveStringsAt(drop, 2), S_OK);
    EXPECT_EQ(Dump(s.c), L"en=two|fr=un|");

    LanguageStrings other;
    EXPECT_EQ(s.c->AddRange(other.c), S_FALSE);
    other.c->Add(L"de", L"zwei");
    EXPECT_EQ(s.c->AddRange(other.c), S_OK);
    EXPECT_EQ(Dump(s.c), L"en=two|fr=un|de=zwei|");

    std::vector<CAtlString> filtered;
    for (auto e = s.c->GetEnumerator(L"de-CH", 2); e.MoveNext();)
        filtered.emplace_back(e.GetCurrentString());
    EXPECT_EQ(filtered, std::vector<CAtlString>{L"zwei"});
    s.c->RemoveAll();
    EXPECT_EQ(s.c->GetBuffer(), CGallery::EmptyString);
}

TEST(GalleryLanguageStrings, ReplaceStringsKeepsOtherRegionalVariants)
{
    struct Case {
        std::vector<std::pair<const wchar_t *, const wchar_t *>> before;
        const wchar_t *language;
        std::vector<CAtlString> texts;
        std::wstring after;
    } cases[] = {
        {{{L"zh", L"X"}}, L"zh-TW", {L"New"}, L"zh-CN=X|zh-TW=New|"},
        {{{L"pt", L"P"}, {L"en", L"E"}}, L"pt-BR", {L"N"}, L"en=E|pt-PT=P|pt-BR=N|"},
        {{{L"en", L"a"}, {L"en-GB", L"b"}, {L"en-US", L"c"}, {L"fr", L"d"}},
         L"en-GB",
         {L"k1", L"k2"},
         L"en-US=c|fr=d|en-GB=k1|en-GB=k2|"},
        {{{L"de", L"alt"}}, L"de", {}, L""},
    };
    for (const Case &c : cases) {
        LanguageStrings s;
        for (const auto &[language, text] : c.before)
            s.c->Add(language, text);
        ASSERT_EQ(s.c->ReplaceStrings(c.language, c.texts), S_OK);
        EXPECT_EQ(Dump(s.c), c.after) << Text::ToUtf8(c.language);
    }
}

TEST(GalleryKeyedStrings, ExactKeysAndSplit)
{
    CGalleryKeyedStringCollection *k = nullptr;
    ASSERT_EQ(CGalleryKeyedStringCollection::CreateInstance(&k), S_OK);
    k->Add(L"Unix", L"1.0");
    EXPECT_STREQ(k->GetString(L"unix"), L"");
    EXPECT_STREQ(k->GetString(L"Unix"), L"1.0");
    k->Add(L"Unix", L"2.0"); // no replacement: the first pair wins
    EXPECT_STREQ(k->GetString(L"Unix"), L"1.0");
    ASSERT_EQ(k->ReplaceString(L"Unix", L"3.0"), S_OK);
    EXPECT_STREQ(k->GetString(L"Unix"), L"3.0");
    EXPECT_EQ(k->SplitAddUnique(L"lonely", L":;"), S_FALSE);
    EXPECT_EQ(k->SplitAddUnique(L"win:10.0;Unix:9;mac:11", L":;"), S_OK);
    std::vector<CAtlString> keys;
    k->GetKeys(keys);
    EXPECT_EQ(keys, (std::vector<CAtlString>{L"Unix", L"win", L"mac"}));
    EXPECT_STREQ(k->GetString(L"mac"), L"11");
    CGalleryKeyedStringCollection::DeleteInstance(&k);
}

TEST(GalleryStringCollection, SortFilterEquals)
{
    CGalleryStringCollection *a = nullptr, *b = nullptr;
    ASSERT_EQ(CGalleryStringCollection::CreateInstance(&a), S_OK);
    ASSERT_EQ(CGalleryStringCollection::CreateInstance(&b), S_OK);
    for (const wchar_t *t : {L"pear", L"", L"Apple", L"pear", L"fig"})
        a->Add(t, 1);
    ASSERT_EQ(a->InsertAt(0, L"fig", 2), S_OK);
    EXPECT_EQ(a->InsertAt(99, L"x"), E_INVALIDARG);
    a->FilterDuplicates();
    EXPECT_EQ(a->GetCount(), 4u);
    EXPECT_EQ(a->GetFlagAt(0), 2); // the first "fig" was kept
    a->Sort();
    for (const wchar_t *t : {L"Apple", L"fig", L"pear", L""})
        b->Add(t);
    EXPECT_TRUE(a->Equals(b));
    b->RemoveAt(0);
    EXPECT_FALSE(a->Equals(b));
    CGalleryStringCollection::DeleteInstance(&a);
    CGalleryStringCollection::DeleteInstance(&b);
}

TEST(GalleryRecords, CreateInstanceContract)
{
    CGalleryFile *file = nullptr;
    EXPECT_EQ(CGalleryFile::CreateInstance(nullptr), E_INVALIDARG);
    ASSERT_EQ(CGalleryFile::CreateInstance(&file), S_OK);
    CGalleryFile *same = file;
    EXPECT_EQ(CGalleryFile::CreateInstance(&same), E_INVALIDARG);
    EXPECT_EQ(file->GetObjectType(), eGalleryObjectTypeFile);
    EXPECT_STREQ(file->GetIdentifier(), L"");
    EXPECT_EQ(reinterpret_cast<void *>(file->AsObject()), reinterpret_cast<void *>(file));
    CGalleryFile::DeleteInstance(&file);
    EXPECT_EQ(file, nullptr);
}

TEST(GalleryRecords, FileCollectionGrowthSteps)
{
    CGalleryFileCollection *files = nullptr;
    ASSERT_EQ(CGalleryFileCollection::CreateInstance(&files), S_OK);
    EXPECT_EQ(files->Add(nullptr), E_INVALIDARG);
    std::vector<uint32_t> capacities;
    for (uint32_t i = 0; i < 20500; ++i) {
        CGalleryFile *file = nullptr;
        ASSERT_EQ(CGalleryFile::CreateInstance(&file), S_OK);
        ASSERT_EQ(files->Add(file), S_OK);
        if (capacities.empty() || capacities.back() != files->GetCapacity()) capacities.push_back(files->GetCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<uint32_t>{16, 64, 256, 4096, 16384, 20480, 24576}));
    CGalleryFileCollection::DeleteInstance(&files);

    CGalleryActivityCollection *activities = nullptr;
    ASSERT_EQ(CGalleryActivityCollection::CreateInstance(&activities), S_OK);
    for (uint32_t i = 1; i <= 3; ++i) {
        CGalleryActivity *activity = nullptr;
        CGalleryActivity::CreateInstance(&activity);
        activities->Add(activity);
        EXPECT_EQ(activities->GetCapacity(), i);
    }
    CGalleryActivityCollection::DeleteInstance(&activities);
}

// organization > A (file f1 "Zebra", file f2 "apple") > B (file f3)
struct Tree {
    Tree()
    {
        CGalleryManifest::CreateInstance(&manifest);
        manifest->SetXmlPath(L"/gallery/content/imsmanifest.xml");
        CGalleryOrganization::CreateInstance(&organization);
        organization->GetMetadata()->SetIdentifier(L"org");
        organization->SetManifest(manifest);
        manifest->GetOrganizations()->Add(organization);
        a = NewActivity(L"A", nullptr);
        b = NewActivity(L"B", a);
        f1 = NewFile(L"f1", L"Zebra", L"items/z.galleryitem", a);
        f2 = NewFile(L"f2", L"apple", L"", a);
        f3 = NewFile(L"f3", L"mid", L"m.galleryitem", b);
    }
    ~Tree() { CGalleryManifest::DeleteInstance(&manifest); }
    CGalleryActivity *NewActivity(const wchar_t *id, CGalleryActivity *parent)
    {
        CGalleryActivity *activity = nullptr;
        CGalleryActivity::CreateInstance(&activity);
        activity->GetMetadata()->SetIdentifier(id);
        activity->SetParent(parent);
        activity->SetOrganization(organization);
        (parent ? parent->GetActivities() : organization->GetActivities())->Add(activity);
        return activity;
    }
    CGalleryFile *NewFile(const wchar_t *id, const wchar_t *title, const wchar_t *href, CGalleryActivity *parent)
    {
        CGalleryFile *file = nullptr;
        CGalleryFile::CreateInstance(&file);
        file->GetMetadata()->SetIdentifier(id);
        file->GetMetadata()->GetTitle()->Add(L"en", title);
        file->SetHref(href);
        file->SetParent(parent);
        parent->GetFiles()->Add(file);
        return file;
    }
    CGalleryManifest *manifest = nullptr;
    CGalleryOrganization *organization = nullptr;
    CGalleryActivity *a, *b;
    CGalleryFile *f1, *f2, *f3;
};

TEST(GalleryRecords, TreeNavigation)
{
    Tree t;
    EXPECT_EQ(t.f3->GetManifest(), t.manifest);
    EXPECT_EQ(t.f3->AsObject()->GetManifest(), t.manifest);
    EXPECT_EQ(t.a->GetTotalFilesCount(), 3u);
    EXPECT_EQ(t.a->GetTotalActivitiesCount(), 1u);
    EXPECT_FALSE(t.a->IsEmpty());
    EXPECT_EQ(t.organization->FindActivity(L"B"), t.b);
    EXPECT_EQ(t.organization->FindActivity(L"b"), nullptr); // identifiers need an exact match
    EXPECT_EQ(t.a->GetFiles()->GetByIdentifier(L"f2"), t.f2);
    EXPECT_EQ(t.a->GetFiles()->IndexOf(t.f2), 1u);

    std::vector<const CGalleryObject *> ancestry;
    t.f3->AsObject()->GetAncestry(ancestry);
    ASSERT_EQ(ancestry.size(), 4u);
    EXPECT_EQ(ancestry[0], t.manifest->AsObject());
    EXPECT_EQ(ancestry[1], t.organization->AsObject());
    EXPECT_EQ(ancestry[3], t.b->AsObject());

    EXPECT_EQ(t.f1->GetHrefFilePath().GetFilePathString(), L"/gallery/content/items/z.galleryitem");
    const CKeldaFilePath missing = t.f2->GetHrefFilePath();
    EXPECT_EQ(missing.GetFileName(), L"filenotfound.galleryitem");
    EXPECT_EQ(missing.GetDirectoryPath().GetDirectoryPathString(),
              CKeldaDirectoryPath::GetTempFileDirectoryPath().GetDirectoryPathString());

    t.a->GetFiles()->Sort();
    EXPECT_EQ(t.a->GetFiles()->GetAt(0), t.f2); // "apple" before "Zebra"

    t.organization->SetReadOnly(true);
    EXPECT_TRUE(t.f1->GetOrganizationReadOnly());
    EXPECT_FALSE(t.f1->AsObject()->GetAction(eGalleryObjectActionDelete));

    // Detaching keeps the record alive; the caller now owns it.
    CGalleryActivity *detached = t.a->GetActivities()->GetAt(0);
    ASSERT_EQ(t.a->GetActivities()->RemoveAt(0), S_OK);
    CGalleryActivity::RecursiveSetOrganization(detached, nullptr);
    EXPECT_EQ(detached->GetManifest(), nullptr);
    EXPECT_EQ(t.a->GetTotalFilesCount(), 2u);
    CGalleryActivity::DeleteInstance(&detached);
    EXPECT_EQ(t.manifest->PerformSanityChecks(true), S_OK);
}

TEST(GalleryFileStamp, ReadSetCompareIncrement)
{
    TestEnv::TempDir dir;
    const std::string path = dir.file("f.txt");
    ASSERT_TRUE(TestEnv::WriteFile(path, "x"));
    const CAtlString wide = Text::FromUtf8(path);
    CGalleryFileStamp *stamp = nullptr, *copy = nullptr;
    ASSERT_EQ(CGalleryFileStamp::CreateInstance(&stamp), S_OK);
    EXPECT_EQ(stamp->GetStampFromFile(L"/no/such/file"), E_FAIL);
    stamp->SetSeconds(1000000000);
    ASSERT_EQ(stamp->SetStampOfFile(wide.c_str()), S_OK);
    ASSERT_EQ(stamp->Clone(&copy), S_OK);
    copy->SetSeconds(0);
    ASSERT_EQ(copy->GetStampFromFile(wide.c_str()), S_OK);
    EXPECT_EQ(copy->GetSeconds(), 1000000000);
    EXPECT_EQ(copy->Compare(stamp), 0);
    copy->Increment(7.9);
    EXPECT_EQ(copy->Compare(stamp), 1);
    EXPECT_EQ(stamp->Compare(copy), -1);
    EXPECT_EQ(stamp->Compare(nullptr), -1);
    EXPECT_EQ(stamp->SetStampOfFile(L"/no/such/file"), E_FAIL);
    CGalleryFileStamp::DeleteInstance(&stamp);
    CGalleryFileStamp::DeleteInstance(&copy);
}

} // namespace
