// TreeItemModel: see TreeItemModel.h.
#include "ui/models/TreeItemModel.h"

TreeItemModel::TreeItemModel(int columnCount, QObject *parent)
    : QAbstractItemModel(parent), m_root(std::make_unique<TreeItem>(columnCount))
{
}

TreeItemModel::~TreeItemModel() = default;

TreeItem *TreeItemModel::ItemFromIndex(const QModelIndex &index) const
{
    if (index.isValid() && index.model() == this) return static_cast<TreeItem *>(index.internalPointer());
    return m_root.get();
}

QModelIndex TreeItemModel::IndexFromItem(const TreeItem *item, int column) const
{
    if (!item || item == m_root.get() || !item->GetParent()) return QModelIndex();
    return createIndex(item->GetRow(), column, const_cast<TreeItem *>(item));
}

Qt::ItemFlags TreeItemModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return ItemFromIndex(index)->GetFlags();
}

QVariant TreeItemModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid()) return QVariant();
    return ItemFromIndex(index)->GetData(index.column(), role);
}

QVariant TreeItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) return QVariant();
    return m_root->GetData(section, role);
}

int TreeItemModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0) return 0;
    return ItemFromIndex(parent)->GetChildCount();
}

int TreeItemModel::columnCount(const QModelIndex &) const
{
    return m_root->GetColumnCount();
}

bool TreeItemModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QModelIndex TreeItemModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column < 0 || column >= columnCount() || parent.column() > 0) return QModelIndex();
    TreeItem *child = ItemFromIndex(parent)->GetChild(row);
    return child ? createIndex(row, column, child) : QModelIndex();
}

QModelIndex TreeItemModel::parent(const QModelIndex &index) const
{
    if (!index.isValid()) return QModelIndex();
    return IndexFromItem(ItemFromIndex(index)->GetParent());
}

void TreeItemModel::Clear()
{
    beginResetModel();
    m_root->RemoveChildren();
    endResetModel();
}

void TreeItemModel::Rebuild()
{
    beginResetModel();
    m_root->RemoveChildren();
    Populate();
    endResetModel();
}

void TreeItemModel::RefreshViews()
{
    beginResetModel();
    endResetModel();
}

void TreeItemModel::RefreshData()
{
    EmitRowsChanged(QModelIndex());
}

void TreeItemModel::EmitRowsChanged(const QModelIndex &parent)
{
    const int rows = rowCount(parent);
    if (rows == 0) return;
    emit dataChanged(index(0, 0, parent), index(rows - 1, columnCount() - 1, parent));
    for (int row = 0; row < rows; ++row)
        EmitRowsChanged(index(row, 0, parent));
}

void TreeItemModel::UpdateChildren(const QModelIndex &index)
{
    if (index.isValid()) EmitRowsChanged(index.sibling(index.row(), 0));
}

void TreeItemModel::UpdateParent(const QModelIndex &index)
{
    for (QModelIndex ancestor = parent(index); ancestor.isValid(); ancestor = parent(ancestor))
        emit dataChanged(ancestor.sibling(ancestor.row(), 0), ancestor.sibling(ancestor.row(), columnCount() - 1));
}

void TreeItemModel::ToggleAt(const QModelIndex &index)
{
    if (!index.isValid() || index.model() != this) return;
    const QModelIndex first = index.sibling(index.row(), 0);
    if (!ItemFromIndex(first)->ToggleState()) return;
    emit dataChanged(first, first.sibling(first.row(), columnCount() - 1));
    UpdateChildren(first);
    UpdateParent(first);
    emit DataSourceChanged(this);
}

void TreeItemModel::OnDataSourceChanged(TreeItemModel *source)
{
    if (source == this)
        RefreshData();
    else
        Rebuild();
}
