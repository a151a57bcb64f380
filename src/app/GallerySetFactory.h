// The workflow tuple: the objects of one command, built by CWorkFlow::GallerySetFactory and handed
// from step to step. The context is the run's; everything else is shared with whoever needs it longer.
#pragma once

#include "app/CmdLineContext.h"

#include <memory>

class CInstallationController;
class ConfigurationWrapper;
class ProxyHandler;
class RunOutcome;

namespace NTrove
{
class GalleryDownloader;
class InstalledXmlWriter;
} // namespace NTrove

struct WorkFlowTuple {
    const NTrove::CCmdLineContext &context;
    // How the controller's read and run ended; declared first so that it outlives the controller.
    std::shared_ptr<RunOutcome> outcome;
    std::shared_ptr<ConfigurationWrapper> configuration;
    std::shared_ptr<CInstallationController> controller;
    std::shared_ptr<NTrove::InstalledXmlWriter> writer;
    std::shared_ptr<NTrove::GalleryDownloader> downloader;
    std::shared_ptr<ProxyHandler> proxyHandler;
};
