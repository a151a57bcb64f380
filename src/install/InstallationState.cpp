// The installation state computed from the items' flags and actions.
#include "install/InstallationState.h"

#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationItem.h"

namespace
{

// Sizes come from the categories file as signed numbers; a negative one adds nothing.
uint64_t Size(const CGalleryInstallationItem &item)
{
    return item.GetDownloadSize() > 0 ? static_cast<uint64_t>(item.GetDownloadSize()) : 0;
}

} // namespace

void InstallationState::Reset()
{
    valid = false;
    hasContent = false;
    hasInstalled = false;
    hasActions = false;
    isEmpty = false;
    hasSkippedUpdates = false;
    allInstalledUpdating = false;
    downloadSize = 0;
    removeSize = 0;
}

void InstallationState::Refresh(const CGalleryInstallation *installation)
{
    if (!installation) {
        Reset();
        return;
    }
    Refresh(installation->GetItems());
}

void InstallationState::Refresh(const std::vector<CGalleryInstallationItem *> &items)
{
    Reset();
    valid = true;
    bool everyInstalledUpdating = true;
    for (const CGalleryInstallationItem *item : items) {
        if (!item) continue;
        const eGalleryInstallationAction action = item->GetAction();
        if (action != eGalleryInstallationActionNone) hasActions = true;
        if (item->GetIsInstalled()) {
            if (action == eGalleryInstallationActionRemove) {
                removeSize += Size(*item);
            } else {
                hasContent = true;
                hasInstalled = true;
                if (action != eGalleryInstallationActionUpdate) everyInstalledUpdating = false;
            }
            if (item->GetIsUpdateAvailable() &&
                (action == eGalleryInstallationActionNone || action == eGalleryInstallationActionInstall ||
                 action == eGalleryInstallationActionReinstall))
                hasSkippedUpdates = true;
        } else {
            if (action != eGalleryInstallationActionNone) hasContent = true;
            if (action == eGalleryInstallationActionInstall) downloadSize += Size(*item);
        }
    }
    isEmpty = !hasContent;
    allInstalledUpdating = hasContent && everyInstalledUpdating;
}
