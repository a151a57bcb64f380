// TreeItem: one row of a TreeItemModel. It owns its children, keeps stored data per column and role,
// and lets derived items compute their data, flags and check state from what they represent.
#pragma once

#include <QVariant>
#include <Qt>

#include <map>
#include <memory>
#include <vector>

class TreeItem
{
  public:
    explicit TreeItem(int columnCount = 1);
    virtual ~TreeItem();
    TreeItem(const TreeItem &) = delete;
    TreeItem &operator=(const TreeItem &) = delete;

    // Takes ownership of child (ignored when null) and appends it.
    virtual void AddChild(TreeItem *child);
    // The stored value; derived items answer what they compute first. An invalid value when unset.
    virtual QVariant GetData(int column, int role) const;
    virtual Qt::ItemFlags GetFlags() const { return m_flags; }
    // Moves the item to its next state; true when something changed.
    virtual bool ToggleState() { return false; }

    void SetData(int column, int role, const QVariant &value) { m_data[column][role] = value; }
    void SetFlags(Qt::ItemFlags flags) { m_flags = flags; }
    int GetColumnCount() const { return m_columnCount; }

    TreeItem *GetParent() const { return m_parent; }
    int GetChildCount() const { return static_cast<int>(m_children.size()); }
    // Null out of range.
    TreeItem *GetChild(int row) const;
    // The position among the parent's children (0 for the root).
    int GetRow() const;
    void RemoveChildren() { m_children.clear(); }

    // The check state of column 0, when the item has one.
    bool GetCheckState(Qt::CheckState &state) const
    {
        return ConvertVariantToState(GetData(0, Qt::CheckStateRole), state);
    }

    // Unchecked -> partially checked (with allowPartial) or checked; partially checked -> checked;
    // checked -> unchecked.
    static Qt::CheckState GetNextState(Qt::CheckState state, bool allowPartial);
    // True only for the integers 0, 1 and 2.
    static bool ConvertVariantToState(const QVariant &value, Qt::CheckState &state);

  private:
    TreeItem *m_parent = nullptr;
    std::vector<std::unique_ptr<TreeItem>> m_children;
    int m_columnCount;
    Qt::ItemFlags m_flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    std::map<int, std::map<int, QVariant>> m_data;
};
