// CSaveFile: the old document or the whole new one, never a torn file.
#include "support/SaveFile.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

CKeldaFilePath F(const std::string &utf8)
{
    return CKeldaFilePath::FromUtf8(utf8);
}

size_t EntryCount(const std::string &dir)
{
    size_t n = 0;
    for (const auto &e : std::filesystem::directory_iterator(dir))
        (void)e, ++n;
    return n;
}

mode_t Mode(const std::string &path)
{
    struct stat st {
    };
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

} // namespace

TEST(SaveFile, CommitReplacesKeepingPermissions)
{
    TestEnv::TempDir dir;
    const std::string target = dir.file("imsmanifest.xml");
    ASSERT_TRUE(TestEnv::WriteFile(target, "old"));
    ::chmod(target.c_str(), 0640);
    CSaveFile out(F(target));
    ASSERT_TRUE(out.Open());
    EXPECT_TRUE(out.Write("new "));
    EXPECT_TRUE(out.Write(std::string(200000, 'x'))); // past the buffer
    EXPECT_EQ(TestEnv::ReadFile(target), "old");      // untouched until Commit
    EXPECT_EQ(EntryCount(dir.path()), 2u);
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(TestEnv::ReadFile(target), "new " + std::string(200000, 'x'));
    EXPECT_EQ(Mode(target), 0640u);
    EXPECT_EQ(EntryCount(dir.path()), 1u);

    EXPECT_TRUE(CSaveFile::WriteWholeFile(F(dir.file("fresh")), "abc"));
    EXPECT_EQ(TestEnv::ReadFile(dir.file("fresh")), "abc");
}

TEST(SaveFile, NoCommitOrCancelDiscards)
{
    TestEnv::TempDir dir;
    const std::string target = dir.file("doc");
    ASSERT_TRUE(TestEnv::WriteFile(target, "old"));
    {
        CSaveFile out(F(target));
        ASSERT_TRUE(out.Open());
        out.Write("half");
    }
    EXPECT_EQ(TestEnv::ReadFile(target), "old");
    CSaveFile cancelled(F(target));
    ASSERT_TRUE(cancelled.Open());
    cancelled.Write("new");
    cancelled.Cancel();
    EXPECT_FALSE(cancelled.Write("more"));
    EXPECT_FALSE(cancelled.Commit());
    EXPECT_EQ(cancelled.Error(), ECANCELED);
    EXPECT_EQ(TestEnv::ReadFile(target), "old");
    EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(SaveFile, Failures)
{
    TestEnv::TempDir dir;
    // A folder in the way of the rename.
    std::filesystem::create_directories(dir.file("folder/inside"));
    CSaveFile onFolder(F(dir.file("folder")));
    EXPECT_FALSE(onFolder.Open() && onFolder.Commit());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder/inside")));
    // No such folder for the temporary file.
    CSaveFile nowhere(F(dir.file("missing/doc")));
    EXPECT_FALSE(nowhere.Open());
    EXPECT_NE(nowhere.ErrorString().find("missing/doc"), std::string::npos);
    EXPECT_FALSE(nowhere.Commit());
    EXPECT_EQ(EntryCount(dir.path()), 1u);

    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    std::filesystem::create_directories(dir.file("ro"));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("ro/doc"), "old"));
    ::chmod(dir.file("ro").c_str(), 0555);
    CSaveFile readOnly(F(dir.file("ro/doc")));
    EXPECT_FALSE(readOnly.Open());
    EXPECT_EQ(readOnly.Error(), EACCES);
    ::chmod(dir.file("ro").c_str(), 0755);
    EXPECT_EQ(TestEnv::ReadFile(dir.file("ro/doc")), "old");
}

TEST(SaveFile, SymbolicLinkTargetKeepsTheLink)
{
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("real/doc"), "old"));
    ASSERT_EQ(::symlink(dir.file("real/doc").c_str(), dir.file("link").c_str()), 0);
    ASSERT_TRUE(CSaveFile::WriteWholeFile(F(dir.file("link")), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));
    EXPECT_EQ(TestEnv::ReadFile(dir.file("real/doc")), "new");

    ASSERT_EQ(::symlink(dir.file("nowhere").c_str(), dir.file("dangling").c_str()), 0);
    EXPECT_FALSE(CSaveFile::WriteWholeFile(F(dir.file("dangling")), "x"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("dangling")));
}
