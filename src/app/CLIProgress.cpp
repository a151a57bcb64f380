// Console progress lines.
#include "app/CLIProgress.h"

#include "install/GalleryInstallationItem.h"

#include <cstdio>

namespace
{

// The label of a kind; kinds 5 to 7 are words on a line of their own.
const char *Label(eGalleryInstallationProgress kind, bool &ownLine)
{
    ownLine = false;
    switch (kind) {
    case eGalleryInstallationProgressDownloading:
        return "Downloading: ";
    case eGalleryInstallationProgressInstalling:
        return "Installing: ";
    case eGalleryInstallationProgressUninstalling:
        return "Uninstalling: ";
    case eGalleryInstallationProgressReading:
        return "Reading: ";
    case eGalleryInstallationProgressCanceled:
        ownLine = true;
        return "Canceled";
    case eGalleryInstallationProgressComplete:
        ownLine = true;
        return "Complete";
    case eGalleryInstallationProgressFailed:
        ownLine = true;
        return "Failed";
    case eGalleryInstallationProgressImportingLanguages:
        return "Retrieving languages: ";
    case eGalleryInstallationProgressInstallingLanguages:
        return "Applying languages: ";
    default:
        return "";
    }
}

} // namespace

std::string CLIProgress::FormatLine(eGalleryInstallationProgress kind, const CAtlString &itemTitle, bool hasItem,
                                    const wchar_t *text, int overall)
{
    bool ownLine = false;
    std::string line = Label(kind, ownLine);
    if (ownLine) line += '\n';
    line += " \t[" + std::to_string(overall) + "%] ";
    if (hasItem) line += "(" + Text::ToUtf8(itemTitle) + ") ";
    CAtlString shown = text ? text : L"";
    // An uninstall record is reported by its path; its file name says enough.
    if (kind == eGalleryInstallationProgressUninstalling) {
        const size_t slash = shown.find_last_of(L'/');
        if (slash != CAtlString::npos) shown.erase(0, slash + 1);
    }
    line += Text::ToUtf8(shown);
    return line;
}

void CLIProgress::InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item,
                                       const wchar_t *text, int percent, int overall)
{
    IGalleryInstallationObserverChain::InstallationProgress(kind, item, text, percent, overall);
    if (!verbose || percent <= 99) return;
    const std::string line =
        FormatLine(kind, item ? item->GetTitle(nullptr) : CAtlString(), item != nullptr, text, overall) + "\n";
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (line == m_lastLine) return;
    m_lastLine = line;
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}
