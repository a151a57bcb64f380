#include "ui/dialogs/ProgressTexts.h"

#include "gallery/records/GalleryExtensionInfo.h"
#include "support/Text.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ProgressTexts
{
QString RunText(eGalleryInstallationProgress kind)
{
    switch (kind) {
    case eGalleryInstallationProgressDownloading:
        return QCoreApplication::translate("ProgressDialog", "Downloading...");
    case eGalleryInstallationProgressInstalling:
        return QCoreApplication::translate("ProgressDialog", "Installing...");
    case eGalleryInstallationProgressUninstalling:
        return QCoreApplication::translate("ProgressDialog", "Uninstalling...");
    case eGalleryInstallationProgressReading:
        return QCoreApplication::translate("ProgressDialog", "Reading...");
    case eGalleryInstallationProgressCanceled:
        return QCoreApplication::translate("ProgressDialog", "Canceled...");
    case eGalleryInstallationProgressComplete:
        return QCoreApplication::translate("ProgressDialog", "Complete.");
    case eGalleryInstallationProgressFailed:
        return QCoreApplication::translate("ProgressDialog", "Failed.");
    case eGalleryInstallationProgressImportingLanguages:
        return QCoreApplication::translate("ProgressDialog", "Importing language packs...");
    case eGalleryInstallationProgressInstallingLanguages:
        return QCoreApplication::translate("ProgressDialog", "Installing language packs...");
    case eGalleryInstallationProgressProcessing:
        return QCoreApplication::translate("ProgressDialog", "Processing...");
    }
    return QString();
}

QString ReadText(eGalleryInstallationProgress kind)
{
    switch (kind) {
    case eGalleryInstallationProgressDownloading:
    case eGalleryInstallationProgressInstalling:
    case eGalleryInstallationProgressReading:
    case eGalleryInstallationProgressCanceled:
    case eGalleryInstallationProgressComplete:
    case eGalleryInstallationProgressFailed:
        return RunText(kind);
    default:
        return QString();
    }
}

QString DisplayedText(eGalleryInstallationProgress kind, const QString &text)
{
    if (kind == eGalleryInstallationProgressUninstalling || kind == eGalleryInstallationProgressInstallingLanguages) {
        CAtlString domain;
        const CAtlString identifier = Text::FromQt(text);
        if (CGalleryExtensionInfo::GetDomainFromIdentifier(identifier, domain)) {
            // "http://" is followed by the domain itself.
            const size_t end = identifier.find(domain) + domain.size();
            return Text::ToQt(end < identifier.size() ? identifier.substr(end + 1) : CAtlString());
        }
    }
    if (text.contains(QLatin1Char('/'))) return QFileInfo(text).fileName();
    return text;
}
} // namespace ProgressTexts
