// The status texts of the progress kinds, shared by the run and reading dialogs.
#pragma once

#include "install/IGalleryInstallationObserver.h"

#include <QString>

namespace ProgressTexts
{
// The run dialog's text of a kind; empty for other kinds.
QString RunText(eGalleryInstallationProgress kind);
// The reading dialog's text of a kind; empty for kinds it does not show.
QString ReadText(eGalleryInstallationProgress kind);
// What the file label shows for a report: a gallery identifier (kinds 3 and 9) without its domain
// and separator, a path as its file name, any other text as it is.
QString DisplayedText(eGalleryInstallationProgress kind, const QString &text);
} // namespace ProgressTexts
