// The streams: file positions and offsets, the memory buffer, and the compressing writer's target rules.
#include "support/StreamFactory.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::string Inflate(const std::string &packed, size_t expectedSize)
{
    std::string plain(expectedSize + 64, '\0');
    uLongf size = plain.size();
    if (uncompress(reinterpret_cast<Bytef *>(plain.data()), &size, reinterpret_cast<const Bytef *>(packed.data()),
                   packed.size()) != Z_OK)
        return "<not a zlib stream>";
    plain.resize(size);
    return plain;
}

TEST(StreamFactory, WritableFileStreamTruncatesWritesAndSeeks)
{
    TestEnv::TempDir dir;
    const std::string path = dir.file("w.bin");
    ASSERT_TRUE(TestEnv::WriteFile(path, "old contents that are longer"));
    CKeldaPtr<IKELDAStream> s;
    ASSERT_EQ(CStreamFactory::CreateWritableFileStream(s.put(), Text::FromUtf8(path)), S_OK);
    size_t written = 0;
    EXPECT_EQ(s->Write("hello world", 11, &written), S_OK);
    EXPECT_EQ(written, 11u);
    uint64_t pos = 0;
    EXPECT_EQ(s->Seek(-5, eKeldaStreamSeekEnd, &pos), S_OK);
    EXPECT_EQ(pos, 6u);
    char buf[8] = {};
    size_t read = 0;
    EXPECT_EQ(s->Read(buf, 8, &read), S_FALSE);
    EXPECT_EQ(std::string(buf, read), "world");
    EXPECT_EQ(s->Seek(-1, eKeldaStreamSeekSet, &pos), E_FAIL);
    KeldaStreamStat st;
    EXPECT_EQ(s->Stat(&st), S_OK);
    EXPECT_EQ(st.size, 11u);
    IKELDAStream *clone = nullptr;
    EXPECT_EQ(s->Clone(&clone), E_NOTIMPL);
    EXPECT_EQ(s->Commit(), S_OK);
    EXPECT_EQ(s->Write("x", 1, nullptr), E_FAIL);
    s.reset();
    EXPECT_EQ(TestEnv::ReadFile(path), "hello world");

    EXPECT_EQ(CStreamFactory::CreateWritableFileStream(s.put(), Text::FromUtf8(dir.file("no/such/dir"))), E_FAIL);
    EXPECT_FALSE(s);
}

TEST(StreamFactory, ReadableStreamStartsAtItsOffset)
{
    TestEnv::TempDir dir;
    const std::string path = dir.file("r.bin");
    ASSERT_TRUE(TestEnv::WriteFile(path, "HEADERpayload"));
    CKeldaPtr<IKELDAStream> s;
    ASSERT_EQ(CStreamFactory::CreateReadableStreamOnFile(s.put(), Text::FromUtf8(path), 6), S_OK);
    char buf[16] = {};
    size_t read = 0;
    EXPECT_EQ(s->Read(buf, 3, &read), S_OK);
    EXPECT_EQ(std::string(buf, read), "pay");
    KeldaStreamStat st;
    EXPECT_EQ(s->Stat(&st), S_OK);
    EXPECT_EQ(st.size, 7u);
    CKeldaPtr<IKELDAStream> clone;
    ASSERT_EQ(s->Clone(clone.put()), S_OK);
    EXPECT_EQ(clone->Read(buf, 16, &read), S_FALSE);
    EXPECT_EQ(std::string(buf, read), "load");
    EXPECT_EQ(s->Seek(0, eKeldaStreamSeekSet, nullptr), S_OK);
    EXPECT_EQ(s->Read(buf, 7, &read), S_OK);
    EXPECT_EQ(std::string(buf, read), "payload");
    EXPECT_EQ(s->Write("x", 1, nullptr), E_FAIL);
    EXPECT_EQ(CStreamFactory::CreateReadableStreamOnFile(s.put(), Text::FromUtf8(dir.file("missing"))), E_FAIL);
}

TEST(StreamFactory, BufferStreamGrowsAndHandsOver)
{
    CKeldaPtr<IKELDABufferStream> s;
    ASSERT_EQ(CStreamFactory::CreateWritableBufferStream(s.put()), S_OK);
    EXPECT_EQ(s->Write("abcdef", 6, nullptr), S_OK);
    EXPECT_EQ(s->Seek(2, eKeldaStreamSeekSet, nullptr), S_OK);
    EXPECT_EQ(s->Write("XY", 2, nullptr), S_OK);
    EXPECT_EQ(s->Seek(2, eKeldaStreamSeekEnd, nullptr), S_OK);
    EXPECT_EQ(s->Write("!", 1, nullptr), S_OK);
    EXPECT_EQ(s->Peek(), std::string("abXYef\0\0!", 9));
    CAtlStringA text;
    EXPECT_EQ(s->DetachBufferAsString(&text), S_OK);
    EXPECT_EQ(text, std::string("abXYef\0\0!", 9));
    EXPECT_EQ(s->Peek(), "");
    EXPECT_EQ(s->Write("z", 1, nullptr), S_OK);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(s->DetachBufferPointer(&bytes), S_OK);
    EXPECT_EQ(bytes, std::vector<uint8_t>{'z'});
}

