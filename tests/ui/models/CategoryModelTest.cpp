// The category and summary models through the window: rows, check states and backgrounds for each
// state of a category, and what a click does to the controller's actions, the summary and the totals.
#include "ui/MainWindowFixture.h"

#include "ui/GSTreeView.h"
#include "ui/models/GalleryActionModel.h"
#include "ui/models/GalleryItemModel.h"
#include "ui/models/TotalItemModel.h"

#include <QPushButton>
#include <QTest>

using namespace WindowTest;
using Lines = std::vector<std::string>;

namespace
{

constexpr auto None = eGalleryInstallationActionNone;
constexpr auto Install = eGalleryInstallationActionInstall;
constexpr auto Update = eGalleryInstallationActionUpdate;
constexpr auto Remove = eGalleryInstallationActionRemove;

// In source order: Space (installed, version 2 offered), Tools (installed, current), Atlas (not
// installed).
EngineTest::SourceVersions SpaceUpdated()
{
    EngineTest::SourceVersions versions;
    versions.space = L"2";
    return versions;
}

class CategoryModelTest : public Fixture
{
  protected:
    void OpenInstalled(bool sourceAvailable)
    {
        PreInstall({{L"cat-space", Install}, {L"cat-tools", Install}});
        OpenWindow(sourceAvailable, SizedSource(SpaceUpdated()));
    }
    void Click(const QString &text)
    {
        const QModelIndex index = Find(m_window->GetCategoryModel(), text);
        ASSERT_TRUE(index.isValid()) << text.toStdString();
        m_window->GetCategoryModel()->OnCategoryActivated(index);
    }
    bool NextEnabled() const { return m_window->findChild<QPushButton *>("buttonNext")->isEnabled(); }
};

struct StateCase {
    const char *name;
    bool sourceAvailable;
    std::map<CAtlString, eGalleryInstallationAction> actions;
    Lines rows;
};

TEST_F(CategoryModelTest, RowsShowEachStateOfACategory)
{
    const StateCase cases[] = {
        {"read as it is",
         true,
         {},
         {"All Categories [~]", "  Space [x]", "    Updates to Space [ ]", "  Tools [x]", "  Atlas [ ]"}},
        {"update, install, remove",
         true,
         {{L"cat-space", Update}, {L"cat-atlas", Install}, {L"cat-tools", Remove}},
         {"All Categories [~]", "  Space [x]", "    Updates to Space [x] (update)", "  Tools [ ] (remove)",
          "  Atlas [x] (add)"}},
        {"everything removed",
         true,
         {{L"cat-space", Remove}, {L"cat-tools", Remove}},
         {"All Categories [ ]", "  Space [ ] (remove)", "    Updates to Space [ ]", "  Tools [ ] (remove)",
          "  Atlas [ ]"}},
        // Without the source nothing new can come: no update row, no box for what is not installed.
        {"source unavailable", false, {}, {"All Categories [x]", "  Space [x]", "  Tools [x]", "  Atlas"}},
    };
    for (const StateCase &c : cases) {
        SCOPED_TRACE(c.name);
        OpenInstalled(c.sourceAvailable);
        for (const auto &[identifier, action] : c.actions)
            Item(identifier.c_str())->SetAction(action);
        m_window->GetCategoryModel()->RefreshData();
        EXPECT_EQ(Describe(m_window->GetCategoryModel()), c.rows);
        m_window.reset();
        TearDown();
        SetUp();
    }
}

TEST_F(CategoryModelTest, ColumnOneShowsSizesAndVersions)
{
    OpenInstalled(true);
    EXPECT_EQ(Describe(m_window->GetCategoryModel(), true),
              (Lines{"All Categories [~]", "  Space [x] | 2.0 KB", "    Updates to Space [ ] | 2",
                     "  Tools [x] | 500 bytes", "  Atlas [ ] | 20 KB"}));
    const QModelIndex size =
        m_window->GetCategoryModel()->index(0, 1, Find(m_window->GetCategoryModel(), "All Categories"));
    EXPECT_EQ(size.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
}

TEST_F(CategoryModelTest, ClickingSetsTheActionAndTheSummaryFollows)
{
    OpenInstalled(true);
    EXPECT_FALSE(NextEnabled());
    EXPECT_EQ(Describe(m_window->GetActionModel(), true),
              (Lines{"Content", "  No changes", "Languages", "  No changes"}));
    EXPECT_EQ(Describe(m_window->GetTotalModel(), true),
              (Lines{"Total to add: | 0 bytes", "Total to remove: | 0 bytes"}));

    Click("Atlas");
    Click("Updates to Space");
    Click("Tools");
    EXPECT_EQ(Action(L"cat-atlas"), Install);
    EXPECT_EQ(Action(L"cat-space"), Update);
    EXPECT_EQ(Action(L"cat-tools"), Remove);
    EXPECT_TRUE(NextEnabled());
    // Add, then update, then remove.
    EXPECT_EQ(Describe(m_window->GetActionModel(), true),
              (Lines{"Content", "  Add Atlas (add) | 20 KB", "  Update Space (update) | 2.0 KB",
                     "  Remove Tools (remove) | 500 bytes", "Languages", "  No changes"}));
    EXPECT_EQ(Describe(m_window->GetTotalModel(), true),
              (Lines{"Total to add: | 20 KB", "Total to remove: | 500 bytes"}));

    // Ticking the installed category whose update is pending: removal, and the update row goes back.
    Click("Space");
    EXPECT_EQ(Action(L"cat-space"), Remove);
    EXPECT_EQ(Describe(m_window->GetCategoryModel()),
              (Lines{"All Categories [~]", "  Space [ ] (remove)", "    Updates to Space [ ]", "  Tools [ ] (remove)",
                     "  Atlas [x] (add)"}));

    // Every tick undone: nothing to do.
    Click("Space");
    Click("Atlas");
    Click("Tools");
    EXPECT_EQ(Action(L"cat-space"), None);
    EXPECT_EQ(Action(L"cat-atlas"), None);
    EXPECT_EQ(Action(L"cat-tools"), None);
    EXPECT_FALSE(NextEnabled());
    EXPECT_EQ(Describe(m_window->GetActionModel()), (Lines{"Content", "  No changes", "Languages", "  No changes"}));
}

TEST_F(CategoryModelTest, TheGroupChecksEverythingThenNothing)
{
    OpenInstalled(true);
    Click("All Categories"); // partially checked -> checked: Atlas is added
    EXPECT_EQ(
        Describe(m_window->GetCategoryModel()),
        (Lines{"All Categories [x]", "  Space [x]", "    Updates to Space [ ]", "  Tools [x]", "  Atlas [x] (add)"}));
    Click("All Categories"); // checked -> unchecked: the installed ones are removed
    EXPECT_EQ(Describe(m_window->GetCategoryModel()),
              (Lines{"All Categories [ ]", "  Space [ ] (remove)", "    Updates to Space [ ]", "  Tools [ ] (remove)",
                     "  Atlas [ ]"}));
    EXPECT_EQ(Action(L"cat-atlas"), None);
}

TEST_F(CategoryModelTest, WithoutTheSourceOnlyInstalledCategoriesChange)
{
    OpenInstalled(false);
    Click("Atlas");
    EXPECT_EQ(Action(L"cat-atlas"), None);
    Click("Tools");
    EXPECT_EQ(Action(L"cat-tools"), Remove);
    EXPECT_EQ(Describe(m_window->GetCategoryModel()),
              (Lines{"All Categories [~]", "  Space [x]", "  Tools [ ] (remove)", "  Atlas"}));
}

TEST_F(CategoryModelTest, KeysOnTheCurrentRowToggleLikeAClick)
{
    OpenInstalled(true);
    m_window->show();
    auto *view = m_window->findChild<GSTreeView *>("treeViewCategories");
    ASSERT_NE(view, nullptr);
    view->setFocus();
    view->setCurrentIndex(Find(m_window->GetCategoryModel(), "Atlas"));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(Action(L"cat-atlas"), Install);
    // Return toggles too, and never presses "Next >>" underneath.
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(Action(L"cat-atlas"), None);
    QTest::keyClick(view, Qt::Key_Enter);
    EXPECT_EQ(Action(L"cat-atlas"), Install);
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(m_window->result(), QDialog::Rejected);
    // The row stays current: the model kept its rows.
    EXPECT_EQ(view->currentIndex().data().toString(), "Atlas");
}

} // namespace
