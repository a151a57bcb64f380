// Reading, local copy and registration of the gallery configuration.
#include "configuration/Configuration.h"

#include <tinyxml2.h>

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "support/ZipHelper.h"
#include "configuration/Defaults.h"
#include "settings/Preferences.h"
#include "gallery/facade/Gallery.h"
#include "support/DirectoryManipulator.h"

const wchar_t *const CConfiguration::SupportedVersion = L"1.0.0.0";

namespace
{
constexpr int kScope = PreferenceScopeMachine;
}

CConfiguration::CConfiguration()
{
    Reset();
}

CConfiguration::~CConfiguration()
{
    for (const CKeldaDirectoryPath &temporary : temporaryDirectories)
        (void)CDirectoryManipulator::RemoveDirectoryAndContents(temporary); // left-overs change nothing
}

void CConfiguration::Reset()
{
    version = CVersionString();
    loaded = false;
    directory.Empty();
    localCopyDirectory.Empty();
    isLocalCopy = false;
    destination.Empty();
    source.Empty();
    revision = 0;
    fileList = std::make_shared<FileList>();
    application = std::make_shared<CApplicationData>(fileList);
    organization = std::make_shared<COrganizationData>(fileList);
    gallery = std::make_shared<CGalleryData>();
    metadata = MetaDataXml();
    registration = CGalleryExtensionInfo();
    remote = false;
    forcedUser = false;
}

bool CConfiguration::Fail(const CAtlString &path, const CAtlString &reason)
{
    loadFailure = path + L": " + reason;
    return false;
}

namespace
{

// Why a file that exists cannot be opened for reading; empty when it can.
CAtlString UnreadableReason(const CKeldaFilePath &file)
{
    if (::access(file.GetFilePathStringA().c_str(), R_OK) == 0) return CAtlString();
    return errno == EACCES ? CAtlString(L"permission denied") : Text::FromUtf8(std::strerror(errno));
}

// Whether a name from the configuration can be appended to a folder without leaving it: not absolute,
// and no "." or ".." component (either slash separates). Empty means "not given" and passes.
bool IsRelativeFolderName(const CAtlString &name)
{
    if (name.empty()) return true;
    if (name.front() == L'/' || name.front() == L'\\') return false;
    size_t start = 0;
    for (;;) {
        const size_t cut = name.find_first_of(L"/\\", start);
        const CAtlString part = name.substr(start, cut == CAtlString::npos ? CAtlString::npos : cut - start);
        if (part == L"." || part == L"..") return false;
        if (cut == CAtlString::npos) return true;
        start = cut + 1;
    }
}

} // namespace

bool CConfiguration::ReadConfigurationXml(const CKeldaFilePath &file)
{
    const CAtlString path = file.GetFilePathString();
    if (!file.FileExists())
        return Fail(file.GetDirectoryPath().GetDirectoryPathString(), L"\"configuration.xml\" is missing");
    if (const CAtlString reason = UnreadableReason(file); !reason.empty()) return Fail(path, reason);
    tinyxml2::XMLDocument document;
    if (document.LoadFile(file.GetFilePathStringA().c_str()) != tinyxml2::XML_SUCCESS)
        return Fail(path, Text::Format(L"not well-formed at line %d", document.ErrorLineNum()));
    const tinyxml2::XMLElement *root = document.RootElement();
    if (!root) return Fail(path, L"no root element");
    const char *versionText = root->Attribute("Version");
    version = Text::FromUtf8(versionText ? versionText : "");
    if (version > CVersionString(CAtlString(SupportedVersion)))
        return Fail(path, L"unsupported version " + Text::FromUtf8(versionText ? versionText : ""));
    revision = root->IntAttribute("Revision", 0);
    const tinyxml2::XMLElement *galleryElement = root->FirstChildElement("Gallery");
    const tinyxml2::XMLElement *applicationElement = root->FirstChildElement("Application");
    const tinyxml2::XMLElement *organizationElement = root->FirstChildElement("Organization");
    if (!galleryElement || !applicationElement || !organizationElement)
        return Fail(path, L"no Gallery, Application or Organization element");
    gallery->Read(galleryElement);
    application->Read(applicationElement);
    organization->Read(organizationElement);
    // These become folders of the destination (and so of what an uninstall removes): they stay below it.
    const struct {
        const wchar_t *field;
        const CAtlString &value;
    } folderNames[] = {{L"Application/PathOverride", application->pathOverride},
                       {L"Organization/Name", organization->name},
                       {L"Gallery Name", gallery->name}};
    for (const auto &name : folderNames)
        if (!IsRelativeFolderName(name.value))
            return Fail(path, Text::Format(L"%ls \"%ls\" is absolute or has a \".\" or \"..\" component", name.field,
                                           name.value.c_str()));
    // Without any of them the destination would be the folder that holds every gallery.
    if (application->pathOverride.empty() && organization->name.empty() && gallery->name.empty())
        return Fail(path, L"no Application/PathOverride, Organization/Name or Gallery Name names the destination");
    return true;
}

