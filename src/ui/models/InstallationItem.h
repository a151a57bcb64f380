// The rows of one gallery category: InstallationItem holds the category (an item of the controller's
// installation); GalleryItem is its row in the category list and UpdateItem the row of its pending
// update. Both turn a toggle into an action through the controller, which may refuse it.
#pragma once

#include "ui/models/GSItem.h"

class CGalleryInstallationItem;

class InstallationItem : public GSItem
{
  public:
    InstallationItem(ApplicationStatePtr state, CGalleryInstallationItem *item, int columnCount)
        : GSItem(std::move(state), columnCount), m_item(item)
    {
    }
    CGalleryInstallationItem *GetInstallationItem() const { return m_item; }

  protected:
    CGalleryInstallationItem *m_item;
};

// Column 0: the title and the check box; column 1: the download size, right-aligned.
class GalleryItem : public InstallationItem
{
  public:
    GalleryItem(ApplicationStatePtr state, CGalleryInstallationItem *item) : InstallationItem(std::move(state), item, 2)
    {
    }
    QVariant GetData(int column, int role) const override;
    Qt::ItemFlags GetFlags() const override;
    // Installed: remove, or none when marked remove; not installed: install, or none when marked
    // install. Categories that are not installed do not change while the source is unavailable.
    bool ToggleState() override;

  private:
    bool HasCheckBox() const;
};

// "Updates to <title>" and the update's version.
class UpdateItem : public InstallationItem
{
  public:
    UpdateItem(ApplicationStatePtr state, CGalleryInstallationItem *item) : InstallationItem(std::move(state), item, 2)
    {
    }
    QVariant GetData(int column, int role) const override;
    Qt::ItemFlags GetFlags() const override;
    // Update, or none when marked update.
    bool ToggleState() override;
};
