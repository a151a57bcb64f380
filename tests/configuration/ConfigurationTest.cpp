// The gallery configuration: the three ways to load it, the refusals, registration with its key
// migration, and the local copy's install and uninstall.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSettings>

#include <filesystem>

#include <unistd.h>

#include <zip.h>

#include "common/TestEnv.h"
#include "support/ZipHelper.h"
#include "configuration/ConfigurationWrapper.h"
#include "configuration/Defaults.h"
#include "settings/Preferences.h"
#include "gallery/facade/Gallery.h"
#include "support/SysRoot.h"

namespace fs = std::filesystem;

namespace
{

const wchar_t *const kGuid = L"7D3F0C6A-52B1-4E0B-9C1E-2A6F3B1D8E41";

std::string SampleDir()
{
    return std::string(TROVE_SOURCE_DIR) + "/samples/configuration";
}

// Every file below a folder with its content, for before/after comparisons.
std::map<std::string, std::string> Snapshot(const std::string &folder)
{
    std::map<std::string, std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto &entry : fs::recursive_directory_iterator(folder))
        files[fs::relative(entry.path(), folder).string()] =
            entry.is_regular_file() ? TestEnv::ReadFile(entry.path().string()) : std::string("<dir>");
    return files;
}

std::string Replace(std::string text, const std::string &from, const std::string &to)
{
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class Configuration : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fs::copy(SampleDir(), m_dir.path() + "/conf", fs::copy_options::recursive);
        m_conf = m_dir.path() + "/conf";
    }
    void TearDown() override
    {
        CreateQSettings(PreferenceScopeMachine)->clear();
        fs::remove_all(SysRoot::Path(std::string("/opt")));
    }
    CKeldaDirectoryPath Dir() const { return CKeldaDirectoryPath::FromUtf8(m_conf); }
    void Edit(const std::string &file, const std::string &from, const std::string &to)
    {
        ASSERT_TRUE(TestEnv::WriteFile(m_conf + "/" + file, Replace(TestEnv::ReadFile(m_conf + "/" + file), from, to)));
    }
    std::string LocalCopy() const
    {
        return Text::ToUtf8(Defaults::GetConfigurationPath().GetDirectoryPathString()) +
               "/Trove Sample Publishers/Sample Science Gallery/" + Text::ToUtf8(kGuid);
    }

    TestEnv::TempDir m_dir;
    std::string m_conf;
};

void ExpectSampleLoaded(const ConfigurationWrapper &c)
{
    ASSERT_TRUE(c.IsLoaded());
    EXPECT_EQ(c.GetGuid(), kGuid);
    EXPECT_EQ(c.GetGalleryName(), L"Sample Science Gallery");
    EXPECT_EQ(c.GetTitle(), L"Sample Science Gallery Installer");
    EXPECT_EQ(c.GetOrganizationName(), L"Trove Sample Publishers");
    EXPECT_EQ(c.GetMetadataTitle(L"de"), L"Beispielgalerie Naturwissenschaften");
    EXPECT_EQ(c.GetMetadataTitle(L"it"), L"Sample Science Gallery"); // no Italian title: English
    EXPECT_EQ(c.GetRevision(), 3);
    const auto categories = c.GetCategories();
    ASSERT_EQ(categories.size(), 4u);
    EXPECT_EQ(categories.at(L"physics").guid, L"6B1E2F40-93C7-4A52-8D0E-5F7A1C2B3D04");
    EXPECT_EQ(c.GetStyleSheet().substr(0, 17), "#labelGalleryName");
    EXPECT_TRUE(c.GetLicense().startsWith(QStringLiteral("Sample Science Gallery licence")));
    EXPECT_TRUE(c.GetShowAboutText());
    EXPECT_FALSE(c.GetAboutText().contains(QStringLiteral("translate")));
    EXPECT_TRUE(c.GetShowDescriptionText());
    EXPECT_EQ(c.GetSplashScreenTextOffset(), QPoint(180, 40));
    EXPECT_FALSE(c.GetLogoPath().empty());
    EXPECT_EQ(c.GetDefaultSource(), L"http://127.0.0.1:8080/sample-gallery");
}

