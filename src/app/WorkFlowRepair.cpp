// The repair command: checks every registered gallery and cleans up the data of one that cannot be
// read, and the clean-up itself.
#include "app/WorkFlow.h"

#include "app/RunOutcome.h"
#include "app/StatusCollector.h"
#include "configuration/ConfigurationWrapper.h"
#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "install/InstallationController.h"
#include "support/FileManipulator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <set>

namespace
{

void Line(const CAtlString &text)
{
    std::fputs(Text::ToUtf8(text).c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

CAtlString AbsolutePath(const CAtlString &path)
{
    return Text::FromQt(QDir::cleanPath(QFileInfo(Text::ToQt(path)).absoluteFilePath()));
}

// The files of a gallery folder that belong to the gallery: the fixed names, the uninstall records,
// and every file that an href of one of its manifests names (read as text, so a damaged manifest still
// tells what it installed). Paths are absolute.
std::vector<CAtlString> OwnedFiles(const CKeldaDirectoryPath &destination)
{
    std::set<CAtlString> owned;
    const QDir root(QFileInfo(Text::ToQt(destination.GetDirectoryPathString())).absoluteFilePath());
    const QDir uninstall(root.filePath(QStringLiteral("Uninstall")));
    for (const char *name :
         {"imsmanifest.xml", "imsmanifest.xml.gz", "updateinfo.xml", "knownlanguages.xml", "gallery_categories.xml"}) {
        owned.insert(Text::FromQt(root.filePath(QLatin1String(name))));
        owned.insert(Text::FromQt(uninstall.filePath(QLatin1String(name))));
    }
    QStringList manifests;
    for (const QString &name : root.entryList({QStringLiteral("imsmanifest*.xml")}, QDir::Files))
        manifests << root.filePath(name);
    for (const QString &name : uninstall.entryList(
             {QStringLiteral("imsmanifest*.xml"), QStringLiteral("imsmanifest*.xml.gz")}, QDir::Files)) {
        owned.insert(Text::FromQt(uninstall.filePath(name)));
        if (name.endsWith(QLatin1String(".xml"))) manifests << uninstall.filePath(name);
    }
    static const QRegularExpression href(QStringLiteral("href\\s*=\\s*[\"']([^\"']+)[\"']"));
    for (const QString &path : manifests) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (auto it = href.globalMatch(text); it.hasNext();) {
            const QString name = QUrl::fromPercentEncoding(it.next().captured(1).toUtf8());
            if (name.isEmpty() || QDir::isAbsolutePath(name) || name.contains(QLatin1String(".."))) continue;
            owned.insert(Text::FromQt(QDir::cleanPath(root.filePath(name))));
        }
    }
    return {owned.begin(), owned.end()};
}

} // namespace

bool Cleanup(const CKeldaDirectoryPath &directory, const CAtlString &pattern, bool remove,
             const std::vector<CAtlString> *owned)
{
    const CAtlStringA line = CAtlStringA(remove ? "\tRemoving \"" : "\tWill remove \"") + Text::ToUtf8(pattern) +
                             "\" from \"" + directory.GetDirectoryPathStringA() + "\"\n";
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
    if (!remove) return true;
    std::vector<CKeldaFilePath> files;
    directory.FindFilesInDirectory(pattern, files);
    bool ok = true;
    for (const CKeldaFilePath &file : files) {
        if (owned && !std::binary_search(owned->begin(), owned->end(), AbsolutePath(file.GetFilePathString())))
            continue;
        if (!CFileManipulator::DeleteFile(file)) ok = false;
    }
    if (!ok) {
        std::fputs("\tFailed. Please remove it manually.\n", stderr);
        std::fflush(stderr);
    }
    return ok;
}

int CWorkFlow::Repair(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper>)
{
    AutomaticRepair(context);
    Line(L"Detecting corrupted galleries...");
    std::vector<CGalleryExtensionInfo> registered;
    (void)CGalleryExtensionInfo::GetExtensions(CGalleryExtensionInfo::TeamContentExtensionType, registered);
    for (const CGalleryExtensionInfo &info : registered) {
        Line(L"Verifying integrity: " + info.id);
        auto configuration = std::make_shared<ConfigurationWrapper>();
        if (!configuration->ReadFromPreferences(info.id)) {
            Line(L"\tCan't read configuration, skipping.");
            continue;
        }
        if (configuration->IsRemote()) {
            Line(L"\tRegistered as remote, skipping.");
            continue;
        }
        const CKeldaDirectoryPath destination = configuration->GetDestination();
        Line(L"\tData: " + destination.GetDirectoryPathString());
        Line(L"\tConfiguration: " + configuration->GetDirectory().GetDirectoryPathString());
        bool verified = false;
        if (destination.CreateFilePath(CGallery::ImsManifestXml).FileExists()) {
            WorkFlowTuple tuple = GallerySetFactory(context, configuration);
            configuration->SetDestination(destination);
            StatusCollector collector;
            verified = tuple.controller->ReadGalleryState(&collector) && !tuple.outcome->readFailed;
        }
        if (verified) {
            Line(L"\tVerified.");
            continue;
        }
        Line(L"\tFailed to read gallery.");
        CKeldaDirectoryPath uninstall = destination;
        uninstall.AddDirectoryToPath(L"Uninstall");
        const std::vector<CAtlString> owned = OwnedFiles(destination);
        bool ok = true;
        for (const CKeldaDirectoryPath &directory : {destination, uninstall})
            for (const wchar_t *pattern : {L"*.xml", L"*.galleryitem"})
                ok = Cleanup(directory, pattern, context.allowCleanup, &owned) && ok;
        if (!context.allowCleanup)
            Line(L"\tRun with --allowcleanup to fix, or remove data files manually.");
        else if (ok)
            Line(L"\tCleanup complete. Try installing the gallery again.");
        else
            Line(L"\tCleanup failed. Try again or remove data files manually.");
    }
    return 0;
}
