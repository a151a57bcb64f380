// TotalItemModel: two rows, "Total to add:" and "Total to remove:", with the sizes of the controller's
// current selection.
#pragma once

#include "ui/models/ApplicationState.h"
#include "ui/models/TreeItemModel.h"

class TotalItemModel : public TreeItemModel
{
    Q_OBJECT

  public:
    explicit TotalItemModel(ApplicationStatePtr state, QObject *parent = nullptr);

  public slots:
    void OnDataSourceChanged(TreeItemModel *) override { Rebuild(); }

  protected:
    void Populate() override;

  private:
    ApplicationStatePtr m_state;
};