TEST_F(Configuration, DirectoryPackedFileAndRegistrationLoadTheSame)
{
    int callbacks = 0;
    ConfigurationWrapper fromDir;
    fromDir.SetLoadedCallback([&](const ConfigurationWrapper *w) {
        ++callbacks;
        EXPECT_EQ(w, &fromDir);
    });
    ASSERT_TRUE(fromDir.ReadFromDir(Dir()));
    ExpectSampleLoaded(fromDir);
    EXPECT_TRUE(fromDir.GetSource().IsEmptyPath());
    EXPECT_EQ(callbacks, 1);

    const std::string packed = m_dir.file("Sample.gallerycollection");
    ASSERT_TRUE(CZipHelper::ZipFolderToFile(Dir(), CKeldaFilePath::FromUtf8(packed)));
    std::string unpacked;
    {
        ConfigurationWrapper fromFile;
        ASSERT_TRUE(fromFile.ReadFromFile(CKeldaFilePath::FromUtf8(packed)));
        ExpectSampleLoaded(fromFile);
        EXPECT_EQ(Text::ToUtf8(fromFile.GetSource().GetDirectoryPathString()), m_dir.path());
        unpacked = Text::ToUtf8(fromFile.GetDirectory().GetDirectoryPathString());
        // "/tmp" is shared: the name is random, not one that someone could take first.
        EXPECT_EQ(unpacked.find(SysRoot::Path(std::string("/tmp/TroveConfiguration-"))), 0u) << unpacked;
        EXPECT_EQ(unpacked.size(), SysRoot::Path(std::string("/tmp/TroveConfiguration-XXXXXX")).size()) << unpacked;
        ASSERT_TRUE(fromFile.Install(false, false));
    }
    EXPECT_FALSE(TestEnv::Exists(unpacked)); // the unpack folder goes with the configuration

    ConfigurationWrapper registered;
    ASSERT_TRUE(registered.ReadFromPreferences(kGuid));
    ExpectSampleLoaded(registered);
    EXPECT_TRUE(registered.IsLocalCopy());
    EXPECT_EQ(Text::ToUtf8(registered.GetDirectory().GetDirectoryPathString()), LocalCopy());
    EXPECT_TRUE(registered.GetDestination().IsEqualPath(registered.GetDefaultDestination()));
    EXPECT_FALSE(ConfigurationWrapper().ReadFromPreferences(L"00000000-0000-0000-0000-000000000000"));
}

