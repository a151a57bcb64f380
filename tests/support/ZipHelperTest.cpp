// ZIP access: zipping a folder, unpacking (with refused and damaged entries), replacing one entry,
// reading one into memory, and entry-name decoding by code page.
#include "support/GalleryZipArchiveOEMCPHelper.h"
#include "support/VellumZipArchiveOEMCPHelper.h"
#include "support/ZipCodePage.h"
#include "support/ZipHelper.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include <sys/stat.h>

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

// Every file below dir (relative path -> content), links and folders left out.
std::map<std::string, std::string> Tree(const std::string &dir)
{
    std::map<std::string, std::string> files;
    if (!fs::exists(dir)) return files;
    for (const auto &e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) files[fs::relative(e.path(), dir).string()] = TestEnv::ReadFile(e.path().string());
    return files;
}

struct RawEntry {
    std::string name;
    zip_uint16_t method;
    bool utf8Flag;
};

// The entries as stored, read straight through libzip.
std::vector<RawEntry> RawEntries(const std::string &archive)
{
    std::vector<RawEntry> entries;
    int error = 0;
    zip_t *z = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    if (!z) return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &st);
        const char *strict = zip_get_name(z, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_STRICT);
        entries.push_back({st.name, st.comp_method, strict && std::string(strict) == st.name});
    }
    zip_discard(z);
    return entries;
}

// Builds an archive entry by entry; names are stored as the given bytes. Optional Unix mode per entry.
struct Entry {
    std::string name, content;
    mode_t mode = 0;
    bool stored = false;
};

bool MakeArchive(const std::string &path, const std::vector<Entry> &entries)
{
    int error = 0;
    zip_t *z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) return false;
    for (const Entry &e : entries) {
        zip_source_t *src = zip_source_buffer(z, e.content.data(), e.content.size(), 0);
        const zip_int64_t index = zip_file_add(z, e.name.c_str(), src, ZIP_FL_ENC_RAW);
        if (index < 0) return zip_discard(z), false;
        if (e.stored) zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        if (e.mode)
            zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                             zip_uint32_t(e.mode) << 16);
    }
    return zip_close(z) == 0;
}

std::string Sample(const std::string &name)
{
    return TestEnv::SamplesDir("zip") + "/" + name;
}

} // namespace

TEST(ZipHelper, ZipFolderAndUnzipRoundTrip)
{
    TestEnv::TempDir dir;
    const std::string src = dir.file("src");
    ASSERT_TRUE(TestEnv::WriteFile(src + "/imsmanifest.xml", "<manifest/>"));
    ASSERT_TRUE(TestEnv::WriteFile(src + "/Images/b/deep.png", std::string(100000, 'z')));
    ASSERT_TRUE(TestEnv::WriteFile(src + "/Images/e\xCC\x81t\xC3\xA9.png", "decomposed")); // e + combining acute
    ASSERT_TRUE(TestEnv::WriteFile(src + "/.DS_Store", "hidden"));
    fs::create_directories(src + "/empty");
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("a.gallery"), "old archive that gets replaced"));

    ASSERT_TRUE(CZipHelper::ZipFolderToFile(D(src), F(dir.file("a.gallery"))));
    std::vector<std::string> names;
    for (const RawEntry &e : RawEntries(dir.file("a.gallery"))) {
        names.push_back(e.name);
        EXPECT_EQ(e.method, ZIP_CM_DEFLATE) << e.name;
        EXPECT_TRUE(e.utf8Flag) << e.name;
    }
    std::sort(names.begin(), names.end());
    // No folder entries, no dot files, names in NFC.
    EXPECT_EQ(names,
              (std::vector<std::string>{"Images/b/deep.png", "Images/\xC3\xA9t\xC3\xA9.png", "imsmanifest.xml"}));

    ASSERT_TRUE(CZipHelper::UnzipToFolder(F(dir.file("a.gallery")), D(dir.file("out"))));
    const auto tree = Tree(dir.file("out"));
    EXPECT_EQ(tree.size(), 3u);
    EXPECT_EQ(tree.at("Images/b/deep.png"), std::string(100000, 'z'));
    EXPECT_FALSE(fs::exists(dir.file("out/empty")));

    EXPECT_FALSE(CZipHelper::ZipFolderToFile(D(dir.file("missing")), F(dir.file("b.zip"))));
    EXPECT_FALSE(fs::exists(dir.file("b.zip")));

    // A folder without files (only dot files and folders) makes a valid empty archive, also in place of
    // an existing one.
    for (const bool existing : {false, true}) {
        if (existing) {
            ASSERT_TRUE(TestEnv::WriteFile(dir.file("c.zip"), "old archive that gets replaced"));
        }
        ASSERT_TRUE(CZipHelper::ZipFolderToFile(D(src + "/empty"), F(dir.file("c.zip")))) << existing;
        EXPECT_TRUE(RawEntries(dir.file("c.zip")).empty()) << existing;
        ASSERT_TRUE(CZipHelper::UnzipToFolder(F(dir.file("c.zip")), D(dir.file("out-empty")))) << existing;
        EXPECT_TRUE(Tree(dir.file("out-empty")).empty()) << existing;
    }
}

