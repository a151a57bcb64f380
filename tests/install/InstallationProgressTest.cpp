// The exact progress a small run reports: interleaved from a local folder, download-first and
// interleaved from a real nginx on 127.0.0.1, and download-only over HTTP. The overall percentage
// never goes backwards and ends at 100.
#include "EngineFixture.h"

#include "common/NginxServer.h"

using namespace EngineTest;

namespace
{

// The reports without the downloader's byte progress (kind 1 strictly between 0 and 100), which is
// checked to rise within each download.
std::vector<Report> WithoutByteProgress(const std::vector<Report> &reports)
{
    std::vector<Report> out;
    int last = -1;
    for (const Report &report : reports) {
        if (report.kind == eGalleryInstallationProgressDownloading && report.percent > 0 && report.percent < 100) {
            EXPECT_GE(report.percent, last) << report;
            last = report.percent;
            continue;
        }
        last = -1;
        out.push_back(report);
    }
    return out;
}

void ExpectOverallRisesTo100(const std::vector<Report> &reports)
{
    int last = 0;
    for (const Report &report : reports) {
        EXPECT_GE(report.overall, last) << report;
        EXPECT_LE(report.overall, 100) << report;
        last = report.overall;
    }
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().overall, 100);
}

const std::map<CAtlString, eGalleryInstallationAction> kSpaceAndTools = {
    {L"cat-space", eGalleryInstallationActionInstall}, {L"cat-tools", eGalleryInstallationActionInstall}};

// The records of space and tools in name order.
const wchar_t *const kFirstRecord = L"http://test.invalid/space";
const wchar_t *const kSecondRecord = L"http://test.invalid/tools";

class InstallationProgressTest : public Fixture
{
  protected:
    // Serves the source folder; skips when nginx is not installed.
    bool StartServer()
    {
        if (NginxServer::Binary().isEmpty()) return false;
        QString error;
        const bool started =
            m_server.Start(QString::fromStdString(SourcePath()), QString::fromStdString(m_work.path()), &error);
        EXPECT_TRUE(started) << error.toStdString();
        return started;
    }
    CAtlString Url() const { return Text::FromQt(m_server.url(QStringLiteral("/")).toString()); }

    NginxServer m_server;
    TestEnv::TempDir m_work;
};

TEST_F(InstallationProgressTest, InterleavedFromAFolder)
{
    Publish(SmallSource());
    RecordingObserver observer;
    InstallationPtr installation = OpenInstallation(CAtlString(), true, &observer);
    EXPECT_EQ(observer.Reports(), (std::vector<Report>{{4, L"", L"gallery_categories.xml", 0, 0},
                                                       {4, L"", L"gallery_categories.xml", 100, 0}}));
    observer.Clear();
    ASSERT_EQ(RunWith(installation.get(), kSpaceAndTools), S_OK);
    // Units: one per file, one per pack import and one for applying the packs.
    const std::vector<Report> expected = {
        {1, L"cat-space", L"space.gallery", 0, 0},
        {1, L"cat-space", L"space.gallery", 100, 0},
        {2, L"cat-space", L"space.gallery", 0, 0},
        {2, L"cat-space", L"space.gallery", 100, 20},
        {1, L"cat-tools", L"tools.gallery", 0, 20},
        {1, L"cat-tools", L"tools.gallery", 100, 20},
        {2, L"cat-tools", L"tools.gallery", 0, 20},
        {2, L"cat-tools", L"tools.gallery", 100, 40},
        {8, L"cat-space", L"", 100, 60},
        {8, L"cat-tools", L"", 100, 80},
        {9, L"", kFirstRecord, 100, 90},
        {9, L"", kSecondRecord, 100, 100},
        {10, L"", L"", 0, 100},
    };
    EXPECT_EQ(observer.Reports(), expected);
    ExpectOverallRisesTo100(observer.Reports());
}

