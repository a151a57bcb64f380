// Path values: normalisation, name parts, prefix rules, listings and the file checksum.
#include "support/FileChecksum.h"
#include "support/KeldaPath.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

namespace
{

std::wstring W(const std::string &utf8)
{
    return Text::FromUtf8(utf8);
}

std::vector<std::wstring> Strings(const std::vector<CKeldaFilePath> &paths)
{
    std::vector<std::wstring> out;
    for (const auto &p : paths)
        out.push_back(p.GetFilePathString());
    return out;
}

std::vector<std::wstring> Names(const std::vector<CKeldaDirectoryPath> &paths)
{
    std::vector<std::wstring> out;
    for (const auto &p : paths)
        out.push_back(p.GetLastDirectoryName());
    return out;
}

} // namespace

TEST(KeldaPath, Normalisation)
{
    const struct {
        const wchar_t *in, *out;
    } cases[] = {
        {L"C:\\a\\b\\", L"C:/a/b"},       {L"/", L""}, {L"/x//", L"/x/"}, {L"a/./../b", L"a/./../b"},
        {L"Mixed\\Case/", L"Mixed/Case"}, {L"", L""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(CKeldaFilePath(c.in).GetFilePathString(), c.out) << c.in;
        EXPECT_EQ(CKeldaDirectoryPath(c.in).GetDirectoryPathString(), c.out) << c.in;
    }
    CKeldaDirectoryPath d(L"/base");
    d.AddDirectoryToPath(L"sub\\");
    EXPECT_EQ(d.GetDirectoryPathString(), L"/base/sub");
    d.AddDirectoryToPath(L"");
    EXPECT_EQ(d.GetDirectoryPathString(), L"/base/sub");
    EXPECT_EQ(d.CreateFilePath(L"f.xml").GetFilePathString(), L"/base/sub/f.xml");
    EXPECT_TRUE(CKeldaDirectoryPath(L"/").IsEmptyPath());
}

TEST(KeldaPath, NameParts)
{
    const struct {
        const wchar_t *path, *name, *extension, *base, *directory;
    } cases[] = {
        {L"/g/my.folder/README", L"README", L"", L"README", L"/g/my.folder"},
        {L"/g/archive.tar.gz", L"archive.tar.gz", L".gz", L"archive.tar", L"/g"},
        {L"plain", L"plain", L"", L"plain", L""},
        {L"/g/.hidden", L".hidden", L".hidden", L"", L"/g"},
    };
    for (const auto &c : cases) {
        const CKeldaFilePath p(c.path);
        EXPECT_EQ(p.GetFileName(), c.name) << c.path;
        EXPECT_EQ(p.GetFileExtension(), c.extension) << c.path;
        EXPECT_EQ(p.GetBaseFileName(), c.base) << c.path;
        EXPECT_EQ(p.GetDirectoryPath().GetDirectoryPathString(), c.directory) << c.path;
    }
    CKeldaDirectoryPath d(L"/a/b");
    EXPECT_EQ(d.GetLastDirectoryName(), L"b");
    EXPECT_TRUE(d.RemoveLastSubdirectoryFromPath());
    EXPECT_EQ(d.GetDirectoryPathString(), L"/a");
    CKeldaDirectoryPath noSlash(L"rel");
    EXPECT_FALSE(noSlash.RemoveLastSubdirectoryFromPath());
    EXPECT_EQ(noSlash.GetDirectoryPathString(), L"rel");
    EXPECT_EQ(CKeldaDirectoryPath(L"/x//").GetLastDirectoryName(), L"x");
    EXPECT_EQ(CKeldaFilePath::MakeNameLegal(L"a<b>c:d\"e/f\\g|h?i*j"), L"abcdefghij");
}

TEST(KeldaPath, EqualityAndSubdirectories)
{
    EXPECT_TRUE(CKeldaFilePath(L"/A/\u00C9.xml").IsEqualPath(CKeldaFilePath(L"/a/\u00e9.XML")));
    EXPECT_NE(CKeldaFilePath(L"/A"), CKeldaFilePath(L"/a")); // map keys stay exact

    const CKeldaDirectoryPath galleries(L"/opt/Galleries");
    const struct {
        const wchar_t *path;
        bool expected;
    } cases[] = {
        {L"/opt/Galleries/x", true}, {L"/opt/Galleries2", true}, // text prefix, not components
        {L"/OPT/galleries", true},   {L"/opt/Galleries", true},  {L"/opt/Gal", false}, {L"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CKeldaDirectoryPath(c.path).IsSubdirectoryOf(galleries), c.expected) << c.path;
    EXPECT_FALSE(galleries.IsSubdirectoryOf(CKeldaDirectoryPath()));
}

TEST(KeldaPath, FileQueries)
{
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("f.bin"), "12345"));
    const CKeldaFilePath file = CKeldaFilePath::FromUtf8(dir.file("f.bin"));
    EXPECT_TRUE(file.FileExists());
    EXPECT_FALSE(file.IsDirectory());
    EXPECT_EQ(file.GetFileSize(), 5);
    EXPECT_EQ(CKeldaFilePath::FromUtf8(dir.path()).GetFileSize(), -1);
    EXPECT_EQ(CKeldaFilePath::FromUtf8(dir.file("missing")).GetFileSize(), -1);
    EXPECT_FALSE(CKeldaFilePath().FileExists());
    EXPECT_TRUE(CKeldaFilePath::FromUtf8(dir.file("missing")).CanFileBeWrittenTo());
    std::filesystem::permissions(dir.file("f.bin"), std::filesystem::perms::owner_read);
    EXPECT_FALSE(file.CanFileBeWrittenTo()); // a bit test, so it holds for root too
    // A lone surrogate cannot name a file; it must not be folded onto some other name.
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("\xEF\xBF\xBD"), "x"));
    EXPECT_FALSE(CKeldaFilePath(W(dir.path()) + L"/\xD800").FileExists());
}

