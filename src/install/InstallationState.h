// InstallationState: what the current selection of an installation amounts to, recomputed from its
// items whenever the controller is asked (content left after the run, pending actions, skipped
// updates, sizes).
#pragma once

#include <cstdint>
#include <vector>

class CGalleryInstallation;
class CGalleryInstallationItem;

class InstallationState
{
  public:
    InstallationState() = default;
    virtual ~InstallationState() = default;

    // Everything false and 0.
    virtual void Reset();
    // Reset, then, when there is an installation, walk its items (without one everything stays false).
    virtual void Refresh(const CGalleryInstallation *installation);
    // Reset, then walk these items as the items of an installation (valid is set).
    virtual void Refresh(const std::vector<CGalleryInstallationItem *> &items);

    // An installation exists.
    bool valid = false;
    // Some item stays or becomes installed: installed and not marked for removal, or not installed
    // with any action.
    bool hasContent = false;
    // Some installed item is not marked for removal.
    bool hasInstalled = false;
    // Some item has an action other than none.
    bool hasActions = false;
    // Not hasContent.
    bool isEmpty = false;
    // An installed item with an update available is left without the update (none, install or
    // reinstall).
    bool hasSkippedUpdates = false;
    // hasContent, and every installed item not marked for removal is marked for update.
    bool allInstalledUpdating = false;
    // Download sizes of the items not installed and marked for install.
    uint64_t downloadSize = 0;
    // Download sizes of the installed items marked for removal.
    uint64_t removeSize = 0;
};
