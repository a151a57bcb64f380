// ModelController: see ModelController.h.
#include "ui/models/ModelController.h"

#include "ui/models/TreeItemModel.h"

void ModelController::AddModel(TreeItemModel *model)
{
    if (!model) return;
    connect(model, &TreeItemModel::DataSourceChanged, this, &ModelController::OnDataSourceChanged);
    connect(this, &ModelController::DataSourceChanged, model, &TreeItemModel::OnDataSourceChanged);
}
