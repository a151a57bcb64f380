// Configuration loading hooks; see the header.
#include "app/ConfigurationHooks.h"

bool ReadConfigurationFromFile(ConfigurationWrapper *, const QString &) { return false; }

bool ReadConfigurationFromDir(ConfigurationWrapper *, const QString &) { return false; }

bool ReadConfigurationFromPreferences(ConfigurationWrapper *, const QString &) { return false; }
