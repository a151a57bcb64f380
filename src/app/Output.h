// Output: the numbered user messages and the one place that reports an error. The English text goes
// to the error stream; in GUI runs a translated message box follows. Translations use the English text
// as key (context "QObject").
#pragma once

#include "support/Text.h"

#include <QString>

namespace Output
{

enum eStrings {
    eStringsCouldNotLoadConfiguration = 0,
    eStringsNoWritePermissions = 1,
    eStringsTitle = 2,
    eStringsSelectAnotherDirectory = 3,
    eStringsCouldNotReadPreferences = 4,
    eStringsCouldNotSavePreferences = 5,
    eStringsCouldNotCopyConfiguration = 6,
    eStringsCouldNotDownloadFile = 7,
    eStringsCouldNotRegisterFileAssociations = 8,
    eStringsCannotFindSource = 9,
    eStringsUpdateAvailable = 10,
    eStringsCouldNotDownloadUpdate = 11,
    eStringsUninstallComplete = 12,
    eStringsAnotherInstance = 13,
    eStringsMustUpdateAllCategories = 14,
    eStringsMustUpdateAllCategoriesQuestion = 15,
    eStringsTooManyLanguagePacks = 16,
    eStringsErrorSeeFailedItems = 17,
    eStringsChangesCancelled = 18,
    eStringsFailedToReadState = 19,
};

// Fills the message table; called once at start-up after the translators are installed.
void Initialize();

// The English text (UTF-8); with an argument, every "%1" is replaced by it. "" for an unknown id.
CAtlStringA GetString(eStrings id);
CAtlStringA GetString(eStrings id, const CAtlStringA &argument);

// The translated text; the argument replaces "%1" after translation.
QString GetTranslatedString(eStrings id);
QString GetTranslatedString(eStrings id, const CAtlStringA &argument);

// Writes the English text and a line break to the error stream; with showBox (and a GUI application)
// also shows a modal critical box with the translated text, titled with message 2.
void Error(eStrings id, bool showBox);
void Error(eStrings id, const CAtlStringA &argument, bool showBox);
void Error(const QString &translated, const CAtlStringA &english, bool showBox);

} // namespace Output
