// InstallationState after Refresh: one table of item configurations against every field of the state.
#include "install/InstallationState.h"

#include "common/TestEnv.h"
#include "gallery/maintenance/GalleryInstalledManifest.h"
#include "install/GalleryInstallationItem.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

// An uninstall record as the registry reads it: identifier and version.
std::string Record(const std::string &identifier, const std::string &version)
{
    return "<manifest><metadata><lom:lom><lom:general><lom:identifier><lom:entry>" + identifier +
           "</lom:entry></lom:identifier></lom:general><lom:lifeCycle><lom:version><lom:string>" + version +
           "</lom:string></lom:version></lom:lifeCycle></lom:lom></metadata></manifest>";
}

enum Kind { NotInstalled, Current, Outdated };

struct ItemSpec {
    Kind kind;
    eGalleryInstallationAction action;
    int size;
};

struct Deleter {
    void operator()(CGalleryInstallationItem *item) const { CGalleryInstallationItem::DeleteInstance(&item); }
};
using ItemPtr = std::unique_ptr<CGalleryInstallationItem, Deleter>;

// Destination records: "current" is installed at the offered version 2, "outdated" at version 1.
class StateItems
{
  public:
    StateItems()
    {
        EXPECT_TRUE(TestEnv::WriteFile(m_dir.file("imsmanifest1.xml"), Record("http://d/current", "2")));
        EXPECT_TRUE(TestEnv::WriteFile(m_dir.file("imsmanifest2.xml"), Record("http://d/outdated", "1")));
        EXPECT_EQ(m_installed.Open(CKeldaDirectoryPath::FromUtf8(m_dir.path())), S_OK);
        EXPECT_EQ(m_installed.GetCount(), 2u);
    }

    ItemPtr Make(const ItemSpec &spec, int index)
    {
        const char *ids[] = {"http://d/new", "http://d/current", "http://d/outdated"};
        const std::string xml = "<category id=\"c" + std::to_string(index) + "\" version=\"2\" size=\"" +
                                std::to_string(spec.size) +
                                "\"><title><t language=\"en\">T</t></title><files><f id=\"" + ids[spec.kind] +
                                "\" version=\"2\">g.gallery</f></files></category>";
        tinyxml2::XMLDocument document;
        EXPECT_EQ(document.Parse(xml.c_str()), tinyxml2::XML_SUCCESS);
        CGalleryInstallationItem *item = nullptr;
        EXPECT_EQ(CGalleryInstallationItem::CreateInstance(&item), S_OK);
        EXPECT_EQ(item->Load(document.RootElement(), m_installed), S_OK);
        EXPECT_EQ(item->GetIsInstalled(), spec.kind != NotInstalled);
        EXPECT_EQ(item->GetIsUpdateAvailable(), spec.kind != Current);
        item->SetAction(spec.action);
        return ItemPtr(item);
    }

  private:
    TestEnv::TempDir m_dir;
    CGalleryInstalledManifestMap m_installed;
};

constexpr auto None = eGalleryInstallationActionNone;
constexpr auto Install = eGalleryInstallationActionInstall;
constexpr auto Reinstall = eGalleryInstallationActionReinstall;
constexpr auto Update = eGalleryInstallationActionUpdate;
constexpr auto Remove = eGalleryInstallationActionRemove;

} // namespace

