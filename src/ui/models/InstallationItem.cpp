// GalleryItem and UpdateItem: see InstallationItem.h.
#include "ui/models/InstallationItem.h"

#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationItem.h"
#include "install/InstallationController.h"
#include "support/Text.h"

#include <QCoreApplication>

#include <algorithm>

namespace
{

QVariant CheckValue(bool checked)
{
    return static_cast<int>(checked ? Qt::Checked : Qt::Unchecked);
}

// Sets the action through the controller; true when the item's action changed.
bool ChangeAction(CInstallationController *controller, CGalleryInstallationItem *item,
                  eGalleryInstallationAction action)
{
    if (!controller || !item) return false;
    const eGalleryInstallationAction before = item->GetAction();
    return controller->SetNewAction(item, action) && item->GetAction() != before;
}

} // namespace

bool GalleryItem::HasCheckBox() const
{
    return m_item && (m_item->GetIsInstalled() || State().sourceAvailable);
}

QVariant GalleryItem::GetData(int column, int role) const
{
    if (!m_item) return TreeItem::GetData(column, role);
    const bool installed = m_item->GetIsInstalled();
    const eGalleryInstallationAction action = m_item->GetAction();
    switch (role) {
    case Qt::DisplayRole:
        if (column == 0) return Text::ToQt(m_item->GetTitle(nullptr));
        if (column == 1)
            return Text::ToQt(CGalleryInstallation::GetSizeString(
                static_cast<unsigned long>(std::max(0, m_item->GetDownloadSize()))));
        break;
    case Qt::TextAlignmentRole:
        if (column == 1) return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case Qt::CheckStateRole:
        if (column != 0 || !HasCheckBox()) return QVariant();
        return CheckValue(installed ? action != eGalleryInstallationActionRemove
                                    : action == eGalleryInstallationActionInstall);
    case Qt::BackgroundRole:
        if (installed && action == eGalleryInstallationActionRemove) return State().remove;
        if (!installed && (action == eGalleryInstallationActionInstall || action == eGalleryInstallationActionUpdate))
            return State().add;
        return State().normal;
    default:
        break;
    }
    return TreeItem::GetData(column, role);
}

Qt::ItemFlags GalleryItem::GetFlags() const
{
    Qt::ItemFlags flags = TreeItem::GetFlags();
    if (HasCheckBox()) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool GalleryItem::ToggleState()
{
    if (!HasCheckBox()) return false;
    const eGalleryInstallationAction action = m_item->GetAction();
    eGalleryInstallationAction next = eGalleryInstallationActionNone;
    if (m_item->GetIsInstalled())
        next = action == eGalleryInstallationActionRemove ? eGalleryInstallationActionNone
                                                          : eGalleryInstallationActionRemove;
    else
        next = action == eGalleryInstallationActionInstall ? eGalleryInstallationActionNone
                                                           : eGalleryInstallationActionInstall;
    return ChangeAction(Controller(), m_item, next);
}

QVariant UpdateItem::GetData(int column, int role) const
{
    if (!m_item) return TreeItem::GetData(column, role);
    const bool updating = m_item->GetIsInstalled() && m_item->GetAction() == eGalleryInstallationActionUpdate;
    switch (role) {
    case Qt::DisplayRole:
        if (column == 0)
            return QCoreApplication::translate("MainWindow", "Updates to ") + Text::ToQt(m_item->GetTitle(nullptr));
        if (column == 1) return Text::ToQt(m_item->GetUpdateVersion());
        break;
    case Qt::TextAlignmentRole:
        if (column == 1) return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case Qt::CheckStateRole:
        if (column == 0) return CheckValue(updating);
        return QVariant();
    case Qt::BackgroundRole:
        return updating ? State().update : State().normal;
    default:
        break;
    }
    return TreeItem::GetData(column, role);
}

Qt::ItemFlags UpdateItem::GetFlags() const
{
    return TreeItem::GetFlags() | Qt::ItemIsUserCheckable;
}

bool UpdateItem::ToggleState()
{
    if (!m_item) return false;
    const bool updating = m_item->GetAction() == eGalleryInstallationActionUpdate;
    return ChangeAction(Controller(), m_item,
                        updating ? eGalleryInstallationActionNone : eGalleryInstallationActionUpdate);
}
