// CWorkFlow: one method per command. Each takes the command-line context and the shared gallery
// configuration and returns the exit code (0 success, 1 failure, 666 usage).
#pragma once

#include "app/CmdLineContext.h"

class CWorkFlow
{
  public:
    static constexpr int UsageExitCode = 666;

    virtual ~CWorkFlow() = default;

    // Prints the parameter messages under "Errors in parameters:" to the error stream; nothing when
    // there are none.
    static void PrintUnrecognized(const NTrove::CAtlStringList &messages);
    // "Trove. Version:  1.4.32.0" and a line break.
    static CAtlStringA GetVersionInformation();
    // The usage text, to the output stream.
    static void PrintUsage();

    int Version(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    int Usage(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);

    // Stands in for a command that this build does not have: prints the parameter messages (unless the
    // command is one that never prints them) and "<name>: not available in this build." to the error
    // stream, and fails with 1.
    static int NotAvailable(const char *name, const NTrove::CCmdLineContext &context, bool printMessages = true);
    // The same as a command value.
    static NTrove::Command NotAvailableCommand(const char *name, bool printMessages = true);
};
