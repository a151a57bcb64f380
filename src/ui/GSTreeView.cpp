// GSTreeView: see GSTreeView.h.
#include "ui/GSTreeView.h"

#include <QKeyEvent>

GSTreeView::GSTreeView(QWidget *parent) : QTreeView(parent) {}

void GSTreeView::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && currentIndex().isValid() &&
        state() != QAbstractItemView::EditingState)
        emit clicked(currentIndex());
    QTreeView::keyPressEvent(event);
    // The view passes Return and Enter on, and the dialog would press its default button ("Next >>").
    if (key == Qt::Key_Return || key == Qt::Key_Enter) event->accept();
}
