// "updateinfo.xml": byte-exact for every recording rule, written on the notifications that call for it,
// deleted when nothing is recorded, left alone by download-only installations.
#include "install/InstalledXmlWriter.h"

#include "configuration/ConfigurationWrapper.h"
#include "gallery/manifest/GalleryManifest.h"
#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationItem.h"
#include "publisher/GallerySource.h"
#include "support/ZipHelper.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace NTrove::Publisher;

namespace
{

// One category per identifier, each with one gallery "<id>.gallery" of one item, at a version.
Source MakeSource(const std::vector<std::wstring> &ids, const wchar_t *version)
{
    Source source;
    for (const std::wstring &id : ids) {
        Category &category = source.categories.emplace_back();
        category.identifier = id;
        category.titles[L"en"] = id;
        Gallery &gallery = category.galleries.emplace_back();
        gallery.fileName = id + L".gallery";
        gallery.identifier = L"http://test/gallery/" + id;
        gallery.version = version;
        gallery.titles[L"en"] = id;
        Item item;
        item.fileName = id + L".galleryitem";
        item.titles[L"en"] = id;
        item.content = "x";
        gallery.items.push_back(item);
    }
    return source;
}

struct InstallationDeleter {
    void operator()(CGalleryInstallation *i) const { CGalleryInstallation::DeleteInstance(&i); }
};
using InstallationPtr = std::unique_ptr<CGalleryInstallation, InstallationDeleter>;

class InstalledXmlWriterTest : public ::testing::Test
{
  protected:
    // Galleries A..K offered at version "2"; those in installed are in the destination at version "1"
    // (their uninstall records are the packages' manifests of an older source).
    void SetUp() override
    {
        const std::vector<std::wstring> all = {L"A", L"B", L"C", L"D", L"E", L"F", L"G", L"H", L"I", L"J", L"K"};
        const std::vector<std::wstring> installed = {L"A", L"E", L"F", L"G", L"H", L"I", L"J"};
        std::string error;
        ASSERT_TRUE(Publish(MakeSource(all, L"2"), CKeldaDirectoryPath::FromUtf8(m_source), &error)) << error;
        ASSERT_TRUE(Publish(MakeSource(installed, L"1"), CKeldaDirectoryPath::FromUtf8(m_old), &error)) << error;
        std::filesystem::create_directories(m_destination);
        CGalleryManifest *destination = nullptr;
        ASSERT_EQ(CGalleryManifest::CreateInstance(&destination), S_OK);
        ASSERT_TRUE(SUCCEEDED(destination->Open(Text::FromUtf8(m_destination + "/imsmanifest.xml").c_str())));
        for (const std::wstring &id : installed) {
            std::vector<char> xml;
            ASSERT_TRUE(CZipHelper::UnzipToMemory(CKeldaFilePath::FromUtf8(m_old + "/" + Text::ToUtf8(id) + ".gallery"),
                                                  L"imsmanifest.xml", xml));
            const CKeldaFilePath record = destination->GetUninstallFilePath((L"http://test/gallery/" + id).c_str());
            ASSERT_TRUE(TestEnv::WriteFile(record.GetFilePathStringA_UTF8(), std::string(xml.begin(), xml.end())));
        }
        CGalleryManifest::DeleteInstance(&destination);
        ASSERT_TRUE(
            m_configuration->ReadFromDir(CKeldaDirectoryPath::FromUtf8(TROVE_SOURCE_DIR "/samples/configuration")));
        m_configuration->SetDestination(CKeldaDirectoryPath::FromUtf8(m_destination));
        m_writer.SetConfiguration(m_configuration);
    }

    InstallationPtr OpenInstallation()
    {
        CGalleryInstallation *raw = nullptr;
        EXPECT_EQ(CGalleryInstallation::CreateInstance(&raw), S_OK);
        InstallationPtr installation(raw);
        EXPECT_EQ(installation->Open(CKeldaDirectoryPath::FromUtf8(m_destination), Text::FromUtf8(m_source), true),
                  S_OK);
        return installation;
    }

    std::string UpdateInfo() const { return TestEnv::ReadFile(m_destination + "/Uninstall/updateinfo.xml"); }
    bool HasUpdateInfo() const { return TestEnv::Exists(m_destination + "/Uninstall/updateinfo.xml"); }

    TestEnv::TempDir m_dir;
    const std::string m_source = m_dir.file("source");
    const std::string m_old = m_dir.file("old");
    const std::string m_destination = m_dir.file("destination");
    std::shared_ptr<ConfigurationWrapper> m_configuration = std::make_shared<ConfigurationWrapper>();
    NTrove::InstalledXmlWriter m_writer;
};

} // namespace

