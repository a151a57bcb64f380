// Loading the gallery configuration named by the "configuration" and "guid" options. The gallery
// configuration reader is not part of this build yet: until it is wired in here, every load fails,
// so the option's parameter reports false and the commands see no loaded configuration.
#pragma once

#include <QString>

class ConfigurationWrapper;

bool ReadConfigurationFromFile(ConfigurationWrapper *configuration, const QString &path);
bool ReadConfigurationFromDir(ConfigurationWrapper *configuration, const QString &directory);
bool ReadConfigurationFromPreferences(ConfigurationWrapper *configuration, const QString &guid);