TEST(ControllerStateTest, RefreshTable)
{
    struct Row {
        const char *name;
        std::vector<ItemSpec> items;
        // content, installed, actions, empty, skipped, allUpdating
        bool hasContent, hasInstalled, hasActions, isEmpty, hasSkippedUpdates, allInstalledUpdating;
        uint64_t downloadSize, removeSize;
    };
    const Row rows[] = {
        {"no items", {}, false, false, false, true, false, false, 0, 0},
        {"new, none", {{NotInstalled, None, 100}}, false, false, false, true, false, false, 0, 0},
        {"new, install", {{NotInstalled, Install, 100}}, true, false, true, false, false, true, 100, 0},
        {"new, reinstall", {{NotInstalled, Reinstall, 100}}, true, false, true, false, false, true, 0, 0},
        {"new, update", {{NotInstalled, Update, 100}}, true, false, true, false, false, true, 0, 0},
        {"new, remove", {{NotInstalled, Remove, 100}}, true, false, true, false, false, true, 0, 0},
        {"current, none", {{Current, None, 50}}, true, true, false, false, false, false, 0, 0},
        {"current, install", {{Current, Install, 50}}, true, true, true, false, false, false, 0, 0},
        {"current, update", {{Current, Update, 50}}, true, true, true, false, false, true, 0, 0},
        {"current, remove", {{Current, Remove, 50}}, false, false, true, true, false, false, 0, 50},
        {"outdated, none", {{Outdated, None, 70}}, true, true, false, false, true, false, 0, 0},
        {"outdated, install", {{Outdated, Install, 70}}, true, true, true, false, true, false, 0, 0},
        {"outdated, reinstall", {{Outdated, Reinstall, 70}}, true, true, true, false, true, false, 0, 0},
        {"outdated, update", {{Outdated, Update, 70}}, true, true, true, false, false, true, 0, 0},
        {"outdated, remove", {{Outdated, Remove, 70}}, false, false, true, true, false, false, 0, 70},
        {"one installed not updating",
         {{Current, Update, 1}, {Outdated, None, 2}},
         true,
         true,
         true,
         false,
         true,
         false,
         0,
         0},
        {"mixed",
         {{Current, Remove, 50},
          {NotInstalled, Install, 100},
          {NotInstalled, Install, -5},
          {Outdated, Update, 9},
          {NotInstalled, Update, 1000}},
         true,
         true,
         true,
         false,
         false,
         true,
         100,
         50},
        {"everything removed",
         {{Current, Remove, 30}, {Outdated, Remove, 40}, {NotInstalled, None, 5}},
         false,
         false,
         true,
         true,
         false,
         false,
         0,
         70},
    };

    StateItems factory;
    for (const Row &row : rows) {
        std::vector<ItemPtr> owned;
        std::vector<CGalleryInstallationItem *> items;
        for (const ItemSpec &spec : row.items) {
            owned.push_back(factory.Make(spec, static_cast<int>(owned.size())));
            items.push_back(owned.back().get());
        }
        InstallationState state;
        state.hasContent = !row.hasContent; // Refresh starts from scratch
        state.removeSize = 12345;
        state.Refresh(items);
        EXPECT_TRUE(state.valid) << row.name;
        EXPECT_EQ(state.hasContent, row.hasContent) << row.name;
        EXPECT_EQ(state.hasInstalled, row.hasInstalled) << row.name;
        EXPECT_EQ(state.hasActions, row.hasActions) << row.name;
        EXPECT_EQ(state.isEmpty, row.isEmpty) << row.name;
        EXPECT_EQ(state.hasSkippedUpdates, row.hasSkippedUpdates) << row.name;
        EXPECT_EQ(state.allInstalledUpdating, row.allInstalledUpdating) << row.name;
        EXPECT_EQ(state.downloadSize, row.downloadSize) << row.name;
        EXPECT_EQ(state.removeSize, row.removeSize) << row.name;
    }
}

TEST(ControllerStateTest, NoInstallationClearsEverything)
{
    InstallationState state;
    state.valid = state.hasContent = state.isEmpty = state.allInstalledUpdating = true;
    state.downloadSize = state.removeSize = 7;
    state.Refresh(static_cast<const CGalleryInstallation *>(nullptr));
    EXPECT_FALSE(state.valid || state.hasContent || state.hasInstalled || state.hasActions || state.isEmpty ||
                 state.hasSkippedUpdates || state.allInstalledUpdating);
    EXPECT_EQ(state.downloadSize + state.removeSize, 0u);
}
