// Console progress and the failure collector: what a console run prints per finished step, and which
// reports make a run count as failed.
#include "app/CLIProgress.h"
#include "app/StatusCollector.h"

#include "app/CaptureOutput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

// Remembers every report that reaches the end of a chain.
class Recorder : public IGalleryInstallationObserver
{
  public:
    void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *, const wchar_t *text,
                              int percent, int) override
    {
        seen.push_back(std::to_string(kind) + ":" + Text::ToUtf8(text) + ":" + std::to_string(percent));
    }
    std::vector<std::string> seen;
};

TEST(CLIProgressTest, VerbosePrintsOneLinePerFinishedStep)
{
    struct Case {
        eGalleryInstallationProgress kind;
        const wchar_t *text;
        const char *line;
    };
    const Case cases[] = {
        {eGalleryInstallationProgressDownloading, L"astro.gallery", "Downloading:  \t[40%] astro.gallery\n"},
        {eGalleryInstallationProgressInstalling, L"astro.gallery", "Installing:  \t[40%] astro.gallery\n"},
        // An uninstall record is shown by its file name.
        {eGalleryInstallationProgressUninstalling, L"/g/Uninstall/imsmanifest1a.xml",
         "Uninstalling:  \t[40%] imsmanifest1a.xml\n"},
        {eGalleryInstallationProgressReading, L"gallery_categories.xml", "Reading:  \t[40%] gallery_categories.xml\n"},
        {eGalleryInstallationProgressCanceled, L"", "Canceled\n \t[40%] \n"},
        {eGalleryInstallationProgressComplete, L"", "Complete\n \t[40%] \n"},
        {eGalleryInstallationProgressFailed, L"bad.gallery", "Failed\n \t[40%] bad.gallery\n"},
        {eGalleryInstallationProgressImportingLanguages, L"", "Retrieving languages:  \t[40%] \n"},
        {eGalleryInstallationProgressInstallingLanguages, L"id", "Applying languages:  \t[40%] id\n"},
        {eGalleryInstallationProgressProcessing, L"", " \t[40%] \n"},
    };
    for (const Case &c : cases) {
        CLIProgress progress;
        progress.verbose = true;
        const CapturedOutput done = Capture([&] {
            progress.InstallationProgress(c.kind, nullptr, c.text, 100, 40);
            return 0;
        });
        EXPECT_EQ(done.out, c.line) << "kind " << c.kind;
        EXPECT_EQ(done.err, "");
    }
}

TEST(CLIProgressTest, ItemTitleIsBracketedBeforeTheText)
{
    EXPECT_EQ(CLIProgress::FormatLine(eGalleryInstallationProgressFailed, L"Astronomy", true, L"astro.gallery", 75),
              "Failed\n \t[75%] (Astronomy) astro.gallery");
    EXPECT_EQ(CLIProgress::FormatLine(eGalleryInstallationProgressInstalling, L"Ä", true, L"é.gallery", 0),
              "Installing:  \t[0%] (Ä) é.gallery");
}

TEST(CLIProgressTest, AStepFinishedTwiceInARowPrintsOnce)
{
    Recorder end;
    CLIProgress progress;
    progress.verbose = true;
    progress.Attach(&end);
    const CapturedOutput done = Capture([&] {
        // A download reaches 100% by its bytes, then reports its end.
        progress.InstallationProgress(eGalleryInstallationProgressDownloading, nullptr, L"a.gallery", 100, 10);
        progress.InstallationProgress(eGalleryInstallationProgressDownloading, nullptr, L"a.gallery", 100, 10);
        progress.InstallationProgress(eGalleryInstallationProgressInstalling, nullptr, L"a.gallery", 100, 20);
        progress.InstallationProgress(eGalleryInstallationProgressDownloading, nullptr, L"a.gallery", 100, 10);
        return 0;
    });
    EXPECT_EQ(done.out, "Downloading:  \t[10%] a.gallery\nInstalling:  \t[20%] a.gallery\n"
                        "Downloading:  \t[10%] a.gallery\n");
    EXPECT_EQ(end.seen.size(), 4u);
}

TEST(CLIProgressTest, QuietOrUnfinishedStepsPrintNothingButAlwaysForward)
{
    Recorder end;
    CLIProgress quiet;
    quiet.Attach(&end);
    CLIProgress verbose;
    verbose.verbose = true;
    verbose.Attach(&end);
    const CapturedOutput done = Capture([&] {
        quiet.InstallationProgress(eGalleryInstallationProgressInstalling, nullptr, L"a", 100, 10);
        verbose.InstallationProgress(eGalleryInstallationProgressDownloading, nullptr, L"b", 99, 10);
        verbose.InstallationProgress(eGalleryInstallationProgressDownloading, nullptr, L"c", 0, 10);
        return 0;
    });
    EXPECT_EQ(done.out, "");
    EXPECT_EQ(end.seen, (std::vector<std::string>{"2:a:100", "1:b:99", "1:c:0"}));
}

TEST(StatusCollectorTest, KeepsFailedTextsInOrderAndForwardsEverything)
{
    Recorder end;
    StatusCollector collector;
    collector.Attach(&end);
    collector.InstallationProgress(eGalleryInstallationProgressDownloading, nullptr, L"a.gallery", 100, 10);
    collector.InstallationProgress(eGalleryInstallationProgressFailed, nullptr, L"b.gallery", 100, 20);
    collector.InstallationProgress(eGalleryInstallationProgressInstalling, nullptr, L"c.gallery", 100, 30);
    collector.InstallationProgress(eGalleryInstallationProgressFailed, nullptr, L"d.gallery", 100, 40);
    EXPECT_EQ(collector.GetLog(), (std::list<CAtlString>{L"b.gallery", L"d.gallery"}));
    EXPECT_EQ(end.seen.size(), 4u);
    collector.Clear();
    EXPECT_TRUE(collector.GetLog().empty());
}

} // namespace
