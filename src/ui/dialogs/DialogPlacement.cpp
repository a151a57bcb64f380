#include "ui/dialogs/DialogPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace DialogPlacement
{
void CentreOnDesktop(QWidget *widget)
{
    widget->adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        widget->move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, widget->size(), screen->availableGeometry())
                         .topLeft());
}
} // namespace DialogPlacement
