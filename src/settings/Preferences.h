// The preference store: named text and integer values under key paths, in the current user's settings
// (scope 1) or the machine-wide settings (scope 0). Both are Qt settings files of the organisation and
// application that KDAppInfo gives the Qt application.
//
// Key paths may use backslashes or slashes; ConvertSeparators turns them into one slash-separated path
// without leading or trailing slashes, and the settings key is that path, "/" and the value name.
// The domain argument names a preference domain on platforms that have them; here it is accepted and
// ignored, so the same key path and name address the same value whatever the domain.
#pragma once

#include "support/Text.h"

#include <memory>

class QSettings;

// Preference scopes.
enum : int {
    PreferenceScopeMachine = 0,
    PreferenceScopeUser = 1,
};

// Points Qt's system-scope settings folder at "/etc/xdg" below TROVE_SYSROOT (the documented folder
// when TROVE_SYSROOT is unset). Without XDG_CONFIG_HOME and an absolute HOME (cron, service units) it
// also points the user-scope folder at ".config" in the home folder of the password database, never
// "/". CreateQSettingsObject calls it; code that builds its own QSettings objects calls it first too.
void ApplySystemSettingsPath();

// A new settings object for the scope; the caller owns it (deleting it saves pending writes).
// A machine-wide object that cannot be written is replaced by a user-scope one for the same
// organisation and application, so writes by a non-administrator land in the user's settings.
QSettings *CreateQSettingsObject(int scope);
// The same, owned.
std::unique_ptr<QSettings> CreateQSettings(int scope);

// Backslashes become slashes; leading and trailing slashes are removed.
CAtlString ConvertSeparators(const CAtlString &keyPath);

// Reads a value. A missing key (or, for integers, a value that is not a number) gives the default and
// sets *error to non-zero; a found value sets it to 0. error may be null.
CAtlString GetPreferenceString(int scope, const CAtlString &keyPath, const CAtlString &valueName,
                               const CAtlString &defaultValue = CAtlString(), unsigned int *error = nullptr,
                               const wchar_t *domain = nullptr);
int GetPreferenceInt(int scope, const CAtlString &keyPath, const CAtlString &valueName, int defaultValue = 0,
                     unsigned int *error = nullptr, const wchar_t *domain = nullptr);

// Write a value and save the settings file; 0 on success, non-zero when the value could not be saved
// (or the value name is empty).
int WritePreferenceString(int scope, const CAtlString &keyPath, const CAtlString &valueName, const CAtlString &value,
                          const wchar_t *domain = nullptr);
int WritePreferenceInt(int scope, const CAtlString &keyPath, const CAtlString &valueName, int value,
                       const wchar_t *domain = nullptr);

// Removes one value; 0 on success (also when it did not exist). An empty value name is refused
// (non-zero) rather than taken as the whole key path.
int DeletePreference(int scope, const CAtlString &keyPath, const CAtlString &valueName,
                     const wchar_t *domain = nullptr);
// Removes a key path with everything below it; 0 on success. An empty key path is refused (non-zero)
// so that a mistake cannot wipe the whole settings file.
int RecursivePreferenceDelete(int scope, const CAtlString &keyPath, const wchar_t *domain = nullptr);
