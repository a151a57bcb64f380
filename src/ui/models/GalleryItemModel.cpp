// GalleryItemModel: see GalleryItemModel.h.
#include "ui/models/GalleryItemModel.h"

#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationItem.h"
#include "install/InstallationController.h"
#include "ui/models/GroupItem.h"
#include "ui/models/InstallationItem.h"

#include <QIcon>

GalleryItemModel::GalleryItemModel(ApplicationStatePtr state, QObject *parent)
    : TreeItemModel(2, parent), m_state(std::move(state))
{
}

void GalleryItemModel::OnDataSourceChanged(TreeItemModel *)
{
    RefreshData();
}

void GalleryItemModel::Populate()
{
    auto *group = new GroupItem(m_state, tr("All Categories"), 2, true, QIcon(QStringLiteral(":/images/trove.png")));
    GetRoot()->AddChild(group);
    CGalleryInstallation *installation = m_state->controller ? m_state->controller->GetInstallation() : nullptr;
    if (!installation) return;
    for (CGalleryInstallationItem *item : installation->GetItems()) {
        auto *row = new GalleryItem(m_state, item);
        group->AddChild(row);
        if (m_state->sourceAvailable && item->GetIsInstalled() && item->GetIsUpdateAvailable())
            row->AddChild(new UpdateItem(m_state, item));
    }
}
