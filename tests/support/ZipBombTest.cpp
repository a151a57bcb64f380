// ZIP bombs: an extraction that would write far more than the archive holds, or more than the total
// limit, is refused like a damaged archive and leaves nothing behind, whether the entries declare their
// sizes honestly or claim to be small and inflate to more.
#include "support/Limits.h"
#include "support/ZipHelper.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace
{

struct Entry {
    std::string name, content;
};

bool MakeArchive(const std::string &path, const std::vector<Entry> &entries)
{
    int error = 0;
    zip_t *z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) return false;
    for (const Entry &e : entries) {
        zip_source_t *src = zip_source_buffer(z, e.content.data(), e.content.size(), 0);
        const zip_int64_t index = zip_file_add(z, e.name.c_str(), src, ZIP_FL_ENC_UTF_8);
        if (index < 0) return zip_discard(z), false;
        zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9);
    }
    return zip_close(z) == 0;
}

// Rewrites the uncompressed size that the local and the central header of entry `name` declare.
bool DeclareSize(const std::string &path, const std::string &name, uint32_t size)
{
    std::string bytes = TestEnv::ReadFile(path);
    int patched = 0;
    const struct {
        const char *signature;
        size_t sizeAt, nameLengthAt, nameAt;
    } headers[] = {{"PK\x03\x04", 22, 26, 30}, {"PK\x01\x02", 24, 28, 46}};
    for (const auto &h : headers) {
        for (size_t at = bytes.find(h.signature); at != std::string::npos; at = bytes.find(h.signature, at + 4)) {
            const auto length = static_cast<size_t>(static_cast<unsigned char>(bytes[at + h.nameLengthAt]) |
                                                    static_cast<unsigned char>(bytes[at + h.nameLengthAt + 1]) << 8);
            if (bytes.compare(at + h.nameAt, length, name) != 0 || length != name.size()) continue;
            for (int i = 0; i < 4; ++i)
                bytes[at + h.sizeAt + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
            ++patched;
        }
    }
    return patched == 2 && TestEnv::WriteFile(path, bytes);
}

size_t FilesBelow(const std::string &dir)
{
    size_t n = 0;
    if (!fs::exists(dir)) return 0;
    for (const auto &e : fs::recursive_directory_iterator(dir)) {
        (void)e;
        ++n;
    }
    return n;
}

CKeldaFilePath F(const std::string &utf8)
{
    return CKeldaFilePath::FromUtf8(utf8);
}
CKeldaDirectoryPath D(const std::string &utf8)
{
    return CKeldaDirectoryPath::FromUtf8(utf8);
}

// Twice the floor of zeros: about 1000 bytes out per byte in.
const std::string kBomb(2 * Limits::kZipRatioFloorBytes, '\0');

TEST(ZipBomb, RefusedAndNothingLeftBehind)
{
    const struct {
        const char *name;
        bool lieAboutSize; // the bomb entry declares 100 bytes
        bool targetExists;
    } cases[] = {{"declared", false, false}, {"lying", true, false}, {"lying into an existing folder", true, true}};
    for (const auto &c : cases) {
        TestEnv::TempDir dir;
        const std::string archive = dir.file("bomb.zip");
        ASSERT_TRUE(MakeArchive(archive, {{"a/first.txt", "one"}, {"sub/deep/zeros.bin", kBomb}, {"last.txt", "x"}}));
        if (c.lieAboutSize) {
            ASSERT_TRUE(DeclareSize(archive, "sub/deep/zeros.bin", 100)) << c.name;
        }
        const std::string out = dir.file("out");
        if (c.targetExists) {
            ASSERT_TRUE(fs::create_directory(out));
        }

        EXPECT_FALSE(CZipHelper::UnzipToFolder(F(archive), D(out))) << c.name;
        EXPECT_EQ(FilesBelow(out), 0u) << c.name;
        EXPECT_EQ(fs::exists(out), c.targetExists) << c.name;
    }
}

// An archive that declares more than the total limit is refused before anything is written; highly
// compressible files below the ratio's floor are no bomb.
TEST(ZipBomb, DeclaredTotalAndFloor)
{
    TestEnv::TempDir dir;
    const std::string huge = dir.file("huge.zip");
    ASSERT_TRUE(MakeArchive(huge, {{"one", "1"}, {"two", "2"}}));
    ASSERT_TRUE(DeclareSize(huge, "one", 0xF0000000u));
    ASSERT_TRUE(DeclareSize(huge, "two", 0xF0000000u));
    EXPECT_FALSE(CZipHelper::UnzipToFolder(F(huge), D(dir.file("out"))));
    EXPECT_FALSE(fs::exists(dir.file("out")));

    const std::string small = dir.file("small.zip");
    const std::string zeros(Limits::kZipRatioFloorBytes / 2, '\0');
    ASSERT_TRUE(MakeArchive(small, {{"zeros.bin", zeros}}));
    EXPECT_TRUE(CZipHelper::UnzipToFolder(F(small), D(dir.file("fine"))));
    EXPECT_EQ(fs::file_size(dir.file("fine/zeros.bin")), zeros.size());
}

TEST(ZipBomb, TooManyEntriesIsRefused)
{
    TestEnv::TempDir dir;
    const std::string archive = dir.file("many.zip");
    int error = 0;
    zip_t *z = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (size_t i = 0; i <= Limits::kMaxZipEntries; ++i) {
        const std::string name = std::to_string(i);
        ASSERT_GE(zip_file_add(z, name.c_str(), zip_source_buffer(z, nullptr, 0, 0), 0), 0);
        zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(z), 0);
    EXPECT_FALSE(CZipHelper::UnzipToFolder(F(archive), D(dir.file("out"))));
    EXPECT_EQ(FilesBelow(dir.file("out")), 0u);
}

} // namespace
