// What the install, download and uninstall commands share about one run of the controller: the
// observers that watch it and the verdict that ends the command.
#pragma once

#include "app/CLIProgress.h"
#include "app/Output.h"
#include "app/RunOutcome.h"
#include "app/StatusCollector.h"
#include "ui/dialogs/ProgressDlg.h"

#include <cstdio>
#include <memory>

namespace WorkFlowRun
{

// The console observer of a run feeding the failure collector; with the "ui" option in a GUI run a
// floating progress window takes the console observer's place.
struct Observers {
    explicit Observers(bool verbose)
    {
        progress.verbose = verbose;
        progress.Attach(&collector);
    }
    Observers(const Observers &) = delete;
    Observers &operator=(const Observers &) = delete;

    // Shows the floating progress window when asked to and a GUI application is there.
    void ShowWindow(bool ui, std::shared_ptr<CInstallationController> controller)
    {
        if (ui) window = CreateFloatingProgress(std::move(controller));
        if (window) window->GetObserver()->Attach(&collector);
    }
    // The observer to hand to the run.
    IGalleryInstallationObserver *Head()
    {
        if (window) return window->GetObserver();
        return &progress;
    }

    StatusCollector collector;
    CLIProgress progress;
    std::shared_ptr<ProgressDlg> window;
};

// Lists the failed items on the error stream, one a line.
inline void PrintFailures(const StatusCollector &collector)
{
    for (const CAtlString &failure : collector.GetLog()) {
        std::fputs(Text::ToUtf8(failure).c_str(), stderr);
        std::fputc('\n', stderr);
    }
    std::fflush(stderr);
}

// Prints "Done." and the failed items; 1 when the read or the run failed or any item failed, 0 for a
// clean, cancelled or empty run.
inline int Finish(const Observers &observers, const RunOutcome &outcome, bool runSucceeded)
{
    if (outcome.readFailed) Output::Error(Output::eStringsFailedToReadState, false);
    std::fputs("Done.\n", stdout);
    std::fflush(stdout);
    PrintFailures(observers.collector);
    if (outcome.canceled && !outcome.readFailed) return 0;
    const bool failed =
        !runSucceeded || outcome.readFailed || outcome.runFailed || !observers.collector.GetLog().empty();
    return failed ? 1 : 0;
}

} // namespace WorkFlowRun
