// The progress dialogs and the observer that feeds them across threads: the texts of every kind, the
// throttling of the observer, what the labels and the bar show, Cancel and Finish, and a cancel
// pressed in the dialog while a run is under way.
#include "ui/dialogs/ProgressDlg.h"
#include "ui/dialogs/ReadProgressDlg.h"

#include "ui/dialogs/DialogTestSupport.h"
#include "install/ControllerTestSupport.h"
#include "install/GalleryInstallation.h"
#include "install/InstallationController.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QThread>

namespace
{
QString Label(const QWidget &dialog, const char *name)
{
    const auto *label = dialog.findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no label>");
}

const QProgressBar *Bar(const QWidget &dialog)
{
    return dialog.findChild<QProgressBar *>();
}

bool Indeterminate(const QWidget &dialog)
{
    return Bar(dialog)->minimum() == 0 && Bar(dialog)->maximum() == 0;
}

// Counts the reports that reach the end of a chain.
class CountingObserver : public IGalleryInstallationObserver
{
  public:
    void InstallationProgress(eGalleryInstallationProgress, CGalleryInstallationItem *, const wchar_t *, int,
                              int) override
    {
        ++count;
    }
    int count = 0;
};
} // namespace

TEST(ProgressTextsTest, EachKindHasTheTextOfItsDialog)
{
    const struct {
        int kind;
        const char *run;
        const char *read;
    } cases[] = {
        {1, "Downloading...", "Downloading..."},
        {2, "Installing...", "Installing..."},
        {3, "Uninstalling...", ""},
        {4, "Reading...", "Reading..."},
        {5, "Canceled...", "Canceled..."},
        {6, "Complete.", "Complete."},
        {7, "Failed.", "Failed."},
        {8, "Importing language packs...", ""},
        {9, "Installing language packs...", ""},
        {10, "Processing...", ""},
        {0, "", ""},
        {11, "", ""},
    };
    for (const auto &c : cases) {
        const auto kind = static_cast<eGalleryInstallationProgress>(c.kind);
        EXPECT_EQ(ProgressDlg::StatusText(kind), QString::fromLatin1(c.run)) << c.kind;
        EXPECT_EQ(ReadProgressDlg::StatusText(kind), QString::fromLatin1(c.read)) << c.kind;
    }
}

// Every report goes down the chain; a signal only for a new kind or after 500 ms of the same kind.
TEST(QtInstallationObserverTest, ABurstOfOneKindIsOneSignalAndANewKindAlwaysGetsThrough)
{
    QtInstallationObserver observer;
    CountingObserver end;
    observer.Attach(&end);
    QSignalSpy spy(&observer, &QtInstallationObserver::ProgressSignal);
    for (int i = 0; i < 20; ++i)
        observer.InstallationProgress(eGalleryInstallationProgressInstalling, nullptr, L"a.gallery", i, i);
    observer.InstallationProgress(eGalleryInstallationProgressFailed, nullptr, L"b.gallery", 0, 50);
    observer.InstallationProgress(eGalleryInstallationProgressInstalling, nullptr, L"c.gallery", 0, 60);
    EXPECT_EQ(end.count, 22);
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).value<eGalleryInstallationProgress>(), eGalleryInstallationProgressInstalling);
    EXPECT_EQ(spy.at(1).at(1).value<CAtlString>(), L"b.gallery");
    EXPECT_EQ(spy.at(1).at(2).value<CAtlString>(), L"") << "no item, no title";
    EXPECT_EQ(spy.at(2).at(4).toInt(), 60);

    QThread::msleep(550);
    observer.InstallationProgress(eGalleryInstallationProgressInstalling, nullptr, L"d.gallery", 0, 70);
    EXPECT_EQ(spy.count(), 4);
}

// The signal is queued to the dialog's thread: reports made on a worker arrive as slot calls here.
TEST(QtInstallationObserverTest, ReportsFromAWorkerReachTheDialogOnItsThread)
{
    ProgressDlg dialog(nullptr);
    QThread *worker = QThread::create([&dialog] {
        dialog.GetObserver()->InstallationProgress(eGalleryInstallationProgressDownloading, nullptr,
                                                   L"/source/space.gallery", 40, 25);
    });
    worker->start();
    worker->wait();
    delete worker;
    EXPECT_EQ(Label(dialog, "labelFile"), QString()) << "nothing before the event loop runs";
    QCoreApplication::processEvents();
    EXPECT_EQ(Label(dialog, "labelStatus"), QStringLiteral("Downloading..."));
    EXPECT_EQ(Label(dialog, "labelFile"), QStringLiteral("space.gallery"));
    EXPECT_EQ(Bar(dialog)->value(), 25);
}

TEST(ProgressDlgTest, TheLabelsAndTheBarFollowTheReports)
{
    const struct {
        int kind;
        const wchar_t *text;
        const char *file;
        bool indeterminate;
    } cases[] = {
        {1, L"/tmp/source/space.gallery", "space.gallery", false},
        {2, L"space.gallery", "space.gallery", false},
        {3, L"http://test.invalid/atlas/part", "atlas/part", false},
        {3, L"/dest/Uninstall/imsmanifest1a.xml", "imsmanifest1a.xml", false},
        {9, L"http://test.invalid/space", "space", false},
        {9, L"urn:plain-identifier", "urn:plain-identifier", false},
        {4, L"", "", true},
        {10, L"", "", true},
        {7, L"broken.gallery", "broken.gallery", false},
    };
    for (const auto &c : cases) {
        ProgressDlg dialog(nullptr);
        dialog.ProgressSlot(static_cast<eGalleryInstallationProgress>(c.kind), c.text, L"Astronomy", 10, 42);
        EXPECT_EQ(Label(dialog, "labelStatus"),
                  ProgressDlg::StatusText(static_cast<eGalleryInstallationProgress>(c.kind)));
        EXPECT_EQ(Label(dialog, "labelCategory"), QStringLiteral("Astronomy"));
        EXPECT_EQ(Label(dialog, "labelFile"), QString::fromLatin1(c.file)) << c.kind;
        EXPECT_EQ(Indeterminate(dialog), c.indeterminate) << c.kind;
        if (!c.indeterminate) {
            EXPECT_EQ(Bar(dialog)->value(), 42);
        }
    }
}

