// The message table and error reporting.
#include "app/Output.h"

#include "configuration/ConfigurationWrapper.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>

#include <cstdio>
#include <map>

namespace Output
{

namespace
{

std::map<eStrings, const char *> &Table()
{
    static std::map<eStrings, const char *> table;
    return table;
}

const char *English(eStrings id)
{
    if (Table().empty()) Initialize();
    const auto it = Table().find(id);
    return it == Table().end() ? "" : it->second;
}

} // namespace

void Initialize()
{
    static const std::pair<eStrings, const char *> messages[] = {
        {eStringsCouldNotLoadConfiguration, "Could not load the configuration."},
        {eStringsNoWritePermissions, "You must have write permissions for the destination directory:\n%1"},
        {eStringsTitle, "Trove"},
        {eStringsSelectAnotherDirectory, "Please select another directory."},
        {eStringsCouldNotReadPreferences, "Could not read preferences."},
        {eStringsCouldNotSavePreferences, "Could not save preferences."},
        {eStringsCouldNotCopyConfiguration, "Could not copy the configuration files."},
        {eStringsCouldNotDownloadFile,
         "Could not download the file:\n%1\nMake sure the computer has an active Internet connection."},
        {eStringsCouldNotRegisterFileAssociations, "Could not register file associations."},
        {eStringsCannotFindSource, "Cannot find the source for this Gallery."},
        {eStringsUpdateAvailable, "There is an update for the application. Click OK to start."},
        {eStringsCouldNotDownloadUpdate, "Could not download the update for Trove."},
        {eStringsUninstallComplete, "Uninstall complete."},
        {eStringsAnotherInstance, "Another instance of this application is running. Please use it instead."},
        {eStringsMustUpdateAllCategories,
         "The Gallery must update all categories in order to install or update language packs."},
        {eStringsMustUpdateAllCategoriesQuestion,
         "The Gallery must update all categories in order to install or update your selected language "
         "pack(s).\n\nDo you want to continue?"},
        {eStringsTooManyLanguagePacks,
         "Installing too many language packs can slow down Gallery performance. Do you want to continue?"},
        {eStringsErrorSeeFailedItems,
         "An error occurred. The Gallery couldn't complete your requested changes.\n\nDo you want to see the "
         "list of failed items?"},
        {eStringsChangesCancelled, "The Gallery cancelled your requested changes."},
        {eStringsFailedToReadState, "Failed to read current state of the Gallery."},
    };
    auto &table = Table();
    table.clear();
    for (const auto &m : messages)
        table.emplace(m.first, m.second);
}

CAtlStringA GetString(eStrings id)
{
    return English(id);
}

CAtlStringA GetString(eStrings id, const CAtlStringA &argument)
{
    return Text::FromQtUtf8(
        QString::fromUtf8(English(id)).replace(QLatin1String("%1"), QString::fromStdString(argument)));
}

QString GetTranslatedString(eStrings id)
{
    return QCoreApplication::translate("QObject", English(id));
}

QString GetTranslatedString(eStrings id, const CAtlStringA &argument)
{
    return GetTranslatedString(id).replace(QLatin1String("%1"), QString::fromStdString(argument));
}

void Error(eStrings id, bool showBox)
{
    Error(GetTranslatedString(id), GetString(id), showBox);
    // The documented line says that loading failed; the next one says why.
    if (id == eStringsCouldNotLoadConfiguration) {
        const CAtlString why = ConfigurationWrapper::GetLastLoadFailure();
        if (!why.empty()) std::fprintf(stderr, "%s\n", Text::ToUtf8(why).c_str());
        std::fflush(stderr);
    }
}

void Error(eStrings id, const CAtlStringA &argument, bool showBox)
{
    Error(GetTranslatedString(id, argument), GetString(id, argument), showBox);
}

void Error(const QString &translated, const CAtlStringA &english, bool showBox)
{
    std::fputs(english.c_str(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    // A box needs a widget application; a console run gets the line only.
    if (showBox && qobject_cast<QApplication *>(QCoreApplication::instance()))
        QMessageBox::critical(nullptr, GetTranslatedString(eStringsTitle), translated, QMessageBox::Ok);
}

} // namespace Output