TEST(StreamFactory, CompressedStreamReplacesItsTarget)
{
    TestEnv::TempDir dir;
    const std::string path = dir.file("c.dat");
    ASSERT_TRUE(TestEnv::WriteFile(path, "previous"));
    ::chmod(path.c_str(), 0640);
    {
        CKeldaPtr<IKELDAStream> s;
        ASSERT_EQ(CStreamFactory::CreateWritableCompressedFileStream(s.put(), Text::FromUtf8(path)), S_OK);
        EXPECT_EQ(s->Write("new bytes", 9, nullptr), S_OK);
        EXPECT_EQ(s->Commit(), S_OK);
    }
    EXPECT_EQ(Inflate(TestEnv::ReadFile(path), 9), "new bytes");
    struct stat st {
    };
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // Nothing written: the target's existing contents are compressed again.
    {
        CKeldaPtr<IKELDAStream> s;
        ASSERT_EQ(CStreamFactory::CreateWritableCompressedFileStream(s.put(), Text::FromUtf8(dir.file("plain.txt"))),
                  S_OK);
        ASSERT_TRUE(TestEnv::WriteFile(dir.file("plain.txt"), "plain text"));
    }
    EXPECT_EQ(Inflate(TestEnv::ReadFile(dir.file("plain.txt")), 10), "plain text");

    // With an offset the head of the target stays in front.
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("h.dat"), "HEAD-old"));
    {
        CKeldaPtr<IKELDAStream> s;
        ASSERT_EQ(CStreamFactory::CreateWritableCompressedFileStream(s.put(), Text::FromUtf8(dir.file("h.dat")), 5),
                  S_OK);
        s->Write("body", 4, nullptr);
    }
    const std::string withHead = TestEnv::ReadFile(dir.file("h.dat"));
    EXPECT_EQ(withHead.substr(0, 5), "HEAD-");
    EXPECT_EQ(Inflate(withHead.substr(5), 4), "body");

    // Only the targets remain: no ".rawstream" or other temporary file.
    size_t files = 0;
    for (const char *name : {"c.dat", "plain.txt", "h.dat"})
        files += TestEnv::Exists(dir.file(name));
    EXPECT_EQ(files, 3u);
    EXPECT_EQ(std::system(("test $(ls -A " + dir.path() + " | wc -l) -eq 3").c_str()), 0);

    // A linked target keeps its link; the file it names gets the new contents. A dangling one fails.
    TestEnv::TempDir links;
    ASSERT_TRUE(TestEnv::WriteFile(links.file("real/l.dat"), "old"));
    ASSERT_EQ(::symlink(links.file("real/l.dat").c_str(), links.file("l.dat").c_str()), 0);
    ASSERT_EQ(::symlink(links.file("nowhere").c_str(), links.file("dangling.dat").c_str()), 0);
    EXPECT_TRUE(CStreamFactory::ReplaceFileContents(links.file("l.dat"), "linked"));
    EXPECT_TRUE(std::filesystem::is_symlink(links.file("l.dat")));
    EXPECT_EQ(TestEnv::ReadFile(links.file("real/l.dat")), "linked");
    EXPECT_FALSE(CStreamFactory::ReplaceFileContents(links.file("dangling.dat"), "x"));
    EXPECT_TRUE(std::filesystem::is_symlink(links.file("dangling.dat")));
}

TEST(StreamFactory, CompressedStreamLeavesAnUnwritableTargetAlone)
{
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    TestEnv::TempDir dir;
    const std::string path = dir.file("ro.dat");
    ASSERT_TRUE(TestEnv::WriteFile(path, "keep me"));
    ::chmod(path.c_str(), 0444);
    CKeldaPtr<IKELDAStream> s;
    ASSERT_EQ(CStreamFactory::CreateWritableCompressedFileStream(s.put(), Text::FromUtf8(path)), S_OK);
    s->Write("other", 5, nullptr);
    EXPECT_EQ(s->Commit(), E_FAIL);
    EXPECT_EQ(TestEnv::ReadFile(path), "keep me");

    EXPECT_EQ(CStreamFactory::CreateWritableCompressedFileStream(s.put(), Text::FromUtf8(dir.file("no/dir/x"))),
              E_FAIL);
    EXPECT_FALSE(s);
}

} // namespace
