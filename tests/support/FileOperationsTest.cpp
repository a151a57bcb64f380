// File and directory operations, the primitive layer and the temporary locations.
#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"
#include "support/FilePlatform.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

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

mode_t Mode(const std::string &path)
{
    struct stat st {
    };
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Every name in the folder, dot names included: a failed copy must leave no temporary file behind.
std::vector<std::string> AllNames(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Whether the whole text matches the pattern.
bool Matches(const std::string &text, const char *pattern)
{
    const QRegularExpression whole(QRegularExpression::anchoredPattern(QString::fromLatin1(pattern)));
    return whole.match(QString::fromStdString(text)).hasMatch();
}

} // namespace

TEST(FileOperations, DeleteFile)
{
    TestEnv::TempDir dir;
    EXPECT_TRUE(CFileManipulator::DeleteFile(F(dir.file("missing"))));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("ro"), "x"));
    ::chmod(dir.file("ro").c_str(), 0444);
    EXPECT_FALSE(CFileManipulator::DeleteFile(F(dir.file("ro")), true, false));
    EXPECT_TRUE(TestEnv::Exists(dir.file("ro")));
    EXPECT_TRUE(CFileManipulator::DeleteFile(F(dir.file("ro"))));
    EXPECT_FALSE(TestEnv::Exists(dir.file("ro")));
    // A dangling link is a name that exists; deleting it removes the link.
    ASSERT_EQ(::symlink("nowhere", dir.file("dangling").c_str()), 0);
    EXPECT_TRUE(CFileManipulator::DeleteFile(F(dir.file("dangling"))));
    EXPECT_TRUE(AllNames(dir.path()).empty());
}

TEST(FileOperations, CopyFile)
{
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("src"), std::string(5000, 'a')));
    ::chmod(dir.file("src").c_str(), 0640);
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("old"), "old"));

    EXPECT_FALSE(CFileManipulator::CopyFileTo(F(dir.file("src")), F(dir.file("old")), true));
    EXPECT_EQ(TestEnv::ReadFile(dir.file("old")), "old");
    EXPECT_FALSE(CFileManipulator::CopyFileTo(F(dir.file("src")), F(dir.file("src")), false));
    EXPECT_EQ(TestEnv::ReadFile(dir.file("src")).size(), 5000u);

    EXPECT_TRUE(CFileManipulator::CopyFileTo(F(dir.file("src")), F(dir.file("old")), false));
    EXPECT_EQ(TestEnv::ReadFile(dir.file("old")), std::string(5000, 'a'));
    EXPECT_EQ(Mode(dir.file("old")), 0640u);
    EXPECT_TRUE(CFileManipulator::CopyFileTo(F(dir.file("src")), D(dir.file("sub")), false) == false); // no folder
    fs::create_directories(dir.file("sub"));
    EXPECT_TRUE(CFileManipulator::CopyFileTo(F(dir.file("src")), D(dir.file("sub")), true));
    EXPECT_TRUE(TestEnv::Exists(dir.file("sub/src")));

    // Failed copies leave the old target as it was and no partial or temporary file.
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("keep"), "keep"));
    EXPECT_FALSE(CFileManipulator::CopyFileTo(F(dir.path() + "/sub"), F(dir.file("keep")), false)); // a folder
    EXPECT_FALSE(CFileManipulator::CopyFileTo(F(dir.file("missing")), F(dir.file("keep")), false));
    EXPECT_FALSE(CFileManipulator::CopyFileTo(F(dir.file("missing")), F(dir.file("new")), false));
    EXPECT_EQ(TestEnv::ReadFile(dir.file("keep")), "keep");
    EXPECT_EQ(AllNames(dir.path()), (std::vector<std::string>{"keep", "old", "src", "sub"}));
}

