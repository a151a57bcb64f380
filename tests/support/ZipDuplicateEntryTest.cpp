// An archive holding two entries under one name is refused like a damaged one, by every operation.
#include "support/ZipHelper.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace
{

// Two stored entries named first and second (of equal length), then second renamed to stand in the
// headers as rename: libzip itself never writes a duplicate name, so the bytes are patched afterwards.
bool MakeDuplicateArchive(const std::string &path, const std::string &first, const std::string &second,
                          const std::string &rename)
{
    int error = 0;
    zip_t *z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) return false;
    static const char one[] = "first content", two[] = "second content";
    const std::pair<const std::string *, const char *> entries[] = {{&first, one}, {&second, two}};
    for (const auto &[name, content] : entries) {
        zip_source_t *src = zip_source_buffer(z, content, std::char_traits<char>::length(content), 0);
        const zip_int64_t index = zip_file_add(z, name->c_str(), src, ZIP_FL_ENC_RAW);
        if (index < 0) return zip_discard(z), false;
        zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    if (zip_close(z) != 0) return false;
    std::string bytes = TestEnv::ReadFile(path);
    int patched = 0;
    for (size_t at = bytes.find(second); at != std::string::npos; at = bytes.find(second, at + 1), ++patched)
        bytes.replace(at, rename.size(), rename);
    return patched == 2 && TestEnv::WriteFile(path, bytes); // local header and central directory
}

} // namespace

TEST(ZipDuplicateEntry, ArchiveWithOneNameTwiceIsRefused)
{
    struct Case {
        const char *first, *second, *rename;
    };
    // The name as stored twice, and the same target path written with a backslash.
    const Case cases[] = {{"dir/same.txt", "dir/XXXX.txt", "dir/same.txt"},
                          {"dir/same.txt", "dirXsame.txt", "dir\\same.txt"}};
    for (const Case &c : cases) {
        TestEnv::TempDir dir;
        const std::string archive = dir.file("dup.zip");
        ASSERT_TRUE(MakeDuplicateArchive(archive, c.first, c.second, c.rename)) << c.rename;

        EXPECT_FALSE(CZipHelper::UnzipToFolder(CKeldaFilePath::FromUtf8(archive),
                                               CKeldaDirectoryPath::FromUtf8(dir.file("out"))))
            << c.rename;
        EXPECT_FALSE(fs::exists(dir.file("out/dir/same.txt"))) << c.rename;

        std::vector<char> data{'x'};
        EXPECT_FALSE(CZipHelper::UnzipToMemory(CKeldaFilePath::FromUtf8(archive), L"dir/same.txt", data)) << c.rename;
        EXPECT_TRUE(data.empty()) << c.rename;

        ASSERT_TRUE(TestEnv::WriteFile(dir.file("new.txt"), "new"));
        const std::string before = TestEnv::ReadFile(archive);
        EXPECT_FALSE(CZipHelper::ReplaceFileInArchive(CKeldaFilePath::FromUtf8(archive), L"other.txt",
                                                      CKeldaFilePath::FromUtf8(dir.file("new.txt"))))
            << c.rename;
        EXPECT_EQ(TestEnv::ReadFile(archive), before) << c.rename;
    }
}

TEST(ZipDuplicateEntry, NamesDifferingOnlyInCaseAreTwoEntries)
{
    // On a case-sensitive file system these are two files; the archive stays readable.
    TestEnv::TempDir dir;
    const std::string archive = dir.file("case.zip");
    ASSERT_TRUE(MakeDuplicateArchive(archive, "Same.txt", "XXXX.txt", "same.txt"));
    ASSERT_TRUE(
        CZipHelper::UnzipToFolder(CKeldaFilePath::FromUtf8(archive), CKeldaDirectoryPath::FromUtf8(dir.file("out"))));
    EXPECT_EQ(TestEnv::ReadFile(dir.file("out/Same.txt")), "first content");
    EXPECT_EQ(TestEnv::ReadFile(dir.file("out/same.txt")), "second content");
}
