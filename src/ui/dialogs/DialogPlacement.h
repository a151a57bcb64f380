// Where the dialogs appear.
#pragma once

class QWidget;

namespace DialogPlacement
{
// Moves the widget to the centre of the primary screen's available area.
void CentreOnDesktop(QWidget *widget);
} // namespace DialogPlacement