TEST_F(InstallationProgressTest, DownloadFirstFromHttp)
{
    Publish(SmallSource());
    if (!StartServer()) GTEST_SKIP() << "nginx is not installed";
    RecordingObserver observer;
    InstallationPtr installation = OpenInstallation(Url(), true, &observer);
    ASSERT_EQ(m_openResult, S_OK);
    installation->SetSequencing(eGalleryInstallationSequencingDownloadFirst);
    observer.Clear();
    ASSERT_EQ(RunWith(installation.get(), kSpaceAndTools), S_OK);
    // Every file and pack is fetched first (a unit each), then installed (a unit each).
    const std::vector<Report> expected = {
        {1, L"cat-space", L"space.gallery", 0, 0},
        {1, L"cat-space", L"space.gallery", 100, 0},
        {1, L"cat-space", L"space_fr.zip", 0, 12},
        {1, L"cat-space", L"space_fr.zip", 100, 12},
        {1, L"cat-tools", L"tools.gallery", 0, 25},
        {1, L"cat-tools", L"tools.gallery", 100, 25},
        {2, L"cat-space", L"space.gallery", 0, 37},
        {2, L"cat-space", L"space.gallery", 100, 50},
        {2, L"cat-tools", L"tools.gallery", 0, 50},
        {2, L"cat-tools", L"tools.gallery", 100, 62},
        {8, L"cat-space", L"", 100, 75},
        {8, L"cat-tools", L"", 100, 87},
        {9, L"", kFirstRecord, 100, 93},
        {9, L"", kSecondRecord, 100, 100},
        {10, L"", L"", 0, 100},
    };
    EXPECT_EQ(WithoutByteProgress(observer.Reports()), expected);
    ExpectOverallRisesTo100(observer.Reports());
}

TEST_F(InstallationProgressTest, InterleavedFromHttpEqualsTheFolderInstall)
{
    Publish(SmallSource());
    if (!StartServer()) GTEST_SKIP() << "nginx is not installed";
    RecordingObserver observer;
    InstallationPtr installation = OpenInstallation(Url(), true, &observer);
    ASSERT_EQ(m_openResult, S_OK);
    observer.Clear();
    ASSERT_EQ(RunWith(installation.get(), kSpaceAndTools), S_OK);
    // Two units per fetched file: the fetch and the install.
    const std::vector<Report> expected = {
        {1, L"cat-space", L"space.gallery", 0, 0},
        {1, L"cat-space", L"space.gallery", 100, 0},
        {2, L"cat-space", L"space.gallery", 0, 14},
        {2, L"cat-space", L"space.gallery", 100, 28},
        {1, L"cat-tools", L"tools.gallery", 0, 28},
        {1, L"cat-tools", L"tools.gallery", 100, 28},
        {2, L"cat-tools", L"tools.gallery", 0, 42},
        {2, L"cat-tools", L"tools.gallery", 100, 57},
        {8, L"cat-space", L"", 100, 71},
        {1, L"cat-space", L"space_fr.zip", 0, 71},
        {1, L"cat-space", L"space_fr.zip", 100, 71},
        {8, L"cat-tools", L"", 100, 85},
        {9, L"", kFirstRecord, 100, 92},
        {9, L"", kSecondRecord, 100, 100},
        {10, L"", L"", 0, 100},
    };
    EXPECT_EQ(WithoutByteProgress(observer.Reports()), expected);
    ExpectOverallRisesTo100(observer.Reports());
    // Fetched copies are deleted as soon as they are installed.
    EXPECT_EQ(Names(TakeSnapshot(Text::ToUtf8(installation->GetTempDir().GetDirectoryPathString()))),
              std::vector<std::string>{});
}

TEST_F(InstallationProgressTest, CancelDuringTheDownloadFirstPassInstallsNothing)
{
    Publish(SmallSource());
    if (!StartServer()) GTEST_SKIP() << "nginx is not installed";
    RecordingObserver observer;
    InstallationPtr installation = OpenInstallation(Url(), true, &observer);
    ASSERT_EQ(m_openResult, S_OK);
    installation->SetSequencing(eGalleryInstallationSequencingDownloadFirst);
    const Snapshot before = TakeSnapshot(DestinationPath());
    observer.onReport = [&](const Report &report) {
        if (report.kind == eGalleryInstallationProgressDownloading && report.percent == 100) installation->Cancel();
    };
    observer.Clear();
    EXPECT_EQ(RunWith(installation.get(), kSpaceAndTools), E_ABORT);
    for (const wchar_t *id : {L"cat-space", L"cat-tools"})
        EXPECT_EQ(installation->GetByIdentifier(id)->GetStatus(), E_ABORT);
    EXPECT_EQ(observer.Without(eGalleryInstallationProgressDownloading), std::vector<Report>{})
        << "nothing installed after the first fetch";
    EXPECT_EQ(TakeSnapshot(DestinationPath()), before);
}

} // namespace
