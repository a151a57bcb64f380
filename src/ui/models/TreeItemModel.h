// TreeItemModel: a QAbstractItemModel over a root TreeItem. The items answer flags and data; derived
// models fill the tree in Populate. A model that changed its data source emits DataSourceChanged, which
// the ModelController hands to every model's OnDataSourceChanged: by default the model that changed
// refreshes the data of its rows and every other model rebuilds its rows.
#pragma once

#include "ui/models/TreeItem.h"

#include <QAbstractItemModel>

#include <memory>

class TreeItemModel : public QAbstractItemModel
{
    Q_OBJECT

  public:
    explicit TreeItemModel(int columnCount, QObject *parent = nullptr);
    ~TreeItemModel() override;

    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;

    // Removes every row inside a model reset.
    void Clear();
    // Clears, then fills the tree again from its source inside one model reset.
    void Rebuild();
    // An empty reset: views ask for everything again.
    void RefreshViews();
    // Data changes for every row, structure kept (views keep their current row).
    void RefreshData();
    // Data changes for the children (all levels) and for the ancestors of index.
    void UpdateChildren(const QModelIndex &index);
    void UpdateParent(const QModelIndex &index);

    TreeItem *GetRoot() const { return m_root.get(); }
    // The item of a valid index, else the root.
    TreeItem *ItemFromIndex(const QModelIndex &index) const;
    QModelIndex IndexFromItem(const TreeItem *item, int column = 0) const;

  signals:
    void DataSourceChanged(TreeItemModel *source);

  public slots:
    virtual void OnDataSourceChanged(TreeItemModel *source);

  protected:
    // Adds the rows below the (empty) root; called inside a model reset.
    virtual void Populate() {}
    // Toggles the item of index; on a change emits the data changes around it and DataSourceChanged.
    void ToggleAt(const QModelIndex &index);

  private:
    void EmitRowsChanged(const QModelIndex &parent);

    std::unique_ptr<TreeItem> m_root;
};
