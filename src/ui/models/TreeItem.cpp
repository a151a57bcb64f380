// TreeItem: see TreeItem.h.
#include "ui/models/TreeItem.h"

#include <algorithm>

TreeItem::TreeItem(int columnCount) : m_columnCount(columnCount) {}

TreeItem::~TreeItem() = default;

void TreeItem::AddChild(TreeItem *child)
{
    if (!child) return;
    child->m_parent = this;
    m_children.emplace_back(child);
}

QVariant TreeItem::GetData(int column, int role) const
{
    const auto columnData = m_data.find(column);
    if (columnData == m_data.end()) return QVariant();
    const auto value = columnData->second.find(role);
    return value == columnData->second.end() ? QVariant() : value->second;
}

TreeItem *TreeItem::GetChild(int row) const
{
    if (row < 0 || row >= GetChildCount()) return nullptr;
    return m_children[static_cast<size_t>(row)].get();
}

int TreeItem::GetRow() const
{
    if (!m_parent) return 0;
    const auto &siblings = m_parent->m_children;
    const auto found = std::find_if(siblings.begin(), siblings.end(),
                                    [this](const std::unique_ptr<TreeItem> &sibling) { return sibling.get() == this; });
    return static_cast<int>(found - siblings.begin());
}

Qt::CheckState TreeItem::GetNextState(Qt::CheckState state, bool allowPartial)
{
    switch (state) {
    case Qt::Unchecked:
        return allowPartial ? Qt::PartiallyChecked : Qt::Checked;
    case Qt::PartiallyChecked:
        return Qt::Checked;
    case Qt::Checked:
        break;
    }
    return Qt::Unchecked;
}

bool TreeItem::ConvertVariantToState(const QVariant &value, Qt::CheckState &state)
{
    if (!value.isValid()) return false;
    const QMetaType::Type type = static_cast<QMetaType::Type>(value.type());
    if (type != QMetaType::Int && type != QMetaType::UInt && type != QMetaType::LongLong &&
        type != QMetaType::ULongLong)
        return false;
    const qlonglong number = value.toLongLong();
    if (number < 0 || number > 2) return false;
    state = static_cast<Qt::CheckState>(number);
    return true;
}
