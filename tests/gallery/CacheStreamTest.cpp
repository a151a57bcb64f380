// CGallerySerializationStream: the patching calls that make a cache image relocatable, and the
// publishing rules of a written image (nothing appears before Close, a cancelled image never).
#include "gallery/manifest/GallerySerializationStream.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

uint64_t Le64(const std::string &bytes, size_t at)
{
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= uint64_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return v;
}

} // namespace

TEST(GallerySerializationStream, PatchingCallsWriteFieldsAndAppend)
{
    TestEnv::TempDir dir;
    const CAtlString path = Text::FromUtf8(dir.file("sub/dir/image.cache"));
    CGallerySerializationStream *s = nullptr;
    ASSERT_EQ(CGallerySerializationStream::CreateInstance(&s), S_OK);
    ASSERT_EQ(s->Open(path, true), S_OK); // creates the directories
    const unsigned char record[24] = {};
    ASSERT_EQ(s->Write(record, sizeof record), S_OK);
    EXPECT_EQ(s->Write(nullptr, 0), S_OK);
    EXPECT_EQ(s->Write(nullptr, 1), E_INVALIDARG);
    // A value into the field at 0 + 8, then back to the end.
    ASSERT_EQ(s->Serialize(0, 8, uint64_t(0x1122334455667788ull)), S_OK);
    EXPECT_EQ(s->GetPosition(), 24u);
    // Bytes: the field at 16 gets the end position (24), the bytes follow.
    ASSERT_EQ(s->Serialize(0, 16, "abc", 3), S_OK);
    // A string: 4 bytes per character and the terminating zero; its field is at 0.
    ASSERT_EQ(s->Serialize(0, 0, L"hi"), S_OK);
    EXPECT_EQ(s->GetLength(), 24u + 3 + 12);
    EXPECT_FALSE(TestEnv::Exists(dir.file("sub/dir/image.cache"))) << "published before Close";
    ASSERT_EQ(s->Close(), S_OK);
    CGallerySerializationStream::DeleteInstance(&s);

    const std::string bytes = TestEnv::ReadFile(dir.file("sub/dir/image.cache"));
    ASSERT_EQ(bytes.size(), 39u);
    EXPECT_EQ(Le64(bytes, 8), 0x1122334455667788ull);
    EXPECT_EQ(Le64(bytes, 16), 24u);
    EXPECT_EQ(bytes.substr(24, 3), "abc");
    EXPECT_EQ(Le64(bytes, 0), 27u);
    wchar_t text[3];
    std::memcpy(text, bytes.data() + 27, sizeof text);
    EXPECT_EQ(std::wstring(text), L"hi");
}

TEST(GallerySerializationStream, ReadingAndAbandonedImages)
{
    TestEnv::TempDir dir;
    CGallerySerializationStream *s = nullptr;
    ASSERT_EQ(CGallerySerializationStream::CreateInstance(&s), S_OK);
    EXPECT_EQ(s->Open(Text::FromUtf8(dir.file("missing.cache")), false), S_FALSE);

    ASSERT_TRUE(TestEnv::WriteFile(dir.file("old.cache"), "old"));
    ASSERT_EQ(s->Open(Text::FromUtf8(dir.file("old.cache")), true), S_OK);
    ASSERT_EQ(s->Write("new", 3), S_OK);
    s->Cancel();
    EXPECT_EQ(s->Close(), E_FAIL);
    EXPECT_EQ(TestEnv::ReadFile(dir.file("old.cache")), "old");

    ASSERT_EQ(s->Open(Text::FromUtf8(dir.file("old.cache")), false), S_OK);
    EXPECT_EQ(s->GetLength(), 3u);
    char buffer[8];
    uint64_t got = 0;
    EXPECT_EQ(s->Read(buffer, 2, nullptr, false), E_INVALIDARG);
    EXPECT_EQ(s->Read(buffer, 8, &got, true), E_FAIL);
    EXPECT_EQ(got, 3u);
    ASSERT_EQ(s->Seek(1), S_OK);
    EXPECT_EQ(s->Read(buffer, 2, &got, true), S_OK);
    EXPECT_EQ(std::string(buffer, 2), "ld");
    CGallerySerializationStream::DeleteInstance(&s);
}
