// RunOutcome: a controller observer that remembers how the phases of a command's run ended, so that
// the command can tell a read or run that failed from one that succeeded or had nothing to do.
#pragma once

#include "install/IInstallationObserver.h"

class RunOutcome : public IInstallationObserver
{
  public:
    void OnReadStarted(CGalleryInstallation *) override {}
    void OnReadFinished(CGalleryInstallation *) override {}
    void OnReadFailed(CGalleryInstallation *) override { readFailed = true; }
    void OnRunStarted(CGalleryInstallation *) override {}
    void OnRunFinished(CGalleryInstallation *) override {}
    void OnRunCanceled(CGalleryInstallation *) override { canceled = true; }
    void OnRunFailed(CGalleryInstallation *) override { runFailed = true; }

    bool readFailed = false;
    bool runFailed = false;
    bool canceled = false;
};