TEST_F(Configuration, RefusalsLeaveNothingLoaded)
{
    const struct {
        const char *name;
        const char *file;
        const char *from;
        const char *to;
        // Why, after the folder's path ("*" at the end: the rest may vary).
        const char *reason;
    } cases[] = {
        {"newer Version", "configuration.xml", "Version=\"1.0.0.0\"", "Version=\"1.0.0.1\"",
         "/configuration.xml: unsupported version 1.0.0.1"},
        // (Only the start tag is renamed, so the end tag no longer matches.)
        {"no Gallery", "configuration.xml", "<Gallery ", "<NoGallery ",
         "/configuration.xml: not well-formed at line 3"},
        {"no Application", "configuration.xml", "<Application>", "<Program>",
         "/configuration.xml: not well-formed at line *"},
        {"no Organization", "configuration.xml", "<Organization>", "<Publisher>",
         "/configuration.xml: not well-formed at line *"},
        {"malformed", "configuration.xml", "</CCSettings>", "", "/configuration.xml: not well-formed at line *"},
        {"no title", "metadata.xml", "<lom:title>", "<lom:name>", "/metadata.xml: cannot be read"},
        {"no identifier", "metadata.xml", "<lom:identifier>", "<lom:id>", "/metadata.xml: cannot be read"},
        {"no metadata", "metadata.xml", nullptr, nullptr, ": \"metadata.xml\" is missing"},
        {"no configuration", "configuration.xml", nullptr, nullptr, ": \"configuration.xml\" is missing"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        fs::remove_all(m_conf);
        SetUp();
        if (c.from)
            Edit(c.file, c.from, c.to);
        else
            fs::remove(m_conf + "/" + c.file);
        ConfigurationWrapper w;
        bool called = false;
        w.SetLoadedCallback([&](const ConfigurationWrapper *) { called = true; });
        EXPECT_FALSE(w.ReadFromDir(Dir()));
        EXPECT_FALSE(called);
        EXPECT_FALSE(w.IsLoaded());
        EXPECT_TRUE(w.GetTitle().empty() && w.GetGuid().empty() && w.GetGalleryName().empty());
        EXPECT_TRUE(w.GetDirectory().IsEmptyPath() && w.GetDestination().IsEmptyPath());
        EXPECT_TRUE(w.GetCategories().empty() && w.GetStyleSheet().empty() && w.GetLicense().isEmpty());
        EXPECT_FALSE(w.Install(false, false));
        const std::string failure = Text::ToUtf8(ConfigurationWrapper::GetLastLoadFailure());
        const std::string expected = m_conf + c.reason;
        if (expected.back() == '*')
            EXPECT_EQ(failure.substr(0, expected.size() - 1), expected.substr(0, expected.size() - 1)) << failure;
        else
            EXPECT_EQ(failure, expected);
    }
    // An absent Version is accepted; a wrong file extension is not.
    TearDown();
    fs::remove_all(m_conf);
    SetUp();
    Edit("configuration.xml", "Version=\"1.0.0.0\" ", "");
    EXPECT_TRUE(ConfigurationWrapper().ReadFromDir(Dir()));
    EXPECT_EQ(ConfigurationWrapper::GetLastLoadFailure(), L"") << "a load that works leaves no reason behind";
    const std::string zip = m_dir.file("Sample.zip");
    ASSERT_TRUE(CZipHelper::ZipFolderToFile(Dir(), CKeldaFilePath::FromUtf8(zip)));
    EXPECT_FALSE(ConfigurationWrapper().ReadFromFile(CKeldaFilePath::FromUtf8(zip)));
    EXPECT_EQ(Text::ToUtf8(ConfigurationWrapper::GetLastLoadFailure()),
              zip + ": not a folder or a \".gallerycollection\" file");
    const std::string otherCase = m_dir.file("Sample.GalleryCollection");
    ASSERT_TRUE(CZipHelper::ZipFolderToFile(Dir(), CKeldaFilePath::FromUtf8(otherCase)));
    EXPECT_FALSE(ConfigurationWrapper().ReadFromFile(CKeldaFilePath::FromUtf8(otherCase)));
    const std::string broken = m_dir.file("Broken.gallerycollection");
    ASSERT_TRUE(TestEnv::WriteFile(broken, "not a zip"));
    EXPECT_FALSE(ConfigurationWrapper().ReadFromFile(CKeldaFilePath::FromUtf8(broken)));
    EXPECT_EQ(Text::ToUtf8(ConfigurationWrapper::GetLastLoadFailure()), broken + ": not a readable ZIP archive");
    EXPECT_FALSE(ConfigurationWrapper().ReadFromDir(CKeldaDirectoryPath::FromUtf8(m_dir.file("missing"))));
    EXPECT_EQ(Text::ToUtf8(ConfigurationWrapper::GetLastLoadFailure()), m_dir.file("missing") + ": no such folder");
    EXPECT_FALSE(ConfigurationWrapper().ReadFromPreferences(L"{no-such-guid}"));
    EXPECT_EQ(ConfigurationWrapper::GetLastLoadFailure(), L"{no-such-guid}: no gallery is registered under this id");
    if (geteuid() != 0) {
        TearDown();
        SetUp();
        fs::permissions(m_conf + "/configuration.xml", fs::perms::none);
        EXPECT_FALSE(ConfigurationWrapper().ReadFromDir(Dir()));
        EXPECT_EQ(Text::ToUtf8(ConfigurationWrapper::GetLastLoadFailure()),
                  m_conf + "/configuration.xml: permission denied");
    }
}

TEST_F(Configuration, DestinationsAndRegistrationRecord)
{
    ConfigurationWrapper w;
    ASSERT_TRUE(w.ReadFromDir(Dir()));
    const std::string galleries = SysRoot::Path(std::string("/opt/Kelda Labs/Vellum Galleries"));
    EXPECT_EQ(Text::ToUtf8(w.GetDefaultDestination().GetDirectoryPathString()),
              galleries + "/Trove Sample Publishers/Sample Science Gallery");

    w.SetInstalledPath(L"/usr/bin/trove");
    ASSERT_TRUE(w.Install(false, true));
    const CAtlString key = CGalleryExtensionInfo::GetPreferencesKey(L"TeamContent", kGuid);
    EXPECT_EQ(GetPreferenceString(0, key, L"Args"),
              Text::FromUtf8("-configuration \"" + LocalCopy() + "\" -forceuser"));
    EXPECT_EQ(GetPreferenceString(0, key, L"MetadataXml"), Text::FromUtf8(LocalCopy() + "/metadata.xml"));
    EXPECT_EQ(GetPreferenceString(0, key, L"ImsManifestXml"),
              Text::FromUtf8(galleries + "/Trove Sample Publishers/Sample Science Gallery/imsmanifest.xml"));
    EXPECT_EQ(GetPreferenceString(0, key, L"AppPath"), L"/usr/bin/trove");
    EXPECT_EQ(GetPreferenceInt(0, key, L"ForceUser"), 1);
    EXPECT_EQ(GetPreferenceInt(0, key, L"Remote"), 0);

    ConfigurationWrapper again;
    ASSERT_TRUE(again.ReadFromPreferences(kGuid));
    EXPECT_TRUE(again.IsForcedUser());
    EXPECT_FALSE(again.IsRemote());

    Edit("configuration.xml", "<Title ", "<PathOverride Value=\"Custom Place\"/><Title ");
    ASSERT_TRUE(w.ReadFromDir(Dir()));
    EXPECT_EQ(Text::ToUtf8(w.GetDefaultDestination().GetDirectoryPathString()), galleries + "/Custom Place");
}

// Names that become folders of the destination stay below it: absolute ones and those with a "." or
// ".." component are refused, and the reason names the field.
TEST_F(Configuration, FolderNamesThatLeaveTheDestinationAreRefused)
{
    const std::string override = "<PathOverride Value=\"%\"/><Title ";
    const struct {
        const char *from;
        std::string to; // "%" stands for the value
        const char *value;
        const char *field; // null: accepted
        const char *destination;
    } cases[] = {
        {"<Title ", override, "../../../../home/x", "Application/PathOverride", nullptr},
        {"<Title ", override, "/etc", "Application/PathOverride", nullptr},
        {"<Title ", override, "a/./b", "Application/PathOverride", nullptr},
        {"<Title ", override, "a\\..\\..", "Application/PathOverride", nullptr},
        {"<Name Value=\"Trove Sample Publishers\"/>", "<Name Value=\"%\"/>", "..", "Organization/Name", nullptr},
        {"<Name Value=\"Trove Sample Publishers\"/>", "<Name Value=\"%\"/>", "/", "Organization/Name", nullptr},
        {"Name=\"Sample Science Gallery\"", "Name=\"%\"", "x/../..", "Gallery Name", nullptr},
        {"Name=\"Sample Science Gallery\"", "Name=\"%\"", ".", "Gallery Name", nullptr},
        {"<Title ", override, "Publisher/..Gallery..", nullptr, "/Publisher/..Gallery.."},
        {"Name=\"Sample Science Gallery\"", "Name=\"%\"", "...", nullptr, "/Trove Sample Publishers/..."},
    };
    const std::string galleries = SysRoot::Path(std::string("/opt/Kelda Labs/Vellum Galleries"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        TearDown();
        fs::remove_all(m_conf);
        SetUp();
        Edit("configuration.xml", c.from, Replace(c.to, "%", c.value));
        ConfigurationWrapper w;
        const bool loaded = w.ReadFromDir(Dir());
        if (!c.field) {
            ASSERT_TRUE(loaded) << Text::ToUtf8(ConfigurationWrapper::GetLastLoadFailure());
            EXPECT_EQ(Text::ToUtf8(w.GetDefaultDestination().GetDirectoryPathString()), galleries + c.destination);
            continue;
        }
        EXPECT_FALSE(loaded);
        EXPECT_FALSE(w.IsLoaded());
        EXPECT_FALSE(w.Install(false, false));
        EXPECT_EQ(Text::ToUtf8(ConfigurationWrapper::GetLastLoadFailure()),
                  m_conf + "/configuration.xml: " + c.field + " \"" + c.value +
                      "\" is absolute or has a \".\" or \"..\" component");
    }
    // No name at all would make the folder of every gallery the destination.
    TearDown();
    fs::remove_all(m_conf);
    SetUp();
    Edit("configuration.xml", "<Name Value=\"Trove Sample Publishers\"/>", "");
    Edit("configuration.xml", "Name=\"Sample Science Gallery\"", "");
    EXPECT_FALSE(ConfigurationWrapper().ReadFromDir(Dir()));
    EXPECT_EQ(Text::ToUtf8(ConfigurationWrapper::GetLastLoadFailure()),
              m_conf + "/configuration.xml: no Application/PathOverride, Organization/Name or Gallery Name names the "
                       "destination");
}

TEST_F(Configuration, InstallThenUninstallLeavesNothing)
{
    const auto before = Snapshot(m_conf);
    ConfigurationWrapper w;
    ASSERT_TRUE(w.ReadFromDir(Dir()));
    ASSERT_TRUE(w.Install(true, false));
    EXPECT_EQ(Snapshot(LocalCopy()).size(), before.size());
    EXPECT_EQ(Snapshot(m_conf), before); // the publisher's folder is copied, not consumed
    std::vector<CGalleryExtensionInfo> registered;
    CGalleryExtensionInfo::GetExtensions(L"TeamContent", registered);
    ASSERT_EQ(registered.size(), 1u);

    ConfigurationWrapper fromRegistration;
    ASSERT_TRUE(fromRegistration.ReadFromPreferences(kGuid));
    EXPECT_TRUE(fromRegistration.IsRemote());
    ASSERT_TRUE(fromRegistration.Uninstall());
    EXPECT_FALSE(fromRegistration.IsLoaded());
    EXPECT_FALSE(TestEnv::Exists(LocalCopy()));
    EXPECT_FALSE(TestEnv::Exists(Text::ToUtf8(Defaults::GetConfigurationPath().GetDirectoryPathString()) +
                                 "/Trove Sample Publishers"));
    CGalleryExtensionInfo::GetExtensions(L"TeamContent", registered);
    EXPECT_TRUE(registered.empty());
    EXPECT_EQ(Snapshot(m_conf), before);

    // Uninstalling the configuration read from the publisher's folder removes the registered copy.
    ASSERT_TRUE(w.ReadFromDir(Dir()));
    ASSERT_TRUE(w.Install(false, false));
    ASSERT_TRUE(w.ReadFromDir(Dir()));
    EXPECT_TRUE(w.Uninstall());
    EXPECT_FALSE(TestEnv::Exists(LocalCopy()));
    EXPECT_EQ(Snapshot(m_conf), before);
}

TEST_F(Configuration, FailedLocalCopyLeavesTheSourceAsItWas)
{
    Edit("configuration.xml", "<File Path=\"readme.txt\"/>", "<File Path=\"readme.txt\"/><File Path=\"missing.txt\"/>");
    const auto before = Snapshot(m_conf);
    ConfigurationWrapper w;
    ASSERT_TRUE(w.ReadFromDir(Dir()));
    EXPECT_FALSE(w.Install(false, false));
    EXPECT_EQ(Snapshot(m_conf), before);
    EXPECT_EQ(Text::ToUtf8(w.GetDirectory().GetDirectoryPathString()), m_conf);
    std::vector<CGalleryExtensionInfo> registered;
    CGalleryExtensionInfo::GetExtensions(L"TeamContent", registered);
    EXPECT_TRUE(registered.empty());
}

TEST_F(Configuration, NamesOutsideTheFolderAreNeverTouched)
{
    ASSERT_TRUE(TestEnv::WriteFile(m_dir.file("outside.txt"), "keep me"));
    Edit("configuration.xml", "<File Path=\"readme.txt\"/>",
         "<File Path=\"../outside.txt\"/><File Path=\"/etc/hostname\"/><Directory Path=\"..\"/>");
    Edit("configuration.xml", "license.txt", "../outside.txt");
    ConfigurationWrapper w;
    ASSERT_TRUE(w.ReadFromDir(Dir()));
    EXPECT_TRUE(w.GetLicense().isEmpty());
    ASSERT_TRUE(w.Install(false, false));
    ASSERT_TRUE(w.ReadFromPreferences(kGuid));
    ASSERT_TRUE(w.Uninstall());
    EXPECT_EQ(TestEnv::ReadFile(m_dir.file("outside.txt")), "keep me");
    EXPECT_FALSE(TestEnv::Exists(LocalCopy()));
}

TEST_F(Configuration, RegistrationsMoveFromTheOlderKeyOnce)
{
    const CAtlString old = L"Software\\Kelda Labs Inc.\\Gallery\\TeamContent\\OLD-GUID";
    WritePreferenceString(0, old, L"ImsManifestXml", L"/galleries/old/imsmanifest.xml");
    WritePreferenceString(0, old, L"MetadataXml", L"/galleries/old/metadata.xml");
    ConfigurationWrapper w;
    ASSERT_TRUE(w.ReadFromDir(Dir()));
    EXPECT_FALSE(w.ReadGalleryPreferences()); // not registered yet, but the migration ran
    CGalleryExtensionInfo migrated(L"TeamContent", L"OLD-GUID");
    ASSERT_EQ(migrated.GetPreferences(), S_OK);
    EXPECT_EQ(migrated.imsManifestXml, L"/galleries/old/imsmanifest.xml");
    EXPECT_EQ(GetPreferenceInt(0, L"Software\\Kelda Labs\\Gallery\\TeamContent", L"deinclified"), 1);

    ASSERT_EQ(migrated.DeletePreferences(), S_OK);
    ConfigurationWrapper::ToIncOrNotToInc(); // marked: nothing is copied again
    EXPECT_EQ(migrated.GetPreferences(), S_FALSE);

    ASSERT_TRUE(w.Install(false, false));
    w.SetLocaleList({L"de_DE", L"fr_FR"});
    ASSERT_TRUE(w.SaveGalleryPreferences(false, false));
    ConfigurationWrapper again;
    ASSERT_TRUE(again.ReadFromPreferences(kGuid));
    EXPECT_EQ(again.GetLocaleList(), (std::vector<CAtlString>{L"de_DE", L"fr_FR"}));
    EXPECT_TRUE(again.ReadGalleryPreferences());
}

TEST(ConfigurationZip, UnsafeEntriesAreSkipped)
{
    TestEnv::TempDir dir;
    const std::string archive = dir.file("evil.gallerycollection");
    int error = 0;
    zip_t *zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(zip, nullptr);
    for (const char *name : {"ok.txt", "../escaped.txt", "/absolute.txt", "sub/../../escaped2.txt"}) {
        zip_source_t *source = zip_source_buffer(zip, "data", 4, 0);
        ASSERT_GE(zip_file_add(zip, name, source, ZIP_FL_ENC_UTF_8), 0) << name;
    }
    ASSERT_EQ(zip_close(zip), 0);
    ASSERT_TRUE(
        CZipHelper::UnzipToFolder(CKeldaFilePath::FromUtf8(archive), CKeldaDirectoryPath::FromUtf8(dir.file("out/x"))));
    EXPECT_EQ(TestEnv::ReadFile(dir.file("out/x/ok.txt")), "data");
    EXPECT_FALSE(TestEnv::Exists(dir.file("out/escaped.txt")));
    EXPECT_FALSE(TestEnv::Exists(dir.file("escaped2.txt")));
    EXPECT_FALSE(TestEnv::Exists(dir.file("out/x/absolute.txt")) && TestEnv::Exists("/absolute.txt"));
    EXPECT_FALSE(CZipHelper::UnzipToFolder(CKeldaFilePath::FromUtf8(dir.file("none.zip")),
                                           CKeldaDirectoryPath::FromUtf8(dir.file("out/y"))));
}

} // namespace
