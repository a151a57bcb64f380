// GalleryActionModel: the summary of changes. A group "Content" with the marked categories by action
// (add, then update, then remove; installation order within each) and a group "Languages" with the
// added languages, then those being updated; a group without rows shows "No changes".
#pragma once

#include "ui/models/ApplicationState.h"
#include "ui/models/TreeItemModel.h"

class GalleryActionModel : public TreeItemModel
{
    Q_OBJECT

  public:
    explicit GalleryActionModel(ApplicationStatePtr state, QObject *parent = nullptr);

  public slots:
    // The summary is rebuilt after every change, its own included.
    void OnDataSourceChanged(TreeItemModel *) override { Rebuild(); }

  protected:
    void Populate() override;

  private:
    ApplicationStatePtr m_state;
};
