// GroupItem: see GroupItem.h.
#include "ui/models/GroupItem.h"

#include <QFont>

GroupItem::GroupItem(ApplicationStatePtr state, const QString &text, int columnCount, bool checkable, const QIcon &icon)
    : GSItem(std::move(state), columnCount), m_checkable(checkable)
{
    SetData(0, Qt::DisplayRole, text);
    if (!icon.isNull()) SetData(0, Qt::DecorationRole, icon);
    QFont bold;
    bold.setBold(true);
    for (int column = 0; column < columnCount; ++column)
        SetData(column, Qt::FontRole, bold);
}

Qt::CheckState GroupItem::DerivedState() const
{
    bool found = false;
    Qt::CheckState first = Qt::Unchecked;
    for (int row = 0; row < GetChildCount(); ++row) {
        Qt::CheckState state = Qt::Unchecked;
        if (!GetChild(row)->GetCheckState(state)) continue;
        if (!found) {
            first = state;
            found = true;
        } else if (state != first) {
            return Qt::PartiallyChecked;
        }
    }
    return first;
}

QVariant GroupItem::GetData(int column, int role) const
{
    if (role == Qt::CheckStateRole) {
        if (column != 0 || !m_checkable) return QVariant();
        return static_cast<int>(DerivedState());
    }
    return TreeItem::GetData(column, role);
}

Qt::ItemFlags GroupItem::GetFlags() const
{
    Qt::ItemFlags flags = TreeItem::GetFlags();
    if (m_checkable) flags |= Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate;
    return flags;
}

bool GroupItem::ToggleState()
{
    if (!m_checkable) return false;
    const Qt::CheckState target = GetNextState(DerivedState(), false);
    bool changed = false;
    for (int row = 0; row < GetChildCount(); ++row) {
        TreeItem *child = GetChild(row);
        Qt::CheckState state = Qt::Unchecked;
        if (!child->GetCheckState(state) || state == target) continue;
        const int steps = GetNextState(state, false) == target ? 1 : 2;
        for (int step = 0; step < steps; ++step)
            changed = child->ToggleState() || changed;
    }
    return changed;
}