TEST(KeldaPath, Checksum)
{
    TestEnv::TempDir dir;
    const struct {
        std::string content;
        uint32_t crc;
    } cases[] = {{"", 0}, {"abc", 0x2C17398Cu}, {"123456789", 0x89A1897Fu}};
    for (const auto &c : cases) {
        EXPECT_EQ(FileChecksum::Update(0, c.content.data(), c.content.size()), c.crc);
        ASSERT_TRUE(TestEnv::WriteFile(dir.file("c"), c.content));
        EXPECT_EQ(CKeldaFilePath::FromUtf8(dir.file("c")).GetFileChecksum(), c.crc) << c.content;
    }
    EXPECT_EQ(CKeldaFilePath::FromUtf8(dir.file("missing")).GetFileChecksum(), 0u);
}

TEST(KeldaPath, Listings)
{
    TestEnv::TempDir dir;
    for (const char *f : {"a.xml", "b.XML", "c.txt", ".hidden.xml", "sub/zeta/inner.xml"})
        ASSERT_TRUE(TestEnv::WriteFile(dir.file(f), "x"));
    for (const char *d : {"sub/Alpha/deep", "sub/beta", ".git"})
        std::filesystem::create_directories(dir.file(d));
    const CKeldaDirectoryPath root = CKeldaDirectoryPath::FromUtf8(dir.path());

    std::vector<CKeldaFilePath> files;
    root.FindFilesInDirectory(L"*.xml", files); // case-sensitive, dot names skipped
    EXPECT_EQ(Strings(files), std::vector<std::wstring>{W(dir.file("a.xml"))});
    files.clear();
    root.FindFilesInDirectory(L"[ab].*", files);
    EXPECT_EQ(files.size(), 2u);
    files.clear();
    CKeldaDirectoryPath::FromUtf8(dir.file("missing")).FindFilesInDirectory(L"*", files);
    EXPECT_TRUE(files.empty());

    std::vector<CKeldaDirectoryPath> dirs;
    root.ListSubDirectories(L"*", dirs, false);
    EXPECT_EQ(Names(dirs), std::vector<std::wstring>{L"sub"});
    dirs.clear();
    // Recursion enters "sub" although it does not match; ordinal order puts capitals first.
    root.ListSubDirectories(L"*[ae]*", dirs, true);
    EXPECT_EQ(Names(dirs), (std::vector<std::wstring>{L"Alpha", L"beta", L"deep", L"zeta"}));

    // A link loop is listed but not followed.
    ASSERT_EQ(::symlink(dir.path().c_str(), dir.file("sub/beta/loop").c_str()), 0);
    dirs.clear();
    root.ListSubDirectories(L"*", dirs, true);
    EXPECT_EQ(Names(dirs), (std::vector<std::wstring>{L"Alpha", L"beta", L"deep", L"loop", L"sub", L"zeta"}));
}

TEST(KeldaPath, UniqueNames)
{
    TestEnv::TempDir dir;
    const CKeldaDirectoryPath root = CKeldaDirectoryPath::FromUtf8(dir.path());
    EXPECT_EQ(CKeldaDirectoryPath::CreateUniqueSubDirectoryPath(root, L"gallery").GetLastDirectoryName(), L"gallery");
    std::filesystem::create_directories(dir.file("gallery"));
    std::filesystem::create_directories(dir.file("gallery1"));
    EXPECT_EQ(CKeldaDirectoryPath::CreateUniqueSubDirectoryPath(root, L"gallery").GetLastDirectoryName(), L"gallery2");

    EXPECT_EQ(root.CreateTempFileNameInDirectory(L"t", L".xml").GetFileName(), L"t.xml");
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("t.xml"), ""));
    const CAtlString next = root.CreateTempFileNameInDirectory(L"t", L".xml").GetFileName();
    EXPECT_TRUE(Text::StartsWith(next, L"t(") && Text::EndsWith(next, L").xml")) << Text::ToUtf8(next);
    EXPECT_FALSE(TestEnv::Exists(dir.file(Text::ToUtf8(next)))); // names only
    EXPECT_EQ(CKeldaDirectoryPath::CreateUniqueFilePath(root, L"t", L".xml").GetFileName(), L"t1.xml");
}
