// The path functions of the facade: the personal and stock manifests, the application directory and
// the host's language.
#include "gallery/facade/Gallery.h"

#include "settings/KDLocale.h"
#include "settings/Preferences.h"
#include "gallery/facade/GalleryHooks.h"
#include "support/KeldaPath.h"
#include "support/SysRoot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace
{

// Stored paths may carry backslash separators (the registration commands write them that way).
CAtlString AsFilePath(const CAtlString &path)
{
    return CKeldaFilePath(path).GetFilePathString();
}

} // namespace

CAtlString CGallery::ExpandEnvironmentReferences(const CAtlString &text)
{
    CAtlString out;
    size_t position = 0;
    for (;;) {
        const size_t start = text.find(L"${", position);
        const size_t end = start == CAtlString::npos ? CAtlString::npos : text.find(L'}', start + 2);
        if (end == CAtlString::npos) {
            out.append(text, position, CAtlString::npos);
            return out;
        }
        out.append(text, position, start - position);
        const std::string name = Text::ToUtf8(text.substr(start + 2, end - start - 2));
        if (const char *value = name.empty() ? nullptr : std::getenv(name.c_str())) out += Text::FromUtf8(value);
        position = end + 1;
    }
}

CAtlString CGallery::GetDefaultMyContentManifestXmlPath()
{
    return GetCacheFolderPath() + L"/" + MyContentTitle + L"/" + ImsManifestXml;
}

CAtlString CGallery::GetMyContentManifestXmlPath()
{
    if (!SafeMode) {
        const CAtlString stored = CGallery::GetGalleryPreference(L"DefaultManifest");
        if (!stored.empty()) return AsFilePath(ExpandEnvironmentReferences(stored));
    }
    return GetDefaultMyContentManifestXmlPath();
}

CAtlString CGallery::GetStockManifestXmlPath()
{
    const CAtlString stored = CGallery::GetGalleryPreference(L"GalleryTasterManifest");
    if (!stored.empty()) return AsFilePath(stored);
    const CAtlString beside = GetApplicationDirectoryPath() + L"/Gallery/" + ImsManifestXml;
    if (CKeldaFilePath(beside).FileExists()) return beside;
    return SysRoot::Path(CAtlString(L"/opt/Kelda Labs/Vellum Software/Gallery/") + ImsManifestXml);
}

CAtlString CGallery::GetApplicationDirectoryPath()
{
    if (QCoreApplication::instance()) return Text::FromQt(QCoreApplication::applicationDirPath());
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) return CAtlString();
    std::string path(buffer, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return Text::FromUtf8(slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash));
}

CAtlString CGallery::GetBoardLanguage()
{
    CAtlString language;
    if (CGalleryHooks::GetBoardLanguage(language)) return language;
    language = Text::FromQt(KDLocale::GetCurrentLocaleDirName(true));
    return language.empty() ? CAtlString(DefaultLanguage) : language;
}

CAtlString CGallery::GetGalleryPreference(const wchar_t *name)
{
    for (int scope : {PreferenceScopeUser, PreferenceScopeMachine}) {
        unsigned int error = 0;
        const CAtlString value =
            GetPreferenceString(scope, CGallery::PreferencesPath, name, CAtlString(), &error, CGallery::PreferenceFile);
        if (error == 0 && !value.empty()) return value;
    }
    return CAtlString();
}

bool CGallery::IsGalleryFolder(const CAtlString &directory)
{
    const QFileInfo info(Text::ToQt(directory));
    if (!info.exists() && !info.isSymLink()) return true;
    if (!info.isDir()) return false;
    const QDir folder(info.absoluteFilePath());
    if (folder.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) return true;
    return QFileInfo(folder.filePath(Text::ToQt(ImsManifestXml))).isFile();
}