bool CConfiguration::ReadMetadataXml(const CKeldaFilePath &file)
{
    if (!file.FileExists())
        return Fail(file.GetDirectoryPath().GetDirectoryPathString(), L"\"metadata.xml\" is missing");
    if (const CAtlString reason = UnreadableReason(file); !reason.empty())
        return Fail(file.GetFilePathString(), reason);
    return metadata.Read(file.GetFilePathString()) || Fail(file.GetFilePathString(), L"cannot be read");
}

bool CConfiguration::ReadFromDir(const CKeldaDirectoryPath &dir)
{
    Reset();
    return ReadFromDirNoReset(dir);
}

bool CConfiguration::ReadFromDirNoReset(const CKeldaDirectoryPath &dir)
{
    directory = dir;
    loadFailure.clear();
    if (!dir.DirectoryExists()) return Fail(dir.GetDirectoryPathString(), L"no such folder");
    fileList->SetRoot(dir);
    fileList->AddRelativeFilePath(CKeldaFilePath(L"configuration.xml"));
    fileList->AddRelativeFilePath(CKeldaFilePath(L"metadata.xml"));
    loaded = ReadConfigurationXml(dir.CreateFilePath(L"configuration.xml")) &&
             ReadMetadataXml(dir.CreateFilePath(L"metadata.xml"));

    localCopyDirectory = Defaults::GetConfigurationPath();
    for (const CAtlString *level : {&organization->name, &gallery->name, &gallery->guid}) {
        const CAtlString legal = CKeldaFilePath::MakeNameLegal(*level);
        if (!legal.empty() && legal != L"." && legal != L"..") localCopyDirectory.AddDirectoryToPath(legal);
    }
    if (loaded && loadedCallback) loadedCallback();
    return loaded;
}

bool CConfiguration::ReadFromFile(const CKeldaFilePath &file)
{
    Reset();
    loadFailure.clear();
    if (!file.FileExists()) return Fail(file.GetFilePathString(), L"no such file or folder");
    // The extension exactly as it is written: "Sample.GalleryCollection" is not a packed configuration.
    if (file.IsDirectory() || file.GetFileExtension() != Defaults::GALLERY_COLLECTION_EXTENTION)
        return Fail(file.GetFilePathString(), L"not a folder or a \".gallerycollection\" file");
    // "/tmp" is shared: the folder's name is random and made in one step, so no one can take it first.
    const CKeldaDirectoryPath unpacked =
        CKeldaDirectoryPath::CreateTempDirectory(Defaults::GetTempDirectoryPath(), L"TroveConfiguration");
    if (unpacked.IsEmptyPath()) return Fail(file.GetFilePathString(), L"no temporary folder to unpack it into");
    if (!CZipHelper::UnzipToFolder(file, unpacked)) {
        (void)CDirectoryManipulator::RemoveDirectoryAndContents(unpacked);
        if (const CAtlString reason = UnreadableReason(file); !reason.empty())
            return Fail(file.GetFilePathString(), reason);
        return Fail(file.GetFilePathString(), L"not a readable ZIP archive");
    }
    temporaryDirectories.push_back(unpacked);
    const bool read = ReadFromDirNoReset(unpacked);
    source = file.GetDirectoryPath();
    return read;
}

CKeldaDirectoryPath CConfiguration::GetDefaultDestination() const
{
    CKeldaDirectoryPath path = Defaults::GetGalleryPath();
    if (!application->pathOverride.empty()) {
        path.AddDirectoryToPath(application->pathOverride);
    } else {
        path.AddDirectoryToPath(organization->name);
        path.AddDirectoryToPath(gallery->name);
    }
    return path;
}

CAtlString CConfiguration::GetRegistrationKey() const
{
    return CGalleryExtensionInfo::GetPreferencesKey(CGalleryExtensionInfo::TeamContentExtensionType, gallery->guid);
}