TEST_F(InstalledXmlWriterTest, RecordsEachItemWithTheVersionItHasAfterTheRun)
{
    InstallationPtr installation = OpenInstallation();
    ASSERT_EQ(installation->GetCount(), 11u);
    struct Case {
        const wchar_t *id;
        eGalleryInstallationAction action;
        HRESULT status;
    } cases[] = {
        {L"A", eGalleryInstallationActionNone, S_FALSE},          // installed, left: installed version
        {L"B", eGalleryInstallationActionNone, S_FALSE},          // not installed: absent
        {L"C", eGalleryInstallationActionInstall, S_OK},          // installed now: update version
        {L"D", eGalleryInstallationActionInstall, E_FAIL},        // failed, was not there: absent
        {L"E", eGalleryInstallationActionUpdate, S_OK},           // updated: update version
        {L"F", eGalleryInstallationActionUpdate, E_FAIL},         // update failed: still the old version
        {L"G", eGalleryInstallationActionReinstall, S_OK},        // reinstalled: update version
        {L"H", eGalleryInstallationActionRemove, S_OK},           // removed: absent
        {L"I", eGalleryInstallationActionRemove, E_FAIL},         // removal failed: still there
        {L"J", eGalleryInstallationActionInstall, S_REINSTALLED}, // over its record: update version
        {L"K", eGalleryInstallationActionInstall, E_ABORT},       // cancelled before it: absent
    };
    for (const Case &c : cases) {
        CGalleryInstallationItem *item = installation->GetByIdentifier(c.id);
        ASSERT_NE(item, nullptr) << Text::ToUtf8(c.id);
        item->SetAction(c.action);
        item->SetStatus(c.status);
    }
    for (auto notify : {&NTrove::InstalledXmlWriter::OnRunFinished, &NTrove::InstalledXmlWriter::OnRunCanceled,
                        &NTrove::InstalledXmlWriter::OnRunFailed}) {
        std::filesystem::remove(m_destination + "/Uninstall/updateinfo.xml");
        (m_writer.*notify)(installation.get());
        EXPECT_EQ(UpdateInfo(), "<categories>\n"
                                "    <category id=\"A\" version=\"1\"/>\n"
                                "    <category id=\"C\" version=\"2\"/>\n"
                                "    <category id=\"E\" version=\"2\"/>\n"
                                "    <category id=\"F\" version=\"1\"/>\n"
                                "    <category id=\"G\" version=\"2\"/>\n"
                                "    <category id=\"I\" version=\"1\"/>\n"
                                "    <category id=\"J\" version=\"2\"/>\n"
                                "</categories>\n");
    }

    // Notifications that record nothing leave the file as it is.
    ASSERT_TRUE(TestEnv::WriteFile(m_destination + "/Uninstall/updateinfo.xml", "old"));
    m_writer.OnReadStarted(installation.get());
    m_writer.OnReadFailed(installation.get());
    m_writer.OnRunStarted(installation.get());
    m_writer.OnRunFinished(nullptr);
    EXPECT_EQ(UpdateInfo(), "old");
    EXPECT_TRUE(m_writer.CategoriesWillBeUpdated() && m_writer.LanguagesWillBeRemoved() && m_writer.TooManyLanguages());
}

TEST_F(InstalledXmlWriterTest, ReadRecordsTheInstalledAndRemovingEverythingDeletesTheFile)
{
    InstallationPtr installation = OpenInstallation();
    m_writer.OnReadFinished(installation.get());
    EXPECT_EQ(UpdateInfo(), "<categories>\n"
                            "    <category id=\"A\" version=\"1\"/>\n"
                            "    <category id=\"E\" version=\"1\"/>\n"
                            "    <category id=\"F\" version=\"1\"/>\n"
                            "    <category id=\"G\" version=\"1\"/>\n"
                            "    <category id=\"H\" version=\"1\"/>\n"
                            "    <category id=\"I\" version=\"1\"/>\n"
                            "    <category id=\"J\" version=\"1\"/>\n"
                            "</categories>\n");
    for (size_t i = 0; i < installation->GetCount(); ++i) {
        CGalleryInstallationItem *item = installation->GetAt(i);
        item->SetAction(item->GetIsInstalled() ? eGalleryInstallationActionRemove : eGalleryInstallationActionNone);
        item->SetStatus(item->GetIsInstalled() ? S_OK : S_FALSE);
    }
    m_writer.OnRunFinished(installation.get());
    EXPECT_FALSE(HasUpdateInfo());
    EXPECT_TRUE(TestEnv::Exists(m_destination + "/Uninstall")) << "only the file goes";
}

TEST_F(InstalledXmlWriterTest, DownloadOnlyInstallationsLeaveTheDestinationsFileAlone)
{
    ASSERT_TRUE(TestEnv::WriteFile(m_destination + "/Uninstall/updateinfo.xml", "kept"));
    InstallationPtr installation = OpenInstallation();
    installation->SetDownloadOnly(CKeldaDirectoryPath::FromUtf8(m_dir.file("downloads")));
    for (size_t i = 0; i < installation->GetCount(); ++i) {
        installation->GetAt(i)->SetAction(eGalleryInstallationActionInstall);
        installation->GetAt(i)->SetStatus(S_OK);
    }
    m_writer.OnReadFinished(installation.get());
    m_writer.OnRunFinished(installation.get());
    EXPECT_EQ(UpdateInfo(), "kept");
}

TEST_F(InstalledXmlWriterTest, RealRunsInstallingThenRemovingEverything)
{
    const auto runAll = [&](bool remove) {
        InstallationPtr installation = OpenInstallation();
        for (size_t i = 0; i < installation->GetCount(); ++i) {
            CGalleryInstallationItem *item = installation->GetAt(i);
            item->SetAction(remove                   ? eGalleryInstallationActionRemove
                            : item->GetIsInstalled() ? eGalleryInstallationActionUpdate
                                                     : eGalleryInstallationActionInstall);
        }
        EXPECT_EQ(installation->Run(), S_OK);
        m_writer.OnRunFinished(installation.get());
    };
    runAll(false);
    std::string expected = "<categories>\n";
    for (const char *id : {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K"})
        expected += std::string("    <category id=\"") + id + "\" version=\"2\"/>\n";
    EXPECT_EQ(UpdateInfo(), expected + "</categories>\n");
    runAll(true);
    EXPECT_FALSE(HasUpdateInfo());
}
