// The language model through the window: the rows of installed, available and updated languages, what
// ticking them does to the controller and the summary, the questions asked on the way (a refusal
// leaves everything as it was), native and English names, and a source without language packs.
#include "ui/MainWindowFixture.h"

#include "ui/models/GalleryActionModel.h"
#include "ui/models/GalleryItemModel.h"
#include "ui/models/LanguageItemModel.h"

#include <QCheckBox>
#include <QPushButton>

using namespace WindowTest;
using Lines = std::vector<std::string>;

namespace
{

constexpr auto Install = eGalleryInstallationActionInstall;
constexpr auto Update = eGalleryInstallationActionUpdate;
constexpr auto None = eGalleryInstallationActionNone;

const char *const kNoChanges[] = {"Content", "  No changes", "Languages", "  No changes"};

class LanguageModelTest : public Fixture
{
  protected:
    void SetUp() override
    {
        Fixture::SetUp();
        const std::string list = Root() + "/languages.xml";
        ASSERT_TRUE(TestEnv::WriteFile(list, "<Languages><Language Code=\"fr\" EnglishName=\"French\" "
                                             "NativeName=\"Fran\xC3\xA7"
                                             "ais\" ID=\"40C\"/></Languages>"));
        LanguageXml::LanguageList languages;
        ASSERT_TRUE(languages.Read(Text::FromUtf8(list)));
        m_controller->SetLanguageList(languages);
    }
    // Space installed (without packs); the source offers French, and with spaceVersion "2" an update.
    void OpenWithSpace(const CAtlString &spaceVersion = L"1")
    {
        PreInstall({{L"cat-space", Install}});
        EngineTest::SourceVersions versions;
        versions.space = spaceVersion;
        OpenWindow(true, SizedSource(versions));
    }
    void ClickLanguage(const QString &text)
    {
        const QModelIndex index = Find(m_window->GetLanguageModel(), text);
        ASSERT_TRUE(index.isValid()) << text.toStdString();
        m_window->GetLanguageModel()->OnLanguageActivated(index);
    }
    void ClickCategory(const QString &text)
    {
        const QModelIndex index = Find(m_window->GetCategoryModel(), text);
        ASSERT_TRUE(index.isValid()) << text.toStdString();
        m_window->GetCategoryModel()->OnCategoryActivated(index);
    }
    std::vector<std::wstring> Added() const { return ControllerTest::Codes(m_controller->GetAddedLanguages()); }
};

TEST_F(LanguageModelTest, AddingAnAvailableLanguageUpdatesTheInstalledCategories)
{
    OpenWithSpace();
    const Lines before = {"Installed", "  Update all language packs", "  English", "Available [ ]",
                          "  Fran\xC3\xA7"
                          "ais [ ]"};
    EXPECT_EQ(Describe(m_window->GetLanguageModel()), before);
    EXPECT_EQ(
        m_window->GetLanguageModel()->index(0, 0, m_window->GetLanguageModel()->index(0, 0)).data(Qt::UserRole).toInt(),
        4);

    ClickLanguage("Fran\xC3\xA7"
                  "ais");
    EXPECT_EQ(Added(), (std::vector<std::wstring>{L"fr"}));
    EXPECT_EQ(Action(L"cat-space"), Update);
    EXPECT_EQ(Describe(m_window->GetLanguageModel()),
              (Lines{"Installed", "  Update all language packs", "  English", "Available [x]",
                     "  Fran\xC3\xA7"
                     "ais [x] (add)"}));
    // No update of the category is offered, so only the language shows.
    EXPECT_EQ(Describe(m_window->GetActionModel()), (Lines{"Content", "  No changes", "Languages",
                                                           "  Add Fran\xC3\xA7"
                                                           "ais (add)"}));
    EXPECT_TRUE(m_window->findChild<QPushButton *>("buttonNext")->isEnabled());

    // English names on request.
    m_window->findChild<QCheckBox *>("checkBoxNativeNames")->setChecked(false);
    EXPECT_EQ(Describe(m_window->GetActionModel()).back(), "  Add French (add)");
    EXPECT_EQ(Describe(m_window->GetLanguageModel()).back(), "  French [x] (add)");

    ClickLanguage("French");
    EXPECT_TRUE(Added().empty());
    EXPECT_EQ(Action(L"cat-space"), None);
    EXPECT_EQ(Describe(m_window->GetActionModel()), Lines(std::begin(kNoChanges), std::end(kNoChanges)));
}

TEST_F(LanguageModelTest, RefusingAQuestionLeavesEverythingAsItWas)
{
    OpenWithSpace(L"2");
    const Lines languages = Describe(m_window->GetLanguageModel());
    const Lines categories = Describe(m_window->GetCategoryModel());
    {
        // The update of Space is skipped: adding a language needs every category updated.
        BoxAnswerer answer("Cancel");
        ClickLanguage("Fran\xC3\xA7"
                      "ais");
        EXPECT_EQ(answer.texts,
                  (std::vector<std::string>{
                      "The Gallery must update all categories in order to install or update language packs."}));
    }
    EXPECT_TRUE(Added().empty());
    EXPECT_EQ(Action(L"cat-space"), None);
    EXPECT_EQ(Describe(m_window->GetLanguageModel()), languages);
    EXPECT_EQ(Describe(m_window->GetCategoryModel()), categories);
    {
        BoxAnswerer answer("Continue");
        ClickLanguage("Fran\xC3\xA7"
                      "ais");
        EXPECT_EQ(answer.texts.size(), 1u);
    }
    EXPECT_EQ(Added(), (std::vector<std::wstring>{L"fr"}));
    EXPECT_EQ(Action(L"cat-space"), Update);
    EXPECT_EQ(Describe(m_window->GetActionModel()), (Lines{"Content", "  Update Space (update)", "Languages",
                                                           "  Add Fran\xC3\xA7"
                                                           "ais (add)"}));

    // Dropping the update that carries the language: asked first, and a refusal keeps both.
    {
        BoxAnswerer answer("Cancel");
        ClickCategory("Updates to Space");
        EXPECT_EQ(answer.texts.size(), 1u);
        EXPECT_EQ(
            answer.texts.front().rfind("The Gallery must update all categories in order to install or update your "
                                       "selected language pack(s).",
                                       0),
            0u);
    }
    EXPECT_EQ(Action(L"cat-space"), Update);
    EXPECT_EQ(Added(), (std::vector<std::wstring>{L"fr"}));
    {
        BoxAnswerer answer("Continue");
        ClickCategory("Updates to Space");
    }
    EXPECT_EQ(Action(L"cat-space"), None);
    EXPECT_TRUE(Added().empty());
    EXPECT_EQ(Describe(m_window->GetActionModel()), Lines(std::begin(kNoChanges), std::end(kNoChanges)));
}

TEST_F(LanguageModelTest, InstalledLanguagesWithNewerPacksCanBeUpdatedTogether)
{
    m_configuration->SetLocaleList({L"fr"});
    PreInstall({{L"cat-space", Install}}, {L"fr"});
    EngineTest::SourceVersions versions;
    versions.spaceFr = L"2";
    OpenWindow(true, SizedSource(versions));
    EXPECT_EQ(Describe(m_window->GetLanguageModel()),
              (Lines{"Installed", "  Update all language packs [ ]", "  English",
                     "  * Fran\xC3\xA7"
                     "ais",
                     "Available [ ]"}));

    ClickLanguage("Update all language packs");
    EXPECT_EQ(Action(L"cat-space"), Update);
    EXPECT_EQ(Describe(m_window->GetLanguageModel())[1], "  Update all language packs [x] (update)");
    EXPECT_EQ(Describe(m_window->GetActionModel()), (Lines{"Content", "  No changes", "Languages",
                                                           "  Update Fran\xC3\xA7"
                                                           "ais (update)"}));

    ClickLanguage("Update all language packs");
    EXPECT_EQ(Action(L"cat-space"), None);
    EXPECT_EQ(Describe(m_window->GetLanguageModel())[1], "  Update all language packs [ ]");
}

TEST_F(LanguageModelTest, LanguagesDoNotChangeWithoutTheSource)
{
    PreInstall({{L"cat-space", Install}});
    OpenWindow(false);
    ClickLanguage("Fran\xC3\xA7"
                  "ais");
    EXPECT_TRUE(Added().empty());
    EXPECT_EQ(Describe(m_window->GetLanguageModel()).back(), "  Fran\xC3\xA7"
                                                             "ais [ ]");
}

TEST_F(LanguageModelTest, ASourceWithoutPacksSaysSo)
{
    NTrove::Publisher::Source source = SizedSource();
    for (NTrove::Publisher::Category &category : source.categories)
        category.languagePacks.clear();
    OpenWindow(true, source);
    EXPECT_EQ(Describe(m_window->GetLanguageModel()), (Lines{"No language packs available"}));
}

struct QuestionCase {
    bool (MainWindow::*ask)();
    const char *text;
};

TEST_F(LanguageModelTest, QuestionsAreBoxesWithContinueAndCancel)
{
    m_window = std::make_unique<MainWindow>(m_controller, m_configuration, nullptr);
    const QuestionCase cases[] = {
        {&MainWindow::CategoriesWillBeUpdated,
         "The Gallery must update all categories in order to install or update language packs."},
        {&MainWindow::LanguagesWillBeRemoved, "The Gallery must update all categories in order to install or update "
                                              "your selected language pack(s).\n\nDo you want to continue?"},
        {&MainWindow::TooManyLanguages,
         "Installing too many language packs can slow down Gallery performance. Do you want to continue?"},
    };
    for (const QuestionCase &c : cases) {
        for (const bool proceed : {true, false}) {
            BoxAnswerer answer(proceed ? "Continue" : "Cancel");
            EXPECT_EQ((m_window.get()->*c.ask)(), proceed) << c.text;
            EXPECT_EQ(answer.texts, (std::vector<std::string>{c.text}));
        }
    }
}

} // namespace
