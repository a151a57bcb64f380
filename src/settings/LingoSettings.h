// The language settings that the maker's applications share: Qt settings (native format) of
// organisation "Kelda Labs", application "Lingo Setup". The machine-wide scope lives below the
// system-settings folder, which follows TROVE_SYSROOT like every fixed location.
#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace LingoSettings
{

constexpr const char *Organization = "Kelda Labs";
constexpr const char *Application = "Lingo Setup";

// A fresh settings object for the scope (the caller owns it).
std::unique_ptr<QSettings> Open(QSettings::Scope scope);
// A text value of the scope ("group/key"); empty when absent.
QString Value(QSettings::Scope scope, const QString &key);

} // namespace LingoSettings
