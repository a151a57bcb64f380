// The CGallery string, language, version, identifier and memory helpers.
#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMemory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <thread>
#include <vector>

namespace
{

TEST(GalleryHelpers, MatchLanguagesLevels)
{
    struct Case {
        const wchar_t *a, *b;
        int score;
    } cases[] = {
        {L"", L"en", 0},         {nullptr, L"en", 0},     {L"en", L"fr", 0},
        {L"en", L"EN", 3},       {L"en", L"en-US", 2},    {L"en_GB", L"en", 2},
        {L"en-US", L"en_us", 3}, {L"en-US", L"en-GB", 1}, {L"zh-Hant-TW", L"zh_TW", 3},
        {L"pt-BR", L"fr-BR", 0}, {L"e", L"en", 3},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CGallery::MatchLanguages(c.a, c.b), c.score)
            << (c.a ? Text::ToUtf8(c.a) : "null") << " / " << Text::ToUtf8(c.b);
}

struct FallbackCase {
    std::vector<std::pair<const wchar_t *, const wchar_t *>> titles;
    const wchar_t *asked;
    const wchar_t *expected;
};

TEST(GalleryHelpers, GetStringFallback)
{
    const FallbackCase cases[] = {
        {{{L"fr", L"A"}, {L"en", L"B"}}, L"de", L"B"},
        {{{L"fr", L"A"}, {L"en", L"B"}}, L"fr-CA", L"A"},
        {{{L"fr", L"A"}, {L"en-GB", L"B"}}, L"de", L"B"}, // "en" matched with score 2
        {{{L"pt-BR", L"C"}, {L"pt-PT", L"D"}}, L"pt", L"C"},
        {{{L"pt-BR", L"C"}, {L"pt-PT", L"D"}}, L"pt-PT", L"D"}, // exact region wins over order
        {{{L"de-AT", L"E"}}, L"ja", L"E"},                      // first entry
        {{{L"de-AT", L"E"}, {L"it", L"F"}}, L"ja", L"F"},       // first code without region
        {{}, L"en", L""},
    };
    for (const FallbackCase &c : cases) {
        CGalleryLanguageStringCollection *strings = nullptr;
        ASSERT_EQ(CGalleryLanguageStringCollection::CreateInstance(&strings), S_OK);
        for (const auto &[language, text] : c.titles)
            ASSERT_EQ(strings->Add(language, text), S_OK);
        EXPECT_STREQ(strings->GetString(c.asked), c.expected) << Text::ToUtf8(c.asked);
        CGalleryLanguageStringCollection::DeleteInstance(&strings);
        EXPECT_EQ(strings, nullptr);
    }
}

TEST(GalleryHelpers, GetStringWithoutLanguageUsesCurrentLanguage)
{
    CGalleryLanguageStringCollection *strings = nullptr;
    ASSERT_EQ(CGalleryLanguageStringCollection::CreateInstance(&strings), S_OK);
    strings->Add(L"en", L"English");
    strings->Add(L"fr", L"Français");
    CGallery::SetCurrentLanguage(L"fr", false);
    EXPECT_STREQ(strings->GetString(), L"Français");
    CGallery::SetCurrentLanguage(L"en", false);
    EXPECT_STREQ(strings->GetString(nullptr), L"English");
    CGalleryLanguageStringCollection::DeleteInstance(&strings);
}

TEST(GalleryHelpers, CompareStringsOrdering)
{
    EXPECT_LT(CGallery::CompareStrings(L"apple", L"Banana"), 0);
    EXPECT_GT(CGallery::CompareStrings(L"banana", L"Apple"), 0);
    EXPECT_LT(CGallery::CompareStrings(L"x", L""), 0);       // empty sorts last
    EXPECT_GT(CGallery::CompareStrings(L"\uFEFF", L"x"), 0); // the marker is empty
    EXPECT_EQ(CGallery::CompareStrings(L"", L"\uFEFF"), 0);
    EXPECT_EQ(CGallery::CompareStrings(nullptr, L""), 0);
    EXPECT_EQ(CGallery::CompareStrings(L"Same", L"Same"), 0);
    // Equal once lower-cased: code points decide, so the order is total.
    EXPECT_LT(CGallery::CompareStrings(L"ABC", L"abc"), 0);
    EXPECT_GT(CGallery::CompareStrings(L"abc", L"ABC"), 0);
}

TEST(GalleryHelpers, EmptyTrimAndSplit)
{
    EXPECT_TRUE(CGallery::IsEmptyString(nullptr));
    EXPECT_TRUE(CGallery::IsEmptyString(L""));
    EXPECT_TRUE(CGallery::IsEmptyString(L"\uFEFF"));
    EXPECT_FALSE(CGallery::IsEmptyString(L"\uFEFF\uFEFF"));
    EXPECT_FALSE(CGallery::IsEmptyString(L" "));

    CAtlString out;
    EXPECT_EQ(CGallery::Trim(L"\u3000 a b\u00A0\t", out), S_OK);
    EXPECT_EQ(out, L"a b");
    EXPECT_EQ(CGallery::Trim(L" \uFEFF\u200B ", out), S_FALSE);
    EXPECT_EQ(out, L"");

    std::vector<CAtlString> tokens;
    EXPECT_EQ(CGallery::Split(L"a;b,,c", tokens, L";,"), S_OK);
    EXPECT_EQ(tokens, (std::vector<CAtlString>{L"a", L"b", L"", L"c"}));
    tokens.clear();
    EXPECT_EQ(CGallery::Split(L" a ; ;b ", tokens, L";", CGallery::eSplitFlagsTrim | CGallery::eSplitFlagsRemoveEmpty),
              S_OK);
    EXPECT_EQ(tokens, (std::vector<CAtlString>{L"a", L"b"}));
    tokens.clear();
    EXPECT_EQ(CGallery::Split(L";;", tokens, L";", CGallery::eSplitFlagsRemoveEmpty), S_FALSE);
}

TEST(GalleryHelpers, ProgramVersionComparison)
{
    struct Case {
        const wchar_t *installed, *required;
        int result;
    } cases[] = {
        {L"10.2", L"10.2.1", -1},
        {L"1.7.3", L"1.*.3", 0},
        {L"10.0", L"9.5", 1},
        {L"10.0", L"win:10.0;mac:10.0", 0},
        {L"9.0", L"unix:10.0;win:1.0", -1},
        {L"11.0", L"Unix:12.0", 0}, // keys are case-sensitive: no "unix"
        {L"", L"1.0", 0},
        {L"1.0", L"", 0},
        {L"2-1_3", L"2.1.3", 0},
        {L"*.*", L"5.0", 0},
        {L"*", L"5.0", -1},
        {L"99999999999999999999999", L"1", 1},
        {L"1.0", L"1.0:", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CGallery::CompareProgramVersion(c.installed, c.required), c.result)
            << Text::ToUtf8(c.installed) << " vs " << Text::ToUtf8(c.required);
}

TEST(GalleryHelpers, IdentifiersHashesAndNames)
{
    const CAtlString guid = CGallery::NewGuid();
    ASSERT_EQ(guid.size(), 36u);
    EXPECT_EQ(guid, Text::ToUpper(guid));
    EXPECT_NE(guid, CGallery::NewGuid());
    const CAtlString id = CGallery::NewIdentifier(L"activity");
    EXPECT_EQ(id.rfind(CAtlString(CGallery::IdentifierPrefix) + L"?type=activity&id=", 0), 0u);
    EXPECT_NE(CGallery::NewIdentifier(L"").find(L"?type=unknown&id="), CAtlString::npos);

    EXPECT_EQ(CGallery::GetHashFromString(L""), 5381u);
    EXPECT_EQ(CGallery::GetHashFromString(L"a"), 5381u * 33 + 'a');

    EXPECT_EQ(CGallery::EncodeFileURI(L"/tmp/My Files/ä%.html"), L"file:///tmp/My%20Files/%C3%A4%25.html");
    EXPECT_EQ(CGallery::EncodeFileURI(L"a b.zip", L""), L"a%20b.zip");

    EXPECT_EQ(CGallery::GetFileNameFromTitle(L"My  first\tpicture!"), L"MY_FIRST_PICTURE");
    EXPECT_EQ(CGallery::GetFileNameFromTitle(L""), L"UNTITLED");
    EXPECT_EQ(CGallery::GetFileNameFromTitle(L"abcdefghijklmnopqrstuvwxyz0123456789").size(), 30u);
}

TEST(GalleryHelpers, MemoryFunctionsSkipManagedMemory)
{
    void *block = nullptr;
    EXPECT_EQ(CGallery::AllocateMemory(4, 0, &block), S_FALSE);
    EXPECT_EQ(block, nullptr);
    ASSERT_EQ(CGallery::AllocateMemory(4, 8, &block), S_OK);
    EXPECT_EQ(static_cast<unsigned char *>(block)[31], 0);
    void *again = block;
    EXPECT_EQ(CGallery::AllocateMemory(1, 1, &again), E_INVALIDARG);
    CGallery::FreeMemory(&block);
    EXPECT_EQ(block, nullptr);

    const wchar_t *text = nullptr;
    ASSERT_EQ(CGallery::AllocateString(L"", &text), S_OK);
    EXPECT_EQ(text, CGallery::EmptyString);
    ASSERT_EQ(CGallery::AllocateString(L"abc", &text), S_OK);
    EXPECT_STREQ(text, L"abc");
    CGallery::FreeString(&text);
    EXPECT_EQ(text, CGallery::EmptyString);

    CGalleryMemory *memory = nullptr;
    ASSERT_EQ(CGalleryMemory::CreateInstance(64, &memory), S_OK);
    unsigned char *inside = memory->GetBase() + 10;
    EXPECT_TRUE(CGallery::IsManagedMemory(inside));
    EXPECT_TRUE(CGallery::IsManagedMemory(nullptr));
    EXPECT_TRUE(CGallery::IsManagedMemory(CGallery::EmptyString));
    EXPECT_FALSE(CGallery::IsManagedMemory(&memory));
    // A string inside the block is left alone by FreeString (ASan would report a bad free).
    const wchar_t *managed = reinterpret_cast<const wchar_t *>(memory->GetBase() + 16);
    CGallery::FreeString(&managed);
    EXPECT_EQ(managed, CGallery::EmptyString);
    CGalleryMemory::DeleteInstance(&memory);
    EXPECT_FALSE(CGallery::IsManagedMemory(inside));
    EXPECT_EQ(CGalleryMemory::CreateInstance(L"/no/such/file", &memory), E_FAIL);
}

// More live blocks than the lock-free table holds: every block stays managed while it lives, slots
// and the overflow list are reused after blocks leave in any order, and a reader asking concurrently
// about a block that lives throughout always gets true.
TEST(GalleryHelpers, ManagedMemoryManyBlocksAndConcurrentReaders)
{
    CGalleryMemory *steady = nullptr;
    ASSERT_EQ(CGalleryMemory::CreateInstance(32, &steady), S_OK);
    std::atomic<bool> stop{false};
    std::atomic<int> misses{0};
    std::thread reader([&] {
        while (!stop.load())
            if (!CGallery::IsManagedMemory(steady->GetBase() + 31)) ++misses;
    });

    for (int round = 0; round < 3; ++round) {
        std::vector<CGalleryMemory *> blocks(150, nullptr);
        for (auto &block : blocks)
            ASSERT_EQ(CGalleryMemory::CreateInstance(16, &block), S_OK);
        for (CGalleryMemory *block : blocks) {
            EXPECT_TRUE(CGallery::IsManagedMemory(block->GetBase()));
            EXPECT_TRUE(CGallery::IsManagedMemory(block->GetBase() + 15));
            EXPECT_FALSE(CGallery::IsManagedMemory(block->GetBase() + 16));
        }
        // Leave from the middle outwards, so table slots and overflow entries go in mixed order.
        for (size_t i = 0; i < blocks.size(); ++i) {
            const size_t at = (i % 2) ? blocks.size() / 2 + i / 2 : blocks.size() / 2 - 1 - i / 2;
            if (at >= blocks.size()) continue;
            CGalleryMemory::DeleteInstance(&blocks[at]);
        }
        for (CGalleryMemory *&block : blocks)
            CGalleryMemory::DeleteInstance(&block);
    }
    stop = true;
    reader.join();
    EXPECT_EQ(misses.load(), 0);
    EXPECT_TRUE(CGallery::IsManagedMemory(steady->GetBase()));
    unsigned char *steadyBase = steady->GetBase();
    CGalleryMemory::DeleteInstance(&steady);
    EXPECT_FALSE(CGallery::IsManagedMemory(steadyBase));
}

} // namespace
