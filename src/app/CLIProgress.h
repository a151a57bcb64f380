// CLIProgress: the installation observer of console runs. Every report goes on down the chain; with
// verbose set, each finished step (percent above 99) prints one line on the output stream:
// "<label> \t[<overall>%] (<item title>) <text>". The same step reported finished twice in a row (a
// download's byte progress reaching 100% before its end is reported) prints its line once.
#pragma once

#include "install/IInstallationObserver.h"
#include "support/Text.h"

#include <mutex>
#include <string>

class CLIProgress : public IGalleryInstallationObserverChain
{
  public:
    // Nothing to set up on this platform.
    static bool InitializeConsole() { return true; }

    void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item, const wchar_t *text,
                              int percent, int overall) override;

    // The line that a finished step prints (without the line break), "" when nothing is printed.
    static std::string FormatLine(eGalleryInstallationProgress kind, const CAtlString &itemTitle, bool hasItem,
                                  const wchar_t *text, int overall);

    bool verbose = false;

  private:
    std::mutex m_mutex; // reports arrive on the engine's worker thread
    std::string m_lastLine;
};
