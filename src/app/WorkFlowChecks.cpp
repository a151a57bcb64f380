// The checks that the commands share: whether a folder may receive a gallery and may be written, and
// the permission fix for galleries shared by every user.
#include "app/WorkFlow.h"

#include "configuration/ConfigurationWrapper.h"
#include "gallery/facade/Gallery.h"

#include <QFileInfo>
#include <QProcess>

#include <cstdio>
#include <unistd.h>

CAtlStringA CWorkFlow::PermissionCommandText(const CAtlString &directory)
{
    return "/bin/chmod -R u+rw,g+rw,o+rw,+X '" + Text::ToUtf8(directory) + "'";
}

void CWorkFlow::FixUpPermissionsForForcedUser(const NTrove::CCmdLineContext &context,
                                              const ConfigurationWrapper &configuration)
{
    if (!configuration.IsForcedUser() && !context.forceUser) return;
    const CAtlString directory = configuration.GetDestination().GetDirectoryPathString();
    // The program gets the folder as one argument: no shell sees the path.
    QProcess chmod;
    chmod.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    chmod.start(QStringLiteral("/bin/chmod"),
                {QStringLiteral("-R"), QStringLiteral("u+rw,g+rw,o+rw,+X"), Text::ToQt(directory)});
    const bool ok = chmod.waitForFinished(-1) && chmod.exitStatus() == QProcess::NormalExit && chmod.exitCode() == 0;
    if (ok) return;
    std::fputs(("Failed to modify permissions\n" + PermissionCommandText(directory) + "\n").c_str(), stderr);
    std::fflush(stderr);
}

bool CWorkFlow::IsGalleryFolder(const CKeldaDirectoryPath &directory)
{
    return CGallery::IsGalleryFolder(directory.GetDirectoryPathString());
}

bool CWorkFlow::CheckWritePermissions(const CKeldaDirectoryPath &directory)
{
    if (directory.IsEmptyPath()) return false;
    QFileInfo info(QFileInfo(Text::ToQt(directory.GetDirectoryPathString())).absoluteFilePath());
    // A folder still to be made needs a writable existing parent.
    while (!info.exists()) {
        const QString parent = info.absolutePath();
        if (parent == info.absoluteFilePath()) return false;
        info = QFileInfo(parent);
    }
    return info.isDir() && ::access(info.absoluteFilePath().toUtf8().constData(), W_OK | X_OK) == 0;
}
