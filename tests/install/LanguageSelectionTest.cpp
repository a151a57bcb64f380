// The language half of the controller: which languages are installed, available, added and updated,
// how adding and removing languages turns into item actions and questions, the defaults, and the
// target languages of a run.
#include "ControllerTestSupport.h"

#include "settings/KDLocale.h"

#include <QString>

using namespace ControllerTest;
using LanguageXml::Language;

namespace
{

constexpr auto None = eGalleryInstallationActionNone;
constexpr auto Install = eGalleryInstallationActionInstall;
constexpr auto Update = eGalleryInstallationActionUpdate;
constexpr auto Remove = eGalleryInstallationActionRemove;

NTrove::Publisher::Category MakeCategory(const wchar_t *id, const wchar_t *version,
                                         const std::vector<const wchar_t *> &packs)
{
    NTrove::Publisher::Category category;
    category.identifier = std::wstring(L"cat-") + id;
    category.titles = {{L"en", id}};
    NTrove::Publisher::Gallery &gallery = category.galleries.emplace_back();
    gallery.fileName = std::wstring(id) + L".gallery";
    gallery.identifier = std::wstring(L"http://GUID-TEST/") + id;
    gallery.version = version;
    gallery.titles = {{L"en", id}};
    gallery.items = {EngineTest::MakeItem((std::wstring(id) + L".galleryitem").c_str(), "x", id, id)};
    for (const wchar_t *language : packs)
        category.languagePacks.push_back({language, std::wstring(id) + L"_" + language + L".xml", L"1"});
    return category;
}

// "cat-a" offers de, es, fr, it; "cat-b" and "cat-c" offer fr. With bVersion "2" after installing
// version "1", cat-b has an update.
NTrove::Publisher::Source LanguageSource(const wchar_t *bVersion)
{
    NTrove::Publisher::Source source;
    source.categoriesId = L"GUID-TEST";
    source.categories = {MakeCategory(L"a", L"1", {L"de", L"es", L"fr", L"it"}), MakeCategory(L"b", bVersion, {L"fr"}),
                         MakeCategory(L"c", L"1", {L"fr"})};
    return source;
}

// Forces the user-interface locale for one test.
struct LocaleOverride {
    explicit LocaleOverride(const char *locale) { KDLocale::OverrideLocale(QString::fromLatin1(locale)); }
    ~LocaleOverride() { KDLocale::OverrideLocale(QString()); }
};

class LanguageSelectionTest : public Fixture
{
  protected:
    // cat-a current, cat-b with an update, cat-c not installed.
    void SetUp() override
    {
        Fixture::SetUp();
        Publish(LanguageSource(L"1"));
        ASSERT_TRUE(m_controller->SetSource(SourceBase()));
        PreInstall({{L"cat-a", Install}, {L"cat-b", Install}});
        Publish(LanguageSource(L"2"));
    }