TEST(FileOperations, MoveFile)
{
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("a"), "content"));
    EXPECT_TRUE(CFileManipulator::MoveFileTo(F(dir.file("a")), F(dir.file("a"))));
    EXPECT_TRUE(CFileManipulator::MoveFileTo(F(dir.file("a")), F(dir.file("b"))));
    EXPECT_FALSE(TestEnv::Exists(dir.file("a")));
    EXPECT_EQ(TestEnv::ReadFile(dir.file("b")), "content");
    EXPECT_FALSE(CFileManipulator::MoveFileTo(F(dir.file("a")), F(dir.file("c"))));

    // Across file systems: copy, then the source goes.
    struct stat here {
    }, shm{};
    if (::stat(dir.path().c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    char other[] = "/dev/shm/trove-move-XXXXXX";
    ASSERT_NE(::mkdtemp(other), nullptr);
    const std::string target = std::string(other) + "/b";
    EXPECT_TRUE(CFileManipulator::MoveFileTo(F(dir.file("b")), F(target)));
    EXPECT_FALSE(TestEnv::Exists(dir.file("b")));
    EXPECT_EQ(TestEnv::ReadFile(target), "content");
    TestEnv::RemoveAll(other);
}

TEST(FileOperations, Attributes)
{
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("f"), "x"));
    fs::create_directories(dir.file("d"));
    using namespace FilePlatform;
    const struct {
        const char *name;
        mode_t mode;
        uint32_t attributes;
    } cases[] = {{"f", 0644, 128}, {"f", 0444, 1}, {"f", 0400, 1}, {"f", 0602, 128}, {"d", 0755, 16}, {"d", 0555, 17}};
    for (const auto &c : cases) {
        ::chmod(dir.file(c.name).c_str(), c.mode);
        EXPECT_EQ(GetFileAttributes(Text::FromUtf8(dir.file(c.name))), c.attributes) << c.name << " " << c.mode;
    }
    EXPECT_EQ(GetFileAttributes(Text::FromUtf8(dir.file("missing"))), INVALID_FILE_ATTRIBUTES);

    const std::wstring f = Text::FromUtf8(dir.file("f"));
    ::chmod(dir.file("f").c_str(), 0444);
    EXPECT_TRUE(SetFileAttributes(f, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(Mode(dir.file("f")), 0664u);
    EXPECT_TRUE(SetFileAttributes(f, FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Mode(dir.file("f")), 0444u);
    EXPECT_TRUE(SetFileAttributes(f, 16)); // nothing to do
    EXPECT_EQ(Mode(dir.file("f")), 0444u);
}

TEST(DirectoryOperations, CreateAndRemove)
{
    TestEnv::TempDir dir;
    EXPECT_TRUE(CDirectoryManipulator::CreateDirectory(D(dir.file("a/b/c"))));
    EXPECT_TRUE(fs::is_directory(dir.file("a/b/c")));
    EXPECT_TRUE(CDirectoryManipulator::CreateDirectory(D(dir.file("a/b/c"))));
    EXPECT_TRUE(CDirectoryManipulator::RemoveDirectory(D(dir.file("missing"))));
    EXPECT_FALSE(CDirectoryManipulator::RemoveDirectory(D(dir.file("a"))));

    for (const char *f : {"a/1.xml", "a/2.txt", "a/b/3.xml", "a/b/c/4.xml"})
        ASSERT_TRUE(TestEnv::WriteFile(dir.file(f), "x"));
    EXPECT_TRUE(CDirectoryManipulator::RemoveFilesFromDirectory(D(dir.file("a")), L"*.xml"));
    EXPECT_FALSE(TestEnv::Exists(dir.file("a/1.xml")));
    EXPECT_TRUE(TestEnv::Exists(dir.file("a/2.txt")));
    EXPECT_TRUE(TestEnv::Exists(dir.file("a/b/3.xml")));

    // A link to a folder outside is removed as a link; the folder it names keeps its files.
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("outside/precious"), "x"));
    ASSERT_EQ(::symlink(dir.file("outside").c_str(), dir.file("a/b/link").c_str()), 0);
    EXPECT_TRUE(CDirectoryManipulator::RemoveDirectoryAndContents(D(dir.file("a"))));
    EXPECT_FALSE(TestEnv::Exists(dir.file("a")));
    EXPECT_TRUE(TestEnv::Exists(dir.file("outside/precious")));

    // Dot names are never listed, so their folder stays and the result says so.
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("h/sub/.keep"), "x"));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("h/file"), "x"));
    EXPECT_FALSE(CDirectoryManipulator::RemoveDirectoryAndContents(D(dir.file("h"))));
    EXPECT_TRUE(TestEnv::Exists(dir.file("h/sub/.keep")));
    EXPECT_FALSE(TestEnv::Exists(dir.file("h/file")));
}

