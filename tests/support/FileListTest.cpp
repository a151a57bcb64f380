// FileList: additions, copies, verified moves with roll-back, and removal.
#include "support/FileList.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace
{

CKeldaFilePath F(const std::string &utf8)
{
    return CKeldaFilePath::FromUtf8(utf8);
}
CKeldaDirectoryPath D(const std::string &utf8)
{
    return CKeldaDirectoryPath::FromUtf8(utf8);
}

// A configuration-like list: two files under the root, one from elsewhere, one folder from elsewhere.
struct FileListTest : ::testing::Test {
    TestEnv::TempDir dir;
    FileList list;
    void SetUp() override
    {
        for (const char *f :
             {"root/configuration.xml", "root/metadata.xml", "extra/logo.png", "art/a.png", "art/sub/b.png"})
            ASSERT_TRUE(TestEnv::WriteFile(dir.file(f), f));
        list.SetRoot(D(dir.file("root")));
        ASSERT_TRUE(list.AddRelativeFilePath(F("configuration.xml")));
        ASSERT_TRUE(list.AddRelativeFilePath(F("metadata.xml")));
        ASSERT_TRUE(list.AddAbsoluteFilePath(F(dir.file("extra/logo.png")), D("images")));
        ASSERT_TRUE(list.AddAbsoluteDirectoryPath(D(dir.file("art")), CKeldaDirectoryPath()));
    }
};

} // namespace

TEST_F(FileListTest, AddAndResolve)
{
    EXPECT_FALSE(list.AddRelativeFilePath(CKeldaFilePath()));
    EXPECT_FALSE(list.AddAbsoluteFilePath(F(dir.file("missing")), CKeldaDirectoryPath()));
    EXPECT_EQ(list.GetAbsoluteFilePath(F("images/logo.png")), F(dir.file("extra/logo.png")));
    EXPECT_EQ(list.GetAbsoluteFilePath(F("metadata.xml")), F(dir.file("root/metadata.xml")));
    EXPECT_EQ(list.GetAbsoluteDirectoryPath(D("art")), D(dir.file("art")));
    EXPECT_TRUE(list.Verify());
    EXPECT_TRUE(list.AddRelativeFilePath(F("not-there.txt")));
    EXPECT_FALSE(list.Verify());
}

TEST_F(FileListTest, RecursivelyAddDirectoryContent)
{
    FileList other;
    other.SetRoot(D(dir.file("root")));
    EXPECT_TRUE(other.RecursivelyAddDirectoryContent(D(dir.file("art")), D("pics"), L"*.png"));
    EXPECT_EQ(other.GetAbsoluteFilePath(F("pics/sub/b.png")), F(dir.file("art/sub/b.png")));
    EXPECT_EQ(other.Files().size(), 2u);
    EXPECT_FALSE(other.RecursivelyAddDirectoryContent(D(dir.file("missing")), D("x"), L"*"));
    std::filesystem::create_directories(dir.file("root/inner"));
    EXPECT_FALSE(other.RecursivelyAddDirectoryContent(D(dir.file("root/inner")), D("x"), L"*"));
}

TEST_F(FileListTest, MoveToLocationRelocatesEverything)
{
    ASSERT_TRUE(list.MoveToLocation(D(dir.file("copy")), true));
    EXPECT_EQ(list.GetRoot(), D(dir.file("copy")));
    for (const char *f : {"copy/configuration.xml", "copy/images/logo.png", "copy/art/sub/b.png"})
        EXPECT_TRUE(TestEnv::Exists(dir.file(f))) << f;
    EXPECT_EQ(list.GetAbsoluteFilePath(F("images/logo.png")), F(dir.file("copy/images/logo.png")));
    EXPECT_FALSE(TestEnv::Exists(dir.file("extra/logo.png")));
    EXPECT_FALSE(TestEnv::Exists(dir.file("art")));
    EXPECT_FALSE(TestEnv::Exists(dir.file("root/metadata.xml")));
    EXPECT_TRUE(list.Uninstall());
    EXPECT_FALSE(TestEnv::Exists(dir.file("copy/art")));
    EXPECT_FALSE(TestEnv::Exists(dir.file("copy/configuration.xml")));
}

TEST_F(FileListTest, FailedMoveLeavesListAndFilesAsTheyWere)
{
    // A relative entry whose file is missing cannot be copied.
    ASSERT_TRUE(list.AddRelativeFilePath(F("gone.txt")));
    const FileList before = list;
    EXPECT_FALSE(list.MoveToLocation(D(dir.file("copy")), true));
    EXPECT_EQ(list.GetRoot(), before.GetRoot());
    EXPECT_EQ(list.Files(), before.Files());
    EXPECT_EQ(list.Directories(), before.Directories());
    EXPECT_TRUE(TestEnv::Exists(dir.file("extra/logo.png")));
    EXPECT_TRUE(TestEnv::Exists(dir.file("root/configuration.xml")));
}

TEST_F(FileListTest, MoveWhoseVerificationFailsRollsBackAndKeepsTheOldFiles)
{
    // Every copy succeeds; then a copied file and a copied folder vanish before verification.
    FileList::SetAfterCopyHookForTesting([](const CKeldaDirectoryPath &target) {
        std::error_code error;
        std::filesystem::remove(target.CreateFilePath(L"images/logo.png").GetFilePathStringA_UTF8(), error);
        std::filesystem::remove_all(target.CreateFilePath(L"art").GetFilePathStringA_UTF8(), error);
    });
    const FileList before = list;
    const bool moved = list.MoveToLocation(D(dir.file("copy")), true);
    FileList::SetAfterCopyHookForTesting(nullptr);
    EXPECT_FALSE(moved);
    EXPECT_TRUE(TestEnv::Exists(dir.file("copy/configuration.xml"))); // the copy itself had succeeded
    EXPECT_EQ(list.GetRoot(), before.GetRoot());
    EXPECT_EQ(list.Files(), before.Files());
    EXPECT_EQ(list.Directories(), before.Directories());
    EXPECT_EQ(list.GetAbsoluteFilePath(F("images/logo.png")), F(dir.file("extra/logo.png")));
    for (const char *f : {"root/configuration.xml", "root/metadata.xml", "extra/logo.png", "art/sub/b.png"})
        EXPECT_TRUE(TestEnv::Exists(dir.file(f))) << f;
    EXPECT_TRUE(list.Verify());
}

TEST_F(FileListTest, MoveOntoTheSameFilesKeepsThem)
{
    // The same folder under another spelling: the copies are the originals, and nothing may be deleted.
    const std::string alias = dir.file("alias");
    ASSERT_EQ(::symlink(dir.file("root").c_str(), alias.c_str()), 0);
    FileList local;
    local.SetRoot(D(dir.file("root")));
    local.AddRelativeFilePath(F("configuration.xml"));
    ASSERT_TRUE(local.MoveToLocation(D(alias), true));
    EXPECT_EQ(TestEnv::ReadFile(dir.file("root/configuration.xml")), "root/configuration.xml");
}
