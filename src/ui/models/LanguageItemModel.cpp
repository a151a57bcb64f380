// LanguageItemModel: see LanguageItemModel.h.
#include "ui/models/LanguageItemModel.h"

#include "install/InstallationController.h"
#include "ui/models/GroupItem.h"
#include "ui/models/LanguageItem.h"

#include <algorithm>

LanguageItemModel::LanguageItemModel(ApplicationStatePtr state, QObject *parent)
    : TreeItemModel(1, parent), m_state(std::move(state))
{
}

void LanguageItemModel::Populate()
{
    CInstallationController *controller = m_state->controller.get();
    if (!controller || !controller->GetInstallation()) return;
    controller->SyncLanguages();
    const LanguageXml::Languages installed = controller->GetInstalledLanguages();
    const LanguageXml::Languages available = controller->GetAvailableLanguages();
    const LanguageXml::Languages updated = controller->GetUpdatedLanguages();
    if (installed.empty() && available.empty()) {
        auto *none = new TreeItem(1);
        none->SetData(0, Qt::DisplayRole, tr("No language packs available"));
        GetRoot()->AddChild(none);
        return;
    }

    // A heading only: its one checkable row is "Update all language packs".
    auto *installedGroup = new GroupItem(m_state, tr("Installed"), 1, false);
    GetRoot()->AddChild(installedGroup);
    installedGroup->AddChild(new LanguageItem(m_state, LanguageXml::Language(), LanguageItem::KindUpdateAll));
    auto *english = new TreeItem(1);
    english->SetData(0, Qt::DisplayRole, tr("English"));
    installedGroup->AddChild(english);
    for (const LanguageXml::Language &language : installed) {
        const bool updating = std::find(updated.begin(), updated.end(), language) != updated.end();
        installedGroup->AddChild(new LanguageItem(
            m_state, language, updating ? LanguageItem::KindInstalledUpdating : LanguageItem::KindInstalled));
    }

    auto *availableGroup = new GroupItem(m_state, tr("Available"), 1);
    GetRoot()->AddChild(availableGroup);
    for (const LanguageXml::Language &language : available)
        availableGroup->AddChild(new LanguageItem(m_state, language, LanguageItem::KindAvailable));
}