TEST(ZipHelper, UnzipToMemoryMatchesTopLevelNamesWithoutCase)
{
    TestEnv::TempDir dir;
    const std::string archive = dir.file("g.zip");
    ASSERT_TRUE(MakeArchive(archive, {{"sub/imsmanifest.xml", "nested"}, {"IMSMANIFEST.XML", "top"}}));
    std::vector<char> data;
    ASSERT_TRUE(CZipHelper::UnzipToMemory(F(archive), L"imsmanifest.xml", data));
    EXPECT_EQ(std::string(data.begin(), data.end()), "top");

    ASSERT_TRUE(MakeArchive(archive, {{"sub/imsmanifest.xml", "nested"}}));
    EXPECT_FALSE(CZipHelper::UnzipToMemory(F(archive), L"imsmanifest.xml", data));
    EXPECT_TRUE(data.empty());

    char *raw = reinterpret_cast<char *>(1);
    size_t size = 7;
    ASSERT_TRUE(CZipHelper::UnzipToMemory(F(archive), L"SUB/imsmanifest.xml", raw, size));
    EXPECT_EQ(std::string(raw, size), "nested");
    delete[] raw;
    EXPECT_FALSE(CZipHelper::UnzipToMemory(F(dir.file("missing.zip")), L"x", raw, size));
    EXPECT_EQ(raw, nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(ZipHelper, ReplaceFileInArchive)
{
    TestEnv::TempDir dir;
    const std::string archive = dir.file("g.zip");
    ASSERT_TRUE(MakeArchive(archive, {{"imsmanifest.xml", "old"}, {"Imsmanifest.xml", "other case"}, {"keep", "k"}}));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("new.xml"), "new"));

    ASSERT_TRUE(CZipHelper::ReplaceFileInArchive(F(archive), L"imsmanifest.xml", F(dir.file("new.xml"))));
    ASSERT_TRUE(CZipHelper::ReplaceFileInArchive(F(archive), L"added/one.xml", F(dir.file("new.xml"))));
    ASSERT_TRUE(CZipHelper::UnzipToFolder(F(archive), D(dir.file("out"))));
    const auto tree = Tree(dir.file("out"));
    EXPECT_EQ(
        tree,
        (std::map<std::string, std::string>{
            {"imsmanifest.xml", "new"}, {"Imsmanifest.xml", "other case"}, {"keep", "k"}, {"added/one.xml", "new"}}));
    EXPECT_EQ(RawEntries(archive).size(), 4u);

    // A missing source file or archive changes nothing.
    const std::string before = TestEnv::ReadFile(archive);
    EXPECT_FALSE(CZipHelper::ReplaceFileInArchive(F(archive), L"keep", F(dir.file("missing"))));
    EXPECT_EQ(TestEnv::ReadFile(archive), before);
    EXPECT_FALSE(CZipHelper::ReplaceFileInArchive(F(dir.file("none.zip")), L"keep", F(dir.file("new.xml"))));
    EXPECT_FALSE(fs::exists(dir.file("none.zip")));
}

