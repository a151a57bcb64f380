// CInstallationController: choosing the items' actions and the state they amount to.
#include "install/GalleryInstallation.h"
#include "install/InstallationController.h"

void CInstallationController::SelectWhatItNeeds(CGalleryInstallationItem *item)
{
    if (!item->GetIsInstalled())
        item->SetAction(eGalleryInstallationActionInstall);
    else if (item->GetIsUpdateAvailable())
        item->SetAction(eGalleryInstallationActionUpdate);
    else
        item->SetAction(eGalleryInstallationActionNone);
}

void CInstallationController::SelectEverything()
{
    ForEachItem(&SelectWhatItNeeds);
}

void CInstallationController::ClearSelection()
{
    ForEachItem([](CGalleryInstallationItem *item) { item->SetAction(eGalleryInstallationActionNone); });
}

bool CInstallationController::SetNewAction(CGalleryInstallationItem *item, eGalleryInstallationAction action)
{
    if (!item) return false;
    // While languages are being added, installed items carry the language packs through their update.
    if ((!m_addedLanguages.empty() || m_updateLanguages) && item->GetIsInstalled()) {
        if (action == eGalleryInstallationActionNone && item->GetAction() == eGalleryInstallationActionRemove) {
            action = eGalleryInstallationActionUpdate;
        } else if (action == eGalleryInstallationActionNone && item->GetAction() == eGalleryInstallationActionUpdate) {
            if (!AskObservers(EventLanguagesWillBeRemoved)) return false;
            RemoveAllLanguagesFromUserList();
        } else if (action == eGalleryInstallationActionInstall && item->GetIsUpdateAvailable()) {
            action = eGalleryInstallationActionUpdate;
        }
    }
    item->SetAction(action);
    if (GetInstallationState().isEmpty) RemoveAllLanguagesFromUserList();
    return true;
}

bool CInstallationController::UpdatesAvailable() const
{
    bool found = false;
    ForEachItem([&found](CGalleryInstallationItem *item) {
        if (item->GetIsInstalled() && item->GetIsUpdateAvailable()) found = true;
    });
    return found;
}

bool CInstallationController::IsGalleryEmpty() const
{
    bool installed = false;
    ForEachItem([&installed](CGalleryInstallationItem *item) {
        if (item->GetIsInstalled()) installed = true;
    });
    return !installed;
}

InstallationState CInstallationController::GetInstallationState()
{
    m_state.Refresh(m_installation);
    return m_state;
}