TEST(ProgressDlgTest, CancelEntersCancellingOnceAndKeepsTheStatusAfterwards)
{
    ProgressDlg dialog(std::make_shared<CInstallationController>());
    dialog.ProgressSlot(eGalleryInstallationProgressInstalling, L"a.gallery", L"A", 0, 30);
    dialog.OnCancel();
    dialog.OnCancel();
    EXPECT_TRUE(dialog.IsCancelling());
    EXPECT_TRUE(Indeterminate(dialog));
    dialog.ProgressSlot(eGalleryInstallationProgressInstalling, L"b.gallery", L"B", 0, 60);
    EXPECT_EQ(Label(dialog, "labelStatus"), QStringLiteral("Installing...")) << "the status stays while cancelling";
    EXPECT_EQ(Label(dialog, "labelFile"), QStringLiteral("b.gallery"));
    EXPECT_TRUE(Indeterminate(dialog));
}

TEST(ProgressDlgTest, FinishWaitsForTheButtonAndTheWindowManagerCannotClose)
{
    ProgressDlg dialog(nullptr);
    dialog.show();
    QCloseEvent close;
    QCoreApplication::sendEvent(&dialog, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_TRUE(dialog.isVisible());

    QString statusAtFinish;
    bool finishShown = false;
    DialogTest::OnNextModal([&](QWidget *modal) {
        statusAtFinish = Label(*modal, "labelStatus");
        finishShown = modal->findChild<QPushButton *>(QStringLiteral("buttonFinish"))->isVisible();
        dialog.OnCancel(); // after Finish the same action closes
    });
    dialog.Finish();
    EXPECT_TRUE(finishShown);
    EXPECT_EQ(statusAtFinish, QStringLiteral("The Gallery changes are complete."));
    EXPECT_EQ(Bar(dialog)->value(), 100);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.IsCancelling());
}

TEST(ProgressDlgTest, TheFloatingWindowSitsNearTheScreenCorner)
{
    const std::shared_ptr<ProgressDlg> floating = CreateFloatingProgress(nullptr);
    ASSERT_NE(floating, nullptr);
    EXPECT_TRUE(floating->isVisible());
    EXPECT_EQ(floating->pos(), QGuiApplication::primaryScreen()->geometry().topLeft() + QPoint(50, 50));
}

TEST(ReadProgressDlgTest, StartsGatheringAndShowsTheReportedStep)
{
    TestEnv::TempDir folder;
    ReadProgressDlg dialog(DialogTest::MakeConfiguration(folder.path()));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Trove"));
    EXPECT_EQ(Label(dialog, "labelAction"), QStringLiteral("Gathering required information..."));
    EXPECT_TRUE(Indeterminate(dialog));
    dialog.ProgressSlot(eGalleryInstallationProgressReading, L"gallery_categories.xml", L"", 0, 0);
    EXPECT_EQ(Label(dialog, "labelAction"), QStringLiteral("Reading..."));
    EXPECT_EQ(Label(dialog, "labelText"), QStringLiteral("gallery_categories.xml"));
}

namespace
{
class CancelFromDialogTest : public ControllerTest::Fixture
{
};
} // namespace

// Cancel pressed in the dialog while the worker installs: the run stops between files, what was
// installed so far is saved in the manifest, and the rest is left untouched.
TEST_F(CancelFromDialogTest, CancelInTheDialogStopsTheRunBetweenFilesAndKeepsTheDestinationConsistent)
{
    UseSmallSource();
    auto controller = std::shared_ptr<CInstallationController>(std::move(m_controller));
    ASSERT_TRUE(controller->ReadGalleryState(&m_progress));
    controller->SelectEverything();
    ProgressDlg dialog(controller);
    dialog.GetObserver()->Attach(&m_progress);
    dialog.show();

    int installs = 0;
    bool serviced = false;
    CGalleryInstallation::SetStepHook([&](const char *step) {
        if (std::string(step) != "install" || ++installs != 1) return;
        // The press happens on the dialog's thread while the worker waits here; events keep flowing there.
        QMetaObject::invokeMethod(
            &dialog,
            [&] {
                serviced = true;
                dialog.findChild<QPushButton *>(QStringLiteral("buttonCancel"))->click();
            },
            Qt::BlockingQueuedConnection);
    });
    EXPECT_TRUE(controller->RunEverything(dialog.GetObserver()));
    CGalleryInstallation::SetStepHook(nullptr);
    EXPECT_TRUE(serviced);
    EXPECT_TRUE(dialog.IsCancelling());
    EXPECT_EQ(installs, 1) << "no file is installed after the cancel";
    EXPECT_EQ(controller->GetLastRunResult(), E_ABORT);
    EXPECT_EQ(m_events.events.back(), 5) << "the run ends as cancelled";
    // The manifest holds exactly the one gallery that was installed, and reads back.
    EXPECT_EQ(EngineTest::DescribeRecords(DestinationPath()).size(), 1u);
    ASSERT_TRUE(TestEnv::Exists(DestinationPath() + "/imsmanifest.xml"));
    QCoreApplication::processEvents();
    controller.reset();
}