bool CConfiguration::InitializeDefaultGalleryPreferences()
{
    if (localCopyDirectory.IsEmptyPath()) return false;
    registration.type = CGalleryExtensionInfo::TeamContentExtensionType;
    registration.id = gallery->guid;
    if (destination.IsEmptyPath()) destination = GetDefaultDestination();
    registration.imsManifestXml = destination.CreateFilePath(CGallery::ImsManifestXml).GetFilePathString();
    registration.appPath = installedPath;
    registration.args = L"-configuration \"" + localCopyDirectory.GetDirectoryPathString() + L"\"";
    if (forcedUser) registration.args += L" -forceuser";
    registration.metadataXml = localCopyDirectory.CreateFilePath(L"metadata.xml").GetFilePathString();
    return true;
}

bool CConfiguration::SaveGalleryPreferences(bool remoteFlag, bool forcedUserFlag)
{
    if (gallery->guid.empty()) return false;
    remote = remoteFlag;
    forcedUser = forcedUserFlag;
    if (!InitializeDefaultGalleryPreferences()) return false;
    if (FAILED(registration.SetPreferences())) return false;
    const CAtlString key = GetRegistrationKey();
    WritePreferenceInt(kScope, key, L"Remote", remote ? 1 : 0, CGallery::PreferenceFile);
    WritePreferenceInt(kScope, key, L"ForceUser", forcedUser ? 1 : 0, CGallery::PreferenceFile);
    return true;
}

bool CConfiguration::ReadGalleryPreferences()
{
    if (!loaded || gallery->guid.empty()) return false;
    CGalleryExtensionInfo record(CGalleryExtensionInfo::TeamContentExtensionType, gallery->guid);
    if (record.GetPreferences() != S_OK) return false;
    registration = record;
    const CAtlString key = GetRegistrationKey();
    remote = GetPreferenceInt(kScope, key, L"Remote", 0, nullptr, CGallery::PreferenceFile) != 0;
    forcedUser = GetPreferenceInt(kScope, key, L"ForceUser", 0, nullptr, CGallery::PreferenceFile) != 0;
    const CKeldaFilePath manifest(registration.imsManifestXml);
    destination = manifest.IsEmptyPath() ? GetDefaultDestination() : manifest.GetDirectoryPath();
    return true;
}

bool CConfiguration::ReadFromPreferences(const CAtlString &guid)
{
    Reset();
    loadFailure.clear();
    if (guid.empty()) return Fail(L"\"\"", L"no gallery id");
    CGalleryExtensionInfo record(CGalleryExtensionInfo::TeamContentExtensionType, guid);
    if (record.GetPreferences() != S_OK || record.metadataXml.empty())
        return Fail(guid, L"no gallery is registered under this id");
    const CAtlString key = CGalleryExtensionInfo::GetPreferencesKey(record.type, guid);
    const bool remoteFlag = GetPreferenceInt(kScope, key, L"Remote", 0, nullptr, CGallery::PreferenceFile) != 0;
    const bool forcedFlag = GetPreferenceInt(kScope, key, L"ForceUser", 0, nullptr, CGallery::PreferenceFile) != 0;
    const CKeldaFilePath manifest(record.imsManifestXml);
    // The callback must see the registered state, so it is set before the folder is read.
    registration = record;
    remote = remoteFlag;
    forcedUser = forcedFlag;
    if (!manifest.IsEmptyPath()) destination = manifest.GetDirectoryPath();
    isLocalCopy = true;
    const bool read = ReadFromDirNoReset(CKeldaFilePath(record.metadataXml).GetDirectoryPath());
    if (destination.IsEmptyPath()) destination = GetDefaultDestination();
    return read;
}

bool CConfiguration::MakeLocalCopy()
{
    if (localCopyDirectory.IsEmptyPath() || gallery->name.empty()) return false;
    if (directory.IsEqualPath(localCopyDirectory)) {
        isLocalCopy = true;
        return true;
    }
    if (!CDirectoryManipulator::CreateDirectory(localCopyDirectory)) return false;
    if (!fileList->MoveToLocation(localCopyDirectory, false)) return false;
    directory = localCopyDirectory;
    isLocalCopy = true;
    return true;
}

bool CConfiguration::RemoveLocalCopy()
{
    if (isLocalCopy) return fileList->Uninstall();
    if (gallery->guid.empty()) return false;
    CConfiguration registered;
    if (!registered.ReadFromPreferences(gallery->guid)) return false;
    return registered.RemoveLocalCopy();
}
