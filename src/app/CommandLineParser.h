// CCommandLineParser: matches options (written with "--", "-" or a backslash in front, names exact and
// case-sensitive) against the registered parameter objects. A value follows as the next argument or
// after a colon in the same argument. Problems never stop parsing; they go to the error parameter.
#pragma once

#include "app/CmdLineParams.h"

#include <map>
#include <vector>

namespace NTrove
{

class CCommandLineParser
{
  public:
    void SetDefaultCommand(ICmdLineParam *parameter) { m_default = parameter; }
    void SetErrorCommand(ICmdLineParam *parameter) { m_error = parameter; }
    // Registers an option without a value; a name registered again replaces its parameter.
    void PutEmptyCommand(const CAtlString &name, ICmdLineParam *parameter) { m_flags[name] = parameter; }
    // Registers an option that takes a value.
    void PutValueCommand(const CAtlString &name, ICmdLineParam *parameter) { m_values[name] = parameter; }

    // Strips "--", "-" or "\" from the front; false (text untouched) when the text is not an option.
    static bool DeleteMinus(CAtlString &text);

    // arguments[0] is the program name and is skipped. False when anything was wrong.
    bool Parse(const std::vector<CAtlString> &arguments);
    bool ParseArguments(int argc, char **argv);
    bool ParseArguments(int argc, wchar_t **argv);

  private:
    bool ReportError(const wchar_t *kind, const CAtlString &text);

    ICmdLineParam *m_default = nullptr;
    ICmdLineParam *m_error = nullptr;
    std::map<CAtlString, ICmdLineParam *> m_values;
    std::map<CAtlString, ICmdLineParam *> m_flags;
};

} // namespace NTrove
