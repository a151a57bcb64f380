// GalleryItemModel: the category list. One checkable group "All Categories" holds a GalleryItem per
// item of the controller's installation, in the installation's order; an installed category with an
// update gets an UpdateItem child while the source is available.
#pragma once

#include "ui/models/ApplicationState.h"
#include "ui/models/TreeItemModel.h"

class GalleryItemModel : public TreeItemModel
{
    Q_OBJECT

  public:
    explicit GalleryItemModel(ApplicationStatePtr state, QObject *parent = nullptr);

  public slots:
    void OnCategoryActivated(const QModelIndex &index) { ToggleAt(index); }
    // The rows stay; their data is asked for again.
    void OnDataSourceChanged(TreeItemModel *source) override;

  protected:
    void Populate() override;

  private:
    ApplicationStatePtr m_state;
};