TEST(ZipHelper, RefusedEntriesNeverLeaveTheTarget)
{
    TestEnv::TempDir dir;
    const std::string archive = dir.file("evil.zip");
    ASSERT_TRUE(MakeArchive(archive, {
                                         {"good.txt", "good"},
                                         {"../escape.txt", "x"},
                                         {"a/../../escape2.txt", "x"},
                                         {"/tmp/abs.txt", "x"},
                                         {"..\\back.txt", "x"},
                                         {"C:/drive.txt", "x"},
                                         {"dir//double.txt", "x"},
                                         {"link", "../outside", S_IFLNK | 0777},
                                         {"link/through.txt", "x"},
                                         {"sub/ok.txt", "ok"},
                                     }));
    const std::string out = dir.file("a/out");
    ASSERT_TRUE(CZipHelper::UnzipToFolder(F(archive), D(out)));
    // The link entry is never made, so the later name through it lands in a plain folder of ours.
    EXPECT_EQ(Tree(out), (std::map<std::string, std::string>{
                             {"good.txt", "good"}, {"link/through.txt", "x"}, {"sub/ok.txt", "ok"}}));
    EXPECT_FALSE(fs::is_symlink(out + "/link"));
    // The exact places the refused names point at.
    for (const std::string &p :
         {dir.file("a/escape.txt"), dir.file("escape2.txt"), dir.file("a/back.txt"),
          TestEnv::SysRoot() + "/tmp/abs.txt", std::string("/tmp/abs.txt"), dir.file("a/outside"), out + "/tmp/abs.txt",
          out + "/C:/drive.txt", out + "/dir/double.txt"})
        EXPECT_FALSE(fs::exists(fs::symlink_status(p))) << p;

    const struct {
        const wchar_t *name, *expected;
    } names[] = {{L"a/b.txt", L"a/b.txt"},
                 {L"a\\b.txt", L"a/b.txt"},
                 {L"./a", L""},
                 {L"a/./b", L""},
                 {L"a/", L""},
                 {L"..", L""},
                 {L"/a", L""},
                 {L"\\a", L""},
                 {L"c:x", L""},
                 {L"a/b:c", L"a/b:c"},
                 {L"", L""},
                 {L"..a/b..", L"..a/b.."}};
    for (const auto &n : names)
        EXPECT_EQ(CZipHelper::SafeRelativePath(n.name), n.expected) << Text::ToUtf8(n.name);
}

TEST(ZipHelper, DamagedEntryIsSkippedOthersExtracted)
{
    TestEnv::TempDir dir;
    const std::string archive = dir.file("damaged.zip");
    const std::string marker(64, 'M');
    ASSERT_TRUE(MakeArchive(archive, {{"first.txt", "one"}, {"bad.txt", marker, 0, true}, {"last.txt", "three"}}));
    std::string bytes = TestEnv::ReadFile(archive);
    const size_t at = bytes.find(marker);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 10] = 'X'; // stored data no longer matches its CRC
    ASSERT_TRUE(TestEnv::WriteFile(archive, bytes));

    ASSERT_TRUE(CZipHelper::UnzipToFolder(F(archive), D(dir.file("out"))));
    EXPECT_EQ(Tree(dir.file("out")), (std::map<std::string, std::string>{{"first.txt", "one"}, {"last.txt", "three"}}));
    std::vector<char> data;
    EXPECT_FALSE(CZipHelper::UnzipToMemory(F(archive), L"bad.txt", data));

    ASSERT_TRUE(TestEnv::WriteFile(dir.file("garbage.zip"), "PK\x03\x04 not really"));
    EXPECT_FALSE(CZipHelper::UnzipToFolder(F(dir.file("garbage.zip")), D(dir.file("out2"))));
    EXPECT_FALSE(CZipHelper::UnzipToFolder(F(dir.file("missing.zip")), D(dir.file("out2"))));
}

TEST(ZipHelper, SampleArchives)
{
    TROVE_SKIP_WITHOUT_SAMPLES("zip");
    TestEnv::TempDir dir;
    const struct {
        const char *archive;
        std::map<std::string, std::string> expected;
    } cases[] = {
        // A traversal entry beside a good one.
        {"zt-zip_zip-malicious-traversal.zip", {{"good.txt", ""}}},
        // One entry whose data fails its CRC.
        {"libzip_regress_incons-data.zip", {}},
        // Sizes in a data descriptor after the data.
        {"libzip_regress_streamed.zip", {{"-", ""}}},
    };
    for (const auto &c : cases) {
        const std::string out = dir.file(c.archive);
        ASSERT_TRUE(CZipHelper::UnzipToFolder(F(Sample(c.archive)), D(out))) << c.archive;
        auto tree = Tree(out);
        std::vector<std::string> names;
        for (const auto &f : tree)
            names.push_back(f.first);
        std::vector<std::string> expected;
        for (const auto &f : c.expected)
            expected.push_back(f.first);
        EXPECT_EQ(names, expected) << c.archive;
    }
    EXPECT_FALSE(fs::exists(dir.path() + "/home/evil.txt"));
    EXPECT_EQ(Tree(dir.file("libzip_regress_streamed.zip")).at("-").size(), 2u);

    // UTF-8 names without the UTF-8 flag, and a folder entry that is not recreated on its own.
    const std::string out = dir.file("pyslet");
    ASSERT_TRUE(CZipHelper::UnzipToFolder(F(Sample("pyslet_data_imscpv1p2_package_1.zip")), D(out)));
    EXPECT_TRUE(fs::exists(out + "/\xE8\x8B\xB1\xE5\x9B\xBD.xml"));
    EXPECT_TRUE(fs::exists(out + "/imsmanifest.xml"));
}

