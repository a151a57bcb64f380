// Registration commands: register, mycontent and teamcontent.
#include "app/WorkFlow.h"

#include "app/Output.h"
#include "configuration/ConfigurationWrapper.h"
#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "settings/Preferences.h"
#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace
{

// True when an option of that name is on the command line (any prefix, value after a colon or not).
bool HasOption(const NTrove::CCmdLineContext &context, const QString &name)
{
    for (QString argument : context.GetArguments()) {
        if (argument.startsWith(QLatin1String("--")))
            argument.remove(0, 2);
        else if (argument.startsWith(QLatin1Char('-')) || argument.startsWith(QLatin1Char('\\')))
            argument.remove(0, 1);
        else
            continue;
        if (argument == name || argument.startsWith(name + QLatin1Char(':'))) return true;
    }
    return false;
}

CAtlString AbsolutePath(const CAtlString &path)
{
    return Text::FromQt(QDir::cleanPath(QFileInfo(Text::ToQt(path)).absoluteFilePath()));
}

} // namespace

int CWorkFlow::AutomaticRepair(const NTrove::CCmdLineContext &)
{
    return 0;
}

int CWorkFlow::RepairPermissions(const NTrove::CCmdLineContext &)
{
    return 0;
}

int CWorkFlow::Register(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration)
{
    PrintUnrecognized(context.parameterErrors);
    AutomaticRepair(context);
    // What the command needs of the shared set-up: the program that the registration names and the
    // destination given on the command line (empty until the registration fills it in).
    configuration->SetInstalledPath(context.executablePath);
    configuration->SetDestination(CKeldaDirectoryPath(context.destination));
    if (!context.remote) {
        if (!FileAssociation::Register(L"\"" + context.executablePath + L"\"")) {
            Output::Error(Output::eStringsCouldNotRegisterFileAssociations, false);
            return 1;
        }
    } else {
        configuration->SetInstalledPath(L"");
    }
    if (!configuration->IsLoaded()) {
        // Nothing to register is fine; a configuration that was asked for and did not load is not.
        if (!HasOption(context, QStringLiteral("configuration")) && !HasOption(context, QStringLiteral("guid")))
            return 0;
        Output::Error(Output::eStringsCouldNotLoadConfiguration, false);
        return 1;
    }
    if (!configuration->ReadGalleryPreferences()) configuration->InitializeDefaultGalleryPreferences();
    if (context.forceDestination && !context.destination.empty())
        configuration->SetDestination(CKeldaDirectoryPath(AbsolutePath(context.destination)));
    const CKeldaDirectoryPath destination = configuration->GetDestination();
    if (!IsGalleryFolder(destination) || !CheckWritePermissions(destination)) {
        Output::Error(Output::eStringsNoWritePermissions, destination.GetDirectoryPathStringA(), false);
        return 1;
    }
    if (!configuration->Install(context.remote, context.forceUser)) {
        Output::Error(Output::eStringsCouldNotCopyConfiguration, false);
        return 1;
    }
    if (!configuration->SaveGalleryPreferences(context.remote, context.forceUser)) {
        Output::Error(Output::eStringsCouldNotSavePreferences, false);
        return 1;
    }
    if (!CDirectoryManipulator::CreateDirectory(destination)) {
        Output::Error(Output::eStringsNoWritePermissions, destination.GetDirectoryPathStringA(), false);
        return 1;
    }
    FixUpPermissionsForForcedUser(context, *configuration);
    return 0;
}

int CWorkFlow::MyContent(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper>)
{
    PrintUnrecognized(context.parameterErrors);
    if (context.destination.empty()) {
        std::fputs("--destination is not provided\n", stderr);
        std::fflush(stderr);
        return 1;
    }
    // The library's reader takes "\" as well as "/" between folder and manifest name.
    const CAtlString manifest = AbsolutePath(context.destination) + L"\\" + CGallery::ImsManifestXml;
    const int written = WritePreferenceString(PreferenceScopeMachine, CGallery::PreferencesPath, L"DefaultManifest",
                                              manifest, CGallery::PreferenceFile);
    return written == 0 ? 0 : 1;
}

int CWorkFlow::TeamContent(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper>)
{
    PrintUnrecognized(context.parameterErrors);
    if (context.destination.empty()) {
        std::fputs("--destination is not provided\n", stderr);
        std::fflush(stderr);
        return 1;
    }
    const CAtlString manifest = CGallery::StandardizePath(CKeldaDirectoryPath(AbsolutePath(context.destination))
                                                              .CreateFilePath(CGallery::ImsManifestXml)
                                                              .GetFilePathString());
    std::vector<CGalleryExtensionInfo> registered;
    (void)CGalleryExtensionInfo::GetExtensions(CGalleryExtensionInfo::TeamContentExtensionType, registered);
    for (const CGalleryExtensionInfo &info : registered)
        if (CGallery::StandardizePath(info.imsManifestXml) == manifest) return 0;
    CGalleryExtensionInfo info(CGalleryExtensionInfo::TeamContentExtensionType, CGallery::NewGuid());
    info.imsManifestXml = manifest;
    return info.SetPreferences() == S_OK ? 0 : 1;
}