TEST(DirectoryOperations, RecursivelyCopyDirectory)
{
    TestEnv::TempDir dir;
    EXPECT_EQ(CDirectoryManipulator::RecursivelyCopyDirectory(D(dir.file("missing")), D(dir.file("t")), false), E_FAIL);
    for (const char *f : {"s/1", "s/x/2", "s/x/y/3"})
        ASSERT_TRUE(TestEnv::WriteFile(dir.file(f), f));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("blocker"), "a file where the target folder should go"));
    EXPECT_EQ(CDirectoryManipulator::RecursivelyCopyDirectory(D(dir.file("s")), D(dir.file("blocker/t")), false),
              E_FAIL);
    EXPECT_EQ(CDirectoryManipulator::RecursivelyCopyDirectory(D(dir.file("s")), D(dir.file("t")), false), S_OK);
    EXPECT_EQ(TestEnv::ReadFile(dir.file("t/x/y/3")), "s/x/y/3");
    EXPECT_TRUE(TestEnv::Exists(dir.file("s/x/y/3")));

    EXPECT_EQ(CDirectoryManipulator::RecursivelyCopyDirectory(D(dir.file("s")), D(dir.file("m")), true), S_OK);
    EXPECT_EQ(TestEnv::ReadFile(dir.file("m/x/2")), "s/x/2");
    EXPECT_FALSE(TestEnv::Exists(dir.file("s/x/2")));
    EXPECT_TRUE(fs::is_directory(dir.file("s/x/y"))); // folders stay, emptied

    // A target inside the source ends instead of copying itself forever.
    EXPECT_EQ(CDirectoryManipulator::RecursivelyCopyDirectory(D(dir.file("t")), D(dir.file("t/inner")), false), S_OK);
    EXPECT_TRUE(TestEnv::Exists(dir.file("t/inner/x/y/3")));
    EXPECT_FALSE(TestEnv::Exists(dir.file("t/inner/inner")));
}