TEST(ZipCodePage, LanguageTableAndConversions)
{
    const struct {
        const char *language;
        unsigned codePage;
    } cases[] = {{"en", 850}, {"de_DE", 850}, {"JA", 932}, {"zh_CN", 936}, {"zh-tw", 950}, {"zh", 850},
                 {"fa", 720}, {"el", 737},    {"pl", 852}, {"ru_RU", 866}, {"uk", 866},    {"ko", 949},
                 {"tr", 857}, {"lv", 775},    {"he", 862}, {"th", 874},    {"xx", 850},    {"", 850}};
    for (const auto &c : cases)
        EXPECT_EQ(ZipPlatform::ISO639ToOEMCP(c.language), c.codePage) << c.language;

    CAtlString text;
    ASSERT_TRUE(ZipPlatform::OEMCPToWide("\xAF\xE0\xA8\xA2\xA5\xE2", 866, text));
    EXPECT_EQ(text, L"\u043f\u0440\u0438\u0432\u0435\u0442");
    ASSERT_TRUE(ZipPlatform::OEMCPToWide("\x82", 12345, text)); // unknown: as 850
    EXPECT_EQ(text, L"\u00e9");
    std::string bytes;
    ASSERT_TRUE(ZipPlatform::WideToOEMCP(L"\u043f\u0440\u0438", 866, bytes));
    EXPECT_EQ(bytes, "\xAF\xE0\xA8");

    EXPECT_TRUE(ZipPlatform::IsUtf8Name("plain/\xC3\xA9.png"));
    EXPECT_FALSE(ZipPlatform::IsUtf8Name("\xAF\xE0"));
    EXPECT_FALSE(ZipPlatform::IsUtf8Name("tab\there")); // not printable
    EXPECT_EQ(ZipPlatform::EncodeEntryName(L"e\u0301"), "\xC3\xA9");

    // Suggestions: separators folded, defaults first, table order after.
    const CAtlString known[] = {L"Images\\\u043f\u0440\u0438\u0432\u0435\u0442.png", L"\u00e9.png"};
    const std::string cyrillic = "Images//\xAF\xE0\xA8\xA2\xA5\xE2.png";
    EXPECT_EQ(ZipPlatform::SuggestOEMCP(cyrillic.data(), cyrillic.size(), known, 2, 850, 850), 866u);
    EXPECT_EQ(ZipPlatform::SuggestOEMCP("\x82.png", 5, known, 2, 850, 866), 850u);
    EXPECT_EQ(ZipPlatform::SuggestOEMCP("nothing", 7, known, 2, 850, 850), 850u);
}

TEST(ZipCodePage, LookupHookSwapsAndRestores)
{
    struct Counter {
        int calls = 0;
    } counter;
    ZipPlatform::OEMCPLookupProc proc = [](void *context, const char *, size_t, unsigned &codePage) {
        ++static_cast<Counter *>(context)->calls;
        codePage = 866;
    };
    void *context = &counter;
    ZipPlatform::SetOEMCPLookupProc(proc, context);
    EXPECT_EQ(proc, nullptr); // the default was in place
    EXPECT_EQ(ZipPlatform::DecodeEntryName("\xAF"), L"\u043f");
    EXPECT_EQ(ZipPlatform::DecodeEntryName("utf8 \xC3\xA9"), L"utf8 \u00e9"); // valid UTF-8 never asks
    EXPECT_EQ(counter.calls, 1);
    ZipPlatform::SetOEMCPLookupProc(proc, context); // put the default back
    EXPECT_NE(proc, nullptr);
    EXPECT_EQ(ZipPlatform::DecodeEntryName("\xAF"), L"\u00bb"); // 850
}

TEST(ZipCodePage, Cp866NamesFromAnotherTool)
{
    TROVE_SKIP_WITHOUT_SAMPLES("zip");
    TestEnv::TempDir dir;
    // Without any helper, names that are not UTF-8 decode as code page 850.
    ASSERT_TRUE(
        CZipHelper::UnzipToFolder(F(Sample("libarchive_test_read_format_zip_filename_cp866.zip")), D(dir.path())));
    EXPECT_TRUE(fs::exists(dir.file("\xC2\xBB\xC3\x93\xC2\xBF\xC3\xB3\xC3\x91\xC3\x94")))
        << "850 reading of the lower-case name";
}

