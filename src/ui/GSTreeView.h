// GSTreeView: the window's tree view. It draws no branch decorations, and the space bar, Return and
// Enter act on the current row like a click.
#pragma once

#include <QTreeView>

class GSTreeView : public QTreeView
{
    Q_OBJECT

  public:
    explicit GSTreeView(QWidget *parent = nullptr);

  protected:
    void drawBranches(QPainter *, const QRect &, const QModelIndex &) const override {}
    // Emits clicked for a valid current row (no editor open), then the default handling. Return and
    // Enter stop here: they never reach the dialog's default button.
    void keyPressEvent(QKeyEvent *event) override;
};