    // A fresh read with these installed and added languages and these actions of a, b and c.
    void Start(const std::vector<CAtlString> &installed, const std::vector<CAtlString> &added,
               const std::vector<eGalleryInstallationAction> &actions)
    {
        m_configuration->SetLocaleList(installed);
        m_controller->ForceAddedLanguages(added);
        ASSERT_TRUE(m_controller->ReadGalleryState(&m_progress));
        m_controller->SyncLanguages();
        const wchar_t *ids[] = {L"cat-a", L"cat-b", L"cat-c"};
        for (size_t i = 0; i < 3; ++i)
            Item(ids[i])->SetAction(actions[i]);
        m_events.events.clear();
        m_events.answers.clear();
    }
    std::vector<int> ActionsABC() const { return {Action(L"cat-a"), Action(L"cat-b"), Action(L"cat-c")}; }
    std::vector<std::wstring> Added() const { return Codes(m_controller->GetAddedLanguages()); }
};

TEST_F(LanguageSelectionTest, SyncSplitsInstalledAvailableAndAdded)
{
    Start({L"FR-fr", L"de", L"es", L"de"}, {L"it", L"de", L"xx", L"it"}, {None, None, None});
    EXPECT_EQ(Codes(m_controller->GetInstalledLanguages()), (std::vector<std::wstring>{L"de", L"es", L"fr_FR"}));
    EXPECT_EQ(Codes(m_controller->GetAvailableLanguages()), (std::vector<std::wstring>{L"fr", L"it"}));
    EXPECT_EQ(Added(), (std::vector<std::wstring>{L"it", L"xx"})) << "installed ones leave the added list";
    EXPECT_EQ(m_controller->GetTargetLanguages(), (std::vector<CAtlString>{L"de", L"es", L"fr_FR", L"it", L"xx"}));
    EXPECT_TRUE(m_controller->IsLanguageSelected(Language::CreateStubLanguage(L"it")));
    EXPECT_FALSE(m_controller->IsLanguageSelected(Language::CreateStubLanguage(L"de")));
}

TEST_F(LanguageSelectionTest, AddingALanguage)
{
    const struct {
        const char *name;
        std::vector<CAtlString> installed, added;
        std::vector<eGalleryInstallationAction> before;
        const wchar_t *language;
        std::map<int, bool> answers;
        bool result;
        std::vector<int> questions;
        std::vector<std::wstring> addedAfter;
        std::vector<int> actionsAfter;
    } rows[] = {
        {"offered by no category", {}, {}, {None, Update, None}, L"ja", {}, false, {}, {}, {None, Update, None}},
        {"installed already", {L"fr"}, {}, {None, Update, None}, L"fr", {}, false, {}, {}, {None, Update, None}},
        {"nothing would remain", {}, {}, {Remove, Remove, None}, L"fr", {}, false, {}, {}, {Remove, Remove, None}},
        {"skipped update asks, yes", {}, {}, {None, None, None}, L"fr", {}, true, {7}, {L"fr"}, {Update, Update, None}},
        {"skipped update asks, no",
         {},
         {},
         {None, None, None},
         L"fr",
         {{7, false}},
         false,
         {7},
         {},
         {None, None, None}},
        {"no skipped update, no question",
         {},
         {},
         {None, Update, Install},
         L"fr",
         {},
         true,
         {},
         {L"fr"},
         {Update, Update, Install}},
        {"removals stay", {}, {}, {Remove, Update, None}, L"fr", {}, true, {}, {L"fr"}, {Remove, Update, None}},
        {"third language, no question",
         {L"de"},
         {L"it"},
         {None, Update, None},
         L"fr",
         {},
         true,
         {},
         {L"fr", L"it"},
         {Update, Update, None}},
        {"fourth language asks, yes",
         {L"de", L"es"},
         {L"it"},
         {None, Update, None},
         L"fr",
         {},
         true,
         {9},
         {L"fr", L"it"},
         {Update, Update, None}},
        {"fourth language asks, no",
         {L"de", L"es"},
         {L"it"},
         {None, Update, None},
         L"fr",
         {{9, false}},
         false,
         {9},
         {L"it"},
         {None, Update, None}},
        {"both questions",
         {L"de", L"es"},
         {L"it"},
         {None, None, None},
         L"fr",
         {},
         true,
         {7, 9},
         {L"fr", L"it"},
         {Update, Update, None}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Start(row.installed, row.added, row.before);
        m_events.answers = row.answers;
        EXPECT_EQ(m_controller->AddLanguageToUserList(m_controller->GetLanguageList().GetLanguage(row.language, true)),
                  row.result);
        EXPECT_EQ(m_events.events, row.questions);
        EXPECT_EQ(Added(), row.addedAfter);
        EXPECT_EQ(ActionsABC(), row.actionsAfter);
    }
}

TEST_F(LanguageSelectionTest, ChangingActionsWhileLanguagesAreAdded)
{
    const auto fr = Language::CreateStubLanguage(L"fr");
    const struct {
        const char *name;
        std::vector<CAtlString> added;
        std::vector<eGalleryInstallationAction> before;
        std::function<bool(CInstallationController &)> change;
        bool result;
        std::vector<int> questions;
        std::vector<std::wstring> addedAfter;
        std::vector<int> actionsAfter;
    } rows[] = {
        {"removing the last added language undoes updates made for it",
         {L"fr"},
         {Update, Update, Install},
         [&, this](CInstallationController &c) { return c.RemoveLanguageFromUserList(fr); },
         true,
         {},
         {},
         {None, Update, Install}},
        {"removing a language that was not added",
         {L"fr"},
         {Update, Update, None},
         [this](CInstallationController &c) {
             return c.RemoveLanguageFromUserList(Language::CreateStubLanguage(L"de"));
         },
         false,
         {},
         {L"fr"},
         {Update, Update, None}},
        {"leaving an update asks, yes drops every language",
         {L"fr"},
         {Update, Update, None},
         [this](CInstallationController &c) { return c.SetNewAction(Item(L"cat-b"), None); },
         true,
         {8},
         {},
         {None, None, None}},
        {"leaving an update asks, no changes nothing",
         {L"fr"},
         {Update, Update, None},
         [this](CInstallationController &c) {
             m_events.answers[8] = false;
             return c.SetNewAction(Item(L"cat-a"), None);
         },
         false,
         {8},
         {L"fr"},
         {Update, Update, None}},
        {"keeping a gallery marked for removal updates it",
         {L"fr"},
         {Remove, Update, None},
         [this](CInstallationController &c) { return c.SetNewAction(Item(L"cat-a"), None); },
         true,
         {},
         {L"fr"},
         {Update, Update, None}},
        {"installing over an update is the update",
         {L"fr"},
         {Update, None, None},
         [this](CInstallationController &c) { return c.SetNewAction(Item(L"cat-b"), Install); },
         true,
         {},
         {L"fr"},
         {Update, Update, None}},
        {"removing the last content removes the languages",
         {L"fr"},
         {Remove, Update, None},
         [this](CInstallationController &c) { return c.SetNewAction(Item(L"cat-b"), Remove); },
         true,
         {},
         {},
         {Remove, Remove, None}},
        {"without added languages nothing is turned",
         {},
         {Update, None, None},
         [this](CInstallationController &c) {
             return c.SetNewAction(Item(L"cat-b"), Install) && c.SetNewAction(Item(L"cat-a"), None);
         },
         true,
         {},
         {},
         {None, Install, None}},
        {"a null item",
         {L"fr"},
         {Update, Update, None},
         [this](CInstallationController &c) { return c.SetNewAction(nullptr, None); },
         false,
         {},
         {L"fr"},
         {Update, Update, None}},
        {"an empty added list drops the languages",
         {L"fr"},
         {Update, Update, Install},
         [this](CInstallationController &c) { return c.SetAddedLanguages({}); },
         true,
         {},
         {},
         {None, Update, Install}},
        {"a new added list marks the installed galleries",
         {},
         {None, None, Install},
         [this](CInstallationController &c) {
             return c.SetAddedLanguages({Language::CreateStubLanguage(L"it"), Language::CreateStubLanguage(L"fr")});
         },
         true,
         {},
         {L"fr", L"it"},
         {Update, Update, Install}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Start({}, row.added, row.before);
        EXPECT_EQ(row.change(*m_controller), row.result);
        EXPECT_EQ(m_events.events, row.questions);
        EXPECT_EQ(Added(), row.addedAfter);
        EXPECT_EQ(ActionsABC(), row.actionsAfter);
    }
}

TEST_F(LanguageSelectionTest, DefaultsProposeTheInterfaceLanguageOnce)
{
    const LocaleOverride french("fr");
    Start({}, {}, {None, None, None});
    m_controller->SelectDefaults();
    EXPECT_TRUE(m_events.events.empty()) << "the update of cat-b is selected first, so nothing is skipped";
    EXPECT_EQ(Added(), (std::vector<std::wstring>{L"fr"}));
    EXPECT_EQ(ActionsABC(), (std::vector<int>{Update, Update, None}));
    EXPECT_FALSE(m_controller->GetUpdateLanguages());

    // Once seen, it is not proposed again.
    ASSERT_TRUE(m_controller->SaveKnownLanguages());
    CInstallationController again;
    again.SetConfiguration(m_configuration);
    again.SetLanguageList(LanguageXml::LanguageList());
    ASSERT_TRUE(again.SetSource(SourceBase()));
    ASSERT_TRUE(again.ReadGalleryState(&m_progress));
    again.SelectDefaults();
    EXPECT_EQ(Codes(again.GetKnownLanguages()), (std::vector<std::wstring>{L"de", L"es", L"fr", L"it"}));
    EXPECT_TRUE(again.GetAddedLanguages().empty());
    EXPECT_EQ(again.GetInstallation()->GetByIdentifier(L"cat-a")->GetAction(), None);
    EXPECT_EQ(again.GetInstallation()->GetByIdentifier(L"cat-b")->GetAction(), Update);
}

TEST_F(LanguageSelectionTest, NewerTranslationsOfInstalledLanguagesAreUpdates)
{
    // space is installed with its French pack 1; the source now offers pack 2 for the same gallery.
    TestEnv::RemoveAll(DestinationPath());
    EngineTest::SourceVersions versions;
    UseSmallSource(versions);
    PreInstall({{L"cat-space", Install}, {L"cat-tools", Install}}, {L"fr"});
    versions.spaceFr = L"2";
    UseSmallSource(versions);
    m_configuration->SetLocaleList({L"fr"});
    const LocaleOverride french("fr");
    ASSERT_TRUE(m_controller->ReadGalleryState(&m_progress));
    m_events.events.clear();
    m_controller->SelectDefaults();

    EXPECT_EQ(Codes(m_controller->GetUpdatedLanguages()), (std::vector<std::wstring>{L"fr"}));
    EXPECT_TRUE(m_controller->GetAddedLanguages().empty()) << "French is installed";
    EXPECT_TRUE(m_controller->GetUpdateLanguages());
    EXPECT_TRUE(m_events.events.empty());
    EXPECT_EQ(Actions(), (std::vector<int>{Update, Update, None}));
    EXPECT_TRUE(m_controller->IsLanguageBeingUpdated());
    // Deselecting the translations: no file update, so back to none.
    EXPECT_TRUE(m_controller->SetDontUpdateLanguages());
    EXPECT_FALSE(m_controller->GetUpdateLanguages());
    EXPECT_EQ(Actions(), (std::vector<int>{None, None, None}));
    EXPECT_FALSE(m_controller->IsLanguageBeingUpdated());
    // While the flag is set, removing languages leaves the actions.
    EXPECT_TRUE(m_controller->SetUpdateLanguages());
    EXPECT_FALSE(m_controller->SetLanguagesRemoved());
    EXPECT_EQ(Actions(), (std::vector<int>{Update, Update, None}));

    EXPECT_TRUE(m_controller->RunEverything(&m_progress));
    EXPECT_EQ(EngineTest::DescribeRecords(DestinationPath()),
              (std::vector<std::string>{"http://test.invalid/space 1 en:1 fr:2", "http://test.invalid/tools 9"}));
}

TEST_F(LanguageSelectionTest, RunTargetsTheInstalledThenTheAddedLanguages)
{
    Start({L"de"}, {}, {None, Update, None});
    ASSERT_TRUE(m_controller->AddLanguageToUserList(Language::CreateStubLanguage(L"fr")));
    EXPECT_EQ(m_controller->GetTargetLanguages(), (std::vector<CAtlString>{L"de", L"fr"}));
    EXPECT_TRUE(m_controller->RunEverything(&m_progress));
    EXPECT_EQ(CGalleryInstallationItem::GetTargetLanguageList(), (std::vector<CAtlString>{L"de", L"fr"}));
    EXPECT_EQ(m_configuration->GetLocaleList(), (std::vector<CAtlString>{L"de", L"fr"}));
    EXPECT_EQ(EngineTest::DescribeRecords(DestinationPath()),
              (std::vector<std::string>{"http://GUID-TEST/a 1 de:1 fr:1", "http://GUID-TEST/b 2 fr:1"}));
}

TEST_F(LanguageSelectionTest, ForcedLanguages)
{
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("languages.xml"),
                                   "<LanguagePacks><L Code=\"fr-FR\" ID=\"040C\"/><L Code=\"de_de\" ID=\"0407\"/>"
                                   "</LanguagePacks>"));
    LanguageXml::LanguageList list;
    ASSERT_TRUE(list.Read(Text::FromUtf8(dir.file("languages.xml"))));
    m_controller->SetLanguageList(list);

    m_controller->ForceAllLanguages();
    EXPECT_EQ(Added(), (std::vector<std::wstring>{L"de_DE", L"fr_FR"}));
    // Order kept, duplicates and codes the list does not know dropped.
    m_controller->ForceAddedLanguages({L"FR-fr", L"xx", L"de-DE", L"fr_FR"});
    EXPECT_EQ(Added(), (std::vector<std::wstring>{L"fr_FR", L"de_DE"}));
    m_controller->ForceAddedLanguages({});
    EXPECT_TRUE(Added().empty());
}

} // namespace
