// What the application factory does with the "configuration" and "guid" options and after a load:
// small functions over the shared wrapper, so the start-up code only forwards to them.
#pragma once

#include <QString>

#include "configuration/ConfigurationWrapper.h"

class QCoreApplication;
class QTranslator;

namespace ConfigurationLoading
{

// Resolves path to an absolute path (handed back in absolutePath) and reads a file with ReadFromFile,
// a folder with ReadFromDir; anything else is false.
[[nodiscard]] bool LoadConfigurationPath(ConfigurationWrapper &configuration, const CAtlString &path,
                                         CAtlString *absolutePath);
// Reads the registered configuration of the gallery.
[[nodiscard]] bool LoadConfigurationGuid(ConfigurationWrapper &configuration, const CAtlString &guid);

// After a load: loads translator from "Trove" in <folder>/Languages/<locale> (a missing catalogue is
// not an error), sets styleSheet to defaultStyleSheet followed by the configuration's style sheet, and,
// when applyStyleSheet and application is a GUI application, applies it at once.
void OnConfigurationLoaded(const ConfigurationWrapper &configuration, const QString &locale, QTranslator &translator,
                           const QString &defaultStyleSheet, QString &styleSheet, bool applyStyleSheet,
                           QCoreApplication *application);

} // namespace ConfigurationLoading
