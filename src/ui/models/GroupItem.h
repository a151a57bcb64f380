// GroupItem: a heading row (text, optional icon, bold) whose check state is derived from its
// children; toggling it brings every child to the group's next state.
#pragma once

#include "ui/models/GSItem.h"

#include <QIcon>
#include <QString>

class GroupItem : public GSItem
{
  public:
    // A group that is not checkable shows no check box whatever its children hold.
    GroupItem(ApplicationStatePtr state, const QString &text, int columnCount, bool checkable = true,
              const QIcon &icon = QIcon());

    // The state of the first child that has one, partially checked as soon as another child's state
    // differs, unchecked when no child has one.
    QVariant GetData(int column, int role) const override;
    Qt::ItemFlags GetFlags() const override;
    // Target: the next state after the current one (no partial step). Each child whose state differs
    // is toggled once, or twice when one step does not reach the target.
    bool ToggleState() override;

  private:
    Qt::CheckState DerivedState() const;

    bool m_checkable;
};
