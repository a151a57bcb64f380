// NTrove::CCmdLineContext: everything a run learns from its command line. The parameter objects of the
// parser write into it; the commands only read it.
#pragma once

#include "support/Text.h"

#include <QStringList>

#include <functional>
#include <list>
#include <memory>

class ConfigurationWrapper;

namespace NTrove
{

using CAtlStringList = std::list<CAtlString>;

class CCmdLineContext
{
  public:
    // PushArguments keeps an argument list across a self-update under Defaults::TEMP_KEY of the
    // user's preference store, in this domain.
    static const wchar_t *const TempDomain;
    // The value of the environment variable TROVE_PASSWORD (UTF-8), empty when unset.
    static CAtlString PasswordFromEnvironment();

    CAtlString executablePath;
    CAtlString source;
    CAtlString destination;
    CAtlString configurationPath;
    CAtlString locale;
    CAtlString proxy;
    CAtlString userName;
    // The password option, else TROVE_PASSWORD: a password on the command line shows in the process list.
    CAtlString password = PasswordFromEnvironment();
    CAtlString uValue;
    CAtlString gValue;
    CAtlStringList collectionAliases;
    CAtlStringList languages;
    CAtlStringList parameterErrors;
    CAtlStringList freeArguments;
    bool remote = false;
    bool allowDownload = false;
    bool verbose = false;
    bool authorized = false;
    bool overrideProxy = false;
    bool forceDestination = false;
    bool ui = false;
    bool defaultLanguage = false;
    bool showGui = true;
    bool allowCleanup = false;
    bool forceUser = false;
    bool keepConfigs = false;

    void SetArguments(const QStringList &list) { arguments = list; }
    QStringList GetArguments() const { return arguments; }

    // Stores the list in the user's preference store, replacing what was there. True when every value
    // was written.
    static bool PushArguments(const QStringList &list);
    // Appends the stored list to list and removes it from the store. True unless a stored value could
    // not be read (nothing stored is success with nothing appended).
    static bool PopArguments(QStringList &list);

  private:
    QStringList arguments;
};

// A command: takes the context and the shared configuration, returns the exit code.
using Command = std::function<int(const CCmdLineContext &, std::shared_ptr<ConfigurationWrapper>)>;

} // namespace NTrove
