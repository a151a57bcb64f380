// The shared set-up of the commands: the workflow tuple and the connection check.
#include "app/WorkFlow.h"

#include "app/Output.h"
#include "app/RunOutcome.h"
#include "configuration/ConfigurationWrapper.h"
#include "install/InstallationController.h"
#include "install/InstalledXmlWriter.h"
#include "net/GalleryDownloader.h"
#include "net/ProxyHandler.h"
#include "settings/KDLocale.h"

#include <cstdio>

WorkFlowTuple CWorkFlow::GallerySetFactory(const NTrove::CCmdLineContext &context,
                                           std::shared_ptr<ConfigurationWrapper> configuration)
{
    auto proxyHandler = std::make_shared<ProxyHandler>();
    auto downloader = std::make_shared<NTrove::GalleryDownloader>(proxyHandler);
    auto writer = std::make_shared<NTrove::InstalledXmlWriter>();
    auto controller = std::make_shared<CInstallationController>();
    auto outcome = std::make_shared<RunOutcome>();

    if (context.overrideProxy)
        proxyHandler->SetProxy(context.proxy);
    else
        proxyHandler->LoadPreferences();
    proxyHandler->user = context.userName;
    proxyHandler->password = context.password;

    configuration->SetInstalledPath(context.executablePath);

    writer->SetConfiguration(configuration);
    controller->AddInstallationObserver(writer.get());
    controller->AddInstallationObserver(outcome.get());
    controller->SetProxyObserver(proxyHandler.get());
    controller->SetConfiguration(configuration);

    configuration->SetDestination(CKeldaDirectoryPath(context.destination));
    controller->AllowAuthorizationDialog(context.showGui || context.ui);

    std::vector<CAtlString> languages(context.languages.begin(), context.languages.end());
    if (context.defaultLanguage) languages.push_back(Text::FromQt(KDLocale::GetCurrentLocaleDirName(true)));
    if (!languages.empty()) controller->ForceAddedLanguages(languages);

    return WorkFlowTuple{context,           std::move(outcome),    std::move(configuration), std::move(controller),
                         std::move(writer), std::move(downloader), std::move(proxyHandler)};
}

bool CWorkFlow::CheckInternetConnection(WorkFlowTuple &tuple, const CAtlString &address, bool showGui)
{
    for (;;) {
        std::fputs(("Checking connection to: " + Text::ToUtf8(address) + "\n").c_str(), stdout);
        std::fflush(stdout);
        if (tuple.controller->CheckRemoteGalleryProvider(address)) {
            tuple.proxyHandler->SavePreferences();
            std::fputs("Check succeeded.\n", stdout);
            std::fflush(stdout);
            return true;
        }
        tuple.controller->AllowAuthorizationDialog(false);
        Output::Error(Output::eStringsCouldNotDownloadFile, Text::ToUtf8(address), showGui);
        if (!showGui || !tuple.proxyHandler->ShowDialog(nullptr)) return false;
    }
}
