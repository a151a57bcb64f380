// TotalItemModel: see TotalItemModel.h.
#include "ui/models/TotalItemModel.h"

#include "install/GalleryInstallation.h"
#include "install/InstallationController.h"
#include "install/InstallationState.h"
#include "support/Text.h"

#include <limits>

namespace
{

QString SizeText(uint64_t size)
{
    const uint64_t largest = std::numeric_limits<unsigned long>::max();
    return Text::ToQt(CGalleryInstallation::GetSizeString(static_cast<unsigned long>(std::min(size, largest))));
}

} // namespace

TotalItemModel::TotalItemModel(ApplicationStatePtr state, QObject *parent)
    : TreeItemModel(2, parent), m_state(std::move(state))
{
}

void TotalItemModel::Populate()
{
    InstallationState state;
    if (m_state->controller) state = m_state->controller->GetInstallationState();
    const std::pair<QString, uint64_t> rows[] = {{tr("Total to add:"), state.downloadSize},
                                                 {tr("Total to remove:"), state.removeSize}};
    for (const auto &[label, size] : rows) {
        auto *row = new TreeItem(2);
        row->SetData(0, Qt::DisplayRole, label);
        row->SetData(1, Qt::DisplayRole, SizeText(size));
        row->SetData(1, Qt::TextAlignmentRole, static_cast<int>(Qt::AlignRight | Qt::AlignVCenter));
        GetRoot()->AddChild(row);
    }
}