TEST(ZipCodePage, ManifestChoosesTheCodePage)
{
    if (std::system("python3 -c pass >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not available";
    TestEnv::TempDir dir;
    const std::string archive = dir.file("ru.gallery");
    // Python's zipfile writes the entry; its name is then patched to raw code page 866 bytes (one byte
    // per letter, so every length field stays right) without the UTF-8 flag.
    const std::string script = dir.file("make.py");
    ASSERT_TRUE(TestEnv::WriteFile(script, R"(import sys, zipfile
manifest = '''<?xml version="1.0" encoding="UTF-8"?>
<manifest xmlns="http://www.imsglobal.org/xsd/imscp_v1p1" xmlns:x="urn:other" identifier="m">
 <organizations/>
 <resources>
  <resource identifier="r1" type="webcontent" href="Pictures/\u041f\u0440\u0438\u0432\u0435\u0442.png">
   <file href="Pictures/\u041f\u0440\u0438\u0432\u0435\u0442.png"/>
  </resource>
  <x:resource href="Pictures/XXXXXX.txt"/>
 </resources>
</manifest>'''
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('imsmanifest.xml', manifest.encode('utf-8'))
    z.writestr('Pictures/XXXXXX.png', b'picture')
data = open(sys.argv[1], 'rb').read()
data = data.replace(b'Pictures/XXXXXX.png', b'Pictures/' + '\u041f\u0440\u0438\u0432\u0435\u0442'.encode('cp866') + b'.png')
open(sys.argv[1], 'wb').write(data)
)"));
    ASSERT_EQ(std::system(("python3 '" + script + "' '" + archive + "'").c_str()), 0);
    const std::string cyrillic = "Pictures/\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.png";

    {
        const CVellumZipArchiveOEMCPHelper helper(F(archive));
        ASSERT_TRUE(helper.IsInstalled());
        EXPECT_EQ(helper.KnownNames().size(), 2u); // the foreign-namespace resource is not one of ours
        ASSERT_TRUE(CZipHelper::UnzipToFolder(F(archive), D(dir.file("with"))));
    }
    EXPECT_EQ(TestEnv::ReadFile(dir.file("with/" + cyrillic)), "picture");

    // The helper is gone: back to 850.
    ASSERT_TRUE(CZipHelper::UnzipToFolder(F(archive), D(dir.file("without"))));
    EXPECT_FALSE(fs::exists(dir.file("without/" + cyrillic)));
    EXPECT_EQ(Tree(dir.file("without")).size(), 2u);

    // The same through a registered provider and the gallery scope.
    CVellumZipArchiveOEMCPProvider provider;
    ASSERT_TRUE(CGalleryZipArchiveOEMCPHelper::RegisterHelper(&provider));
    {
        const CGalleryZipArchiveOEMCPHelper scope(F(archive));
        ASSERT_TRUE(CZipHelper::UnzipToFolder(F(archive), D(dir.file("scoped"))));
    }
    EXPECT_TRUE(CGalleryZipArchiveOEMCPHelper::UnregisterHelper(&provider));
    EXPECT_TRUE(fs::exists(dir.file("scoped/" + cyrillic)));
}

TEST(ZipCodePage, ProviderRegistration)
{
    struct Provider : IGalleryZipArchiveOEMCPHelper {
        std::vector<std::string> calls;
        void *BeginArchive(const CKeldaFilePath &archive) override
        {
            calls.push_back("begin " + archive.GetFilePathStringA());
            return this;
        }
        void EndArchive(void *token) override { calls.push_back(token == this ? "end" : "wrong token"); }
    } first, second;

    {
        const CGalleryZipArchiveOEMCPHelper nothing(F("/x.gallery"));
    } // no provider: nothing happens
    EXPECT_TRUE(CGalleryZipArchiveOEMCPHelper::RegisterHelper(&first));
    EXPECT_FALSE(CGalleryZipArchiveOEMCPHelper::RegisterHelper(&second)); // only the first counts
    {
        const CGalleryZipArchiveOEMCPHelper scope(F("/a.gallery"));
    }
    EXPECT_EQ(first.calls, (std::vector<std::string>{"begin /a.gallery", "end"}));
    EXPECT_TRUE(second.calls.empty());
    EXPECT_FALSE(CGalleryZipArchiveOEMCPHelper::UnregisterHelper(&second));
    EXPECT_TRUE(CGalleryZipArchiveOEMCPHelper::UnregisterHelper(&first));
    EXPECT_FALSE(CGalleryZipArchiveOEMCPHelper::UnregisterHelper(&first));
}