TEST(TempLocations, PerUserDirectoryAndNames)
{
    const std::string tmp = TestEnv::SysRoot() + "/tmp";
    const CAtlString first = FilePlatform::GetTempPath();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.back(), L'/');
    const std::string userDir = Text::ToUtf8(first.substr(0, first.size() - 1));
    EXPECT_EQ(Text::ToUtf8(first).rfind(tmp + "/", 0), 0u);
    EXPECT_EQ(Mode(userDir), 0700u);
    EXPECT_EQ(CKeldaDirectoryPath::GetTempDirectoryPath().GetDirectoryPathString() + L"/", first);

    CKeldaDirectoryPath::SetStudentEdition(true);
    EXPECT_EQ(CKeldaDirectoryPath::GetVellumTempDirectoryPath().GetDirectoryPathString(),
              first + L"Kelda Labs/Kelda Vellum SE");
    CKeldaDirectoryPath::SetStudentEdition(false);

    // Temporary files are made at once, privately; names never repeat and cannot be foreseen: the
    // prefix, "-", six random characters and the extension.
    const CKeldaFilePath a = CKeldaFilePath::CreateTempFileName(L".xml");
    const CKeldaFilePath b = CKeldaFilePath::CreateTempFileName(L".xml");
    ASSERT_FALSE(a.IsEmptyPath());
    EXPECT_NE(a, b);
    EXPECT_TRUE(Text::StartsWith(a.GetFileName(), L"VLM-")) << a.GetFilePathStringA();
    EXPECT_EQ(Mode(a.GetFilePathStringA()), 0600u);
    const CKeldaFilePath named = CKeldaFilePath::CreateTempFileName(L".txt", L"fixed");
    EXPECT_TRUE(Matches(named.GetFilePathStringA(), ".*/fixed-[A-Za-z0-9]{6}\\.txt")) << named.GetFilePathStringA();
    EXPECT_NE(CKeldaFilePath::CreateTempFileName(L".txt", L"fixed"), named);

    // Temporary folders the same way, even in a folder where someone took the plain names first.
    const CKeldaDirectoryPath shared = CKeldaDirectoryPath::FromUtf8(tmp + "/shared");
    ASSERT_TRUE(TestEnv::WriteFile(tmp + "/shared/TroveConfiguration", "taken"));
    ASSERT_TRUE(TestEnv::WriteFile(tmp + "/shared/TroveConfiguration1", "taken"));
    const CKeldaDirectoryPath made = CKeldaDirectoryPath::CreateTempDirectory(shared, L"TroveConfiguration");
    const CKeldaDirectoryPath again = CKeldaDirectoryPath::CreateTempDirectory(shared, L"TroveConfiguration");
    ASSERT_FALSE(made.IsEmptyPath());
    EXPECT_TRUE(Matches(made.GetDirectoryPathStringA(), ".*/shared/TroveConfiguration-[A-Za-z0-9]{6}"))
        << made.GetDirectoryPathStringA();
    EXPECT_NE(made, again);
    EXPECT_EQ(Mode(made.GetDirectoryPathStringA()), 0700u);
    EXPECT_TRUE(CKeldaDirectoryPath::CreateTempDirectory(
                    CKeldaDirectoryPath::FromUtf8(tmp + "/shared/TroveConfiguration"), L"x")
                    .IsEmptyPath())
        << "a parent that is a file";

    CKeldaDirectoryPath unique;
    ASSERT_TRUE(CDirectoryManipulator::CreateUniqueSubDirectory(CKeldaDirectoryPath::GetTempDirectoryPath(), L"gallery",
                                                                unique));
    CKeldaDirectoryPath second;
    ASSERT_TRUE(CDirectoryManipulator::CreateUniqueSubDirectory(CKeldaDirectoryPath::GetTempDirectoryPath(), L"gallery",
                                                                second));
    EXPECT_EQ(unique.GetLastDirectoryName(), L"gallery");
    EXPECT_EQ(second.GetLastDirectoryName(), L"gallery1");
    EXPECT_EQ(Mode(second.GetDirectoryPathStringA()), 0700u);

    const CKeldaDirectoryPath own = CKeldaDirectoryPath::FromUtf8(tmp + "/own");
    CKeldaDirectoryPath::SetTempFileDirectoryPath(own);
    EXPECT_EQ(CKeldaDirectoryPath::GetKELDADirectoryPath().GetDirectoryPathString(),
              own.GetDirectoryPathString() + L"/Kelda Labs");
    EXPECT_EQ(CKeldaFilePath::CreateTempFileName(L".x", L"p").GetDirectoryPath(), own); // made when missing
    CKeldaDirectoryPath::SetTempFileDirectoryPath(CKeldaDirectoryPath());
}

TEST(TempLocations, HostileUserDirectoryIsRefused)
{
    // Someone else placed a link at the per-user name before us: it must not be used.
    const std::string tmp = TestEnv::SysRoot() + "/tmp";
    const CAtlString usual = FilePlatform::GetTempPath();
    const std::string userDir = Text::ToUtf8(usual.substr(0, usual.size() - 1));
    TestEnv::RemoveAll(userDir);
    TestEnv::TempDir elsewhere;
    ASSERT_EQ(::symlink(elsewhere.path().c_str(), userDir.c_str()), 0);

    const std::string chosen = Text::ToUtf8(FilePlatform::GetTempPath());
    EXPECT_NE(chosen, userDir + "/");
    EXPECT_EQ(chosen.rfind(userDir + "-", 0), 0u) << chosen;
    EXPECT_EQ(Mode(chosen.substr(0, chosen.size() - 1)), 0700u);
    ::unlink(userDir.c_str());
    EXPECT_EQ(Text::ToUtf8(FilePlatform::GetTempPath()), userDir + "/"); // back to normal once it is gone

    // The same for a real folder that belongs to another user (only root can make one).
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to hand a folder to another user";
    ASSERT_EQ(::chown(userDir.c_str(), 12345, 12345), 0);
    const std::string instead = Text::ToUtf8(FilePlatform::GetTempPath());
    EXPECT_EQ(instead.rfind(userDir + "-", 0), 0u) << instead;
    ::chown(userDir.c_str(), ::geteuid(), ::getegid());
}
