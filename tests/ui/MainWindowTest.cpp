// The main window: its layout, reading and re-reading (the models are empty while a read runs and
// rebuilt after it), a read that fails, choosing another folder, "Next >>" with and without actions,
// and closing the window while a run works.
#include "ui/MainWindowFixture.h"

#include "ui/dialogs/PathSelector.h"
#include "ui/dialogs/ProgressDlg.h"
#include "ui/models/GalleryActionModel.h"
#include "ui/models/GalleryItemModel.h"
#include "ui/models/LanguageItemModel.h"
#include "ui/models/TotalItemModel.h"

#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTreeView>

#include <atomic>
#include <filesystem>

using namespace WindowTest;
using Lines = std::vector<std::string>;

namespace
{

constexpr auto Install = eGalleryInstallationActionInstall;

// Records the row counts of the window's models whenever a read starts (the window is told first).
class ReadProbe : public ControllerTest::SilentObserver
{
  public:
    explicit ReadProbe(MainWindow *window) : m_window(window) {}
    void OnReadStarted(CGalleryInstallation *) override
    {
        rowsAtStart.push_back(m_window->GetCategoryModel()->rowCount() + m_window->GetLanguageModel()->rowCount() +
                              m_window->GetActionModel()->rowCount() + m_window->GetTotalModel()->rowCount());
    }
    std::vector<int> rowsAtStart;

