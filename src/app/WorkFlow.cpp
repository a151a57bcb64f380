// The commands that this build has, and the placeholder for those it has not.
#include "app/WorkFlow.h"

#include "settings/KDAppInfo.h"

#include <cstdio>

void CWorkFlow::PrintUnrecognized(const NTrove::CAtlStringList &messages)
{
    if (messages.empty()) return;
    std::fputs("Errors in parameters:\n", stderr);
    for (const CAtlString &message : messages) {
        std::fputs("   ", stderr);
        std::fputs(Text::ToUtf8(message).c_str(), stderr);
        std::fputc('\n', stderr);
    }
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

CAtlStringA CWorkFlow::GetVersionInformation()
{
    std::string id = buildVersion();
    while (!id.empty() && (id.back() == ':' || id.back() == ']'))
        id.pop_back();
    size_t start = 0;
    while (start < id.size() && (id[start] == '[' || id[start] == ':'))
        ++start;
    id.erase(0, start);
    const std::string company = KDAppInfo::OrganizationName;
    for (size_t at = id.find(company); at != std::string::npos; at = id.find(company, at + 1))
        id.replace(at, company.size(), " ");
    return "Trove. Version:" + id + "\n";
}

void CWorkFlow::PrintUsage()
{
    static const char *const lines[] = {
        "Usage:",
        "Common options:",
        "\t[<-overrideproxy> [-proxy proxyhost:port]] [-username name] [-password pass] [-verbose]",
        "GUI:",
        "\t[-source path] {common options} [-authorized]",
        "Install everything:",
        "\t--installall [-destination path] <-source path | -allowdownload> <-configuration path | -guid "
        "gallery_id> [-remote] {common options}",
        "Install selected:",
        "\t--installsome [-destination path] <-source path | -allowdownload> [-remote] <-configuration path | "
        "-guid gallery_id> <-c alias1 [-c alias2 ...]> {common options}",
        "Create full local source:",
        "\t--downloadall <-destination path> <-configuration path | -guid gallery_id> [-source url] {common "
        "options}",
        "Create partial local source:",
        "\t--downloadsome <-destination path> <-configuration path | -guid gallery_id> [-source url] <-c alias1 "
        "[-c alias2 ...]> {common options}",
        "Uninstall:",
        "\t--uninstall <-configuration path | -guid gallery_id>]",
        "Register with Vellum:",
        "\t--register [-destination path] [-configuration path] [-remote]",
        "Attempt repairing corrupted gallery:",
        "\t--repair",
    };
    std::fputc('\n', stdout);
    for (const char *line : lines) {
        std::fputs(line, stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
}

int CWorkFlow::Version(const NTrove::CCmdLineContext &, std::shared_ptr<ConfigurationWrapper>)
{
    std::fputs(GetVersionInformation().c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return 0;
}

int CWorkFlow::Usage(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper>)
{
    std::fputs(GetVersionInformation().c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    PrintUnrecognized(context.parameterErrors);
    PrintUsage();
    return UsageExitCode;
}

int CWorkFlow::NotAvailable(const char *name, const NTrove::CCmdLineContext &context, bool printMessages)
{
    if (printMessages) PrintUnrecognized(context.parameterErrors);
    std::fprintf(stderr, "%s: not available in this build.\n", name);
    std::fflush(stderr);
    return 1;
}

NTrove::Command CWorkFlow::NotAvailableCommand(const char *name, bool printMessages)
{
    return [name, printMessages](const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper>) {
        return NotAvailable(name, context, printMessages);
    };
}