  private:
    MainWindow *m_window;
};

// The folder question answered from a list (cancel when it runs out).
std::vector<QString> g_folderAnswers;
QString AnswerFolder(QWidget *, const QString &, const QString &)
{
    if (g_folderAnswers.empty()) return QString();
    const QString answer = g_folderAnswers.front();
    g_folderAnswers.erase(g_folderAnswers.begin());
    return answer;
}

class MainWindowTest : public Fixture
{
  protected:
    void TearDown() override
    {
        PathSelector::SetAskFunctionForTesting(nullptr);
        Fixture::TearDown();
    }
    void Click(const QString &text)
    {
        const QModelIndex index = Find(m_window->GetCategoryModel(), text);
        ASSERT_TRUE(index.isValid()) << text.toStdString();
        m_window->GetCategoryModel()->OnCategoryActivated(index);
    }
    QPushButton *Button(const char *name) const { return m_window->findChild<QPushButton *>(name); }
};

TEST(MainWindowConstruction, ConstructsWithoutAConfiguration)
{
    auto controller = std::make_shared<CInstallationController>();
    MainWindow window(controller, nullptr, nullptr);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, TheLayoutNamesItsPartsAndWaitsForChanges)
{
    OpenWindow();
    EXPECT_EQ(m_window->windowTitle(), "Test");
    EXPECT_FALSE(m_window->windowIcon().isNull());
    for (const char *view : {"treeViewCategories", "treeViewLanguages", "treeViewActions", "treeViewTotal"})
        EXPECT_NE(m_window->findChild<QTreeView *>(view), nullptr) << view;
    EXPECT_EQ(Button("buttonNext")->text(), "Next >>");
    EXPECT_FALSE(Button("buttonNext")->isEnabled());
    EXPECT_TRUE(Button("buttonAbout")->isHidden());
    // A local source: nothing to connect to.
    EXPECT_FALSE(Button("buttonConnection")->isEnabled());
    EXPECT_EQ(m_window->findChild<QLineEdit *>("lineEditFolder")->text().toStdString(), DestinationPath());
}

TEST_F(MainWindowTest, TheSharedControllerOutlivesTheWindow)
{
    OpenWindow();
    m_window.reset();
    // The read's events find no window behind them.
    EXPECT_TRUE(m_controller->ReadGalleryState(nullptr));
}

TEST_F(MainWindowTest, AReadEmptiesTheModelsFirstAndRebuildsThemFromTheNewItems)
{
    OpenWindow();
    ReadProbe probe(m_window.get());
    m_controller->AddInstallationObserver(&probe);
    Click("Atlas");
    const Lines before = Describe(m_window->GetCategoryModel());

    ASSERT_TRUE(m_window->ReadGalleryState());
    EXPECT_EQ(probe.rowsAtStart, (std::vector<int>{0}));
    // The new installation's items: the tick is gone, and ticking again reaches the new item.
    EXPECT_EQ(Describe(m_window->GetCategoryModel()),
              (Lines{"All Categories [ ]", "  Space [ ]", "  Tools [ ]", "  Atlas [ ]"}));
    Click("Atlas");
    EXPECT_EQ(Describe(m_window->GetCategoryModel()), before);
    EXPECT_EQ(Action(L"cat-atlas"), Install);
    EXPECT_TRUE(Button("buttonNext")->isEnabled());
}

TEST_F(MainWindowTest, AFailedReadIsReportedAndLeavesUsableViews)
{
    OpenWindow();
    std::filesystem::remove_all(SourcePath());
    std::filesystem::remove_all(DestinationPath() + "/Uninstall");
    std::vector<std::string> texts;
    {
        ModalDriver driver([&texts](QWidget *modal) { AnswerBox(modal, "OK", &texts); });
        EXPECT_FALSE(m_window->ReadGalleryState());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Failed to read current state of the Gallery."}));
    EXPECT_EQ(Describe(m_window->GetCategoryModel()), (Lines{"All Categories [ ]"}));
    EXPECT_FALSE(Button("buttonNext")->isEnabled());
}

TEST_F(MainWindowTest, BrowseTakesOnlyAGalleryFolderAndKeepsTheTicks)
{
    OpenWindow();
    Click("Atlas");
    const std::string stray = Root() + "/stray";
    ASSERT_TRUE(TestEnv::WriteFile(stray + "/notes.txt", "mine"));
    const std::string fresh = Root() + "/fresh";
    g_folderAnswers = {QString::fromStdString(stray), QString::fromStdString(fresh)};
    PathSelector::SetAskFunctionForTesting(&AnswerFolder);
    std::vector<std::string> texts;
    {
        ModalDriver driver([&texts](QWidget *modal) { AnswerBox(modal, "OK", &texts); });
        m_window->OnBrowse();
    }
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find(stray), std::string::npos) << texts[0];
    EXPECT_EQ(Text::ToUtf8(m_configuration->GetDestination().GetDirectoryPathString()), fresh);
    EXPECT_EQ(m_window->findChild<QLineEdit *>("lineEditFolder")->text().toStdString(), fresh);
    EXPECT_EQ(Action(L"cat-atlas"), Install);
    EXPECT_EQ(Describe(m_window->GetCategoryModel())[3], "  Atlas [x] (add)");
    EXPECT_TRUE(Button("buttonNext")->isEnabled());
    EXPECT_TRUE(TestEnv::ReadFile(stray + "/notes.txt") == "mine");

    // Cancelled: nothing changes.
    PathSelector::SetAskFunctionForTesting(&AnswerFolder);
    m_window->OnBrowse();
    EXPECT_EQ(Text::ToUtf8(m_configuration->GetDestination().GetDirectoryPathString()), fresh);
    EXPECT_EQ(Action(L"cat-atlas"), Install);
}

TEST_F(MainWindowTest, NextWithoutChangesOnlyCloses)
{
    OpenWindow();
    m_window->OnOk();
    EXPECT_EQ(m_window->result(), QDialog::Accepted);
    EXPECT_EQ(m_controller->GetLastRunResult(), S_FALSE);
    EXPECT_FALSE(std::filesystem::exists(DestinationPath() + "/imsmanifest.xml"));
}

TEST_F(MainWindowTest, NextRunsTheSelectionWithTheProgressDialog)
{
    OpenWindow();
    Click("Tools");
    bool sawProgress = false;
    {
        ModalDriver driver([&sawProgress](QWidget *modal) {
            sawProgress = sawProgress || qobject_cast<ProgressDlg *>(modal);
            PressFinish(modal);
        });
        m_window->OnOk();
    }
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(m_window->result(), QDialog::Accepted);
    EXPECT_EQ(EngineTest::DescribeRecords(DestinationPath()),
              (std::vector<std::string>{"http://test.invalid/tools 9"}));
}

TEST_F(MainWindowTest, ClosingDuringARunAsksAndStopsItOnlyOnYes)
{
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stop" : "go on");
        // Every step of the run takes a while, so that the question comes while files remain.
        CGalleryInstallation::SetStepHook([](const char *) { QThread::msleep(150); });
        OpenWindow();
        Click("All Categories");
        std::vector<std::string> texts;
        bool asked = false;
        {
            ModalDriver driver([&](QWidget *modal) {
                if (qobject_cast<ProgressDlg *>(modal) && !asked) {
                    asked = true;
                    // Queued: the question it asks needs this driver to answer it.
                    QMetaObject::invokeMethod(m_window.get(), "reject", Qt::QueuedConnection);
                    return;
                }
                if (AnswerBox(modal, stop ? "Yes" : "No", &texts) || AnswerBox(modal, "OK", &texts)) return;
                PressFinish(modal);
            });
            m_window->OnOk();
        }
        CGalleryInstallation::SetStepHook(nullptr);
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts[0], "Changes are being made. Do you want to stop them?");
        const std::vector<std::string> records = EngineTest::DescribeRecords(DestinationPath());
        if (stop) {
            EXPECT_EQ(texts.back(), "The Gallery cancelled your requested changes.");
            EXPECT_LT(records.size(), 4u);
        } else {
            EXPECT_EQ(texts.size(), 1u);
            EXPECT_EQ(records.size(), 4u);
        }
        // Whatever was merged is saved in a manifest that reads.
        EXPECT_NE(EngineTest::DescribeManifest(DestinationPath() + "/imsmanifest.xml"),
                  (std::vector<std::string>{"<unreadable>"}));
        EXPECT_EQ(m_window->result(), QDialog::Accepted);
        m_window.reset();
        TearDown();
        SetUp();
    }
}

} // namespace
