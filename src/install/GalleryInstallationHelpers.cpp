// The engine's static helpers: version order, URL test, size texts, default base and manifest, the
// gzip copy, the download-statistics post, download credentials and removal at restart.
#include "install/GalleryInstallation.h"

#include "gallery/facade/Gallery.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "gallery/records/GalleryManifestCollection.h"
#include "support/FileManipulator.h"
#include "support/SaveFile.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <zlib.h>

#include <cstdio>
#include <cwchar>
#include <mutex>

namespace
{

std::mutex g_credentialsMutex;
CAtlString g_downloadUser;
CAtlString g_downloadPassword;
bool g_promptForCredentials = false;

const wchar_t *const kDefaultDownloadBase = L"http://download.keldalabs.invalid/software/XQW";

} // namespace

int CGalleryInstallation::CompareVersions(const wchar_t *a, const wchar_t *b)
{
    return std::wcscmp(a ? a : L"", b ? b : L"");
}

bool CGalleryInstallation::IsBaseUrl(const wchar_t *text)
{
    if (!text) return true;
    if (!*text) return false;
    static const wchar_t schemeChars[] = L"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ+-.";
    const wchar_t *p = text;
    while (*p && std::wcschr(schemeChars, *p))
        ++p;
    return p[0] == L':' && p[1] == L'/' && p[2] == L'/';
}

CAtlString CGalleryInstallation::GetSizeString(unsigned long size)
{
    if (size < 1024ul) return Text::Format(L"%d bytes", static_cast<int>(size));
    if (size < 10240ul) return Text::Format(L"%0.1lf KB", static_cast<double>(size) / 1024.0);
    if (size < 1048576ul) return Text::Format(L"%d KB", static_cast<int>(size / 1024ul));
    if (size < 10485760ul) return Text::Format(L"%0.1lf MB", static_cast<double>(size) / 1048576.0);
    if (size < 1073741824ul) return Text::Format(L"%d MB", static_cast<int>(size / 1048576ul));
    return Text::Format(L"%0.1f GB", static_cast<double>(size) / 1073741824.0);
}

CAtlString CGalleryInstallation::GetDefaultBase(int kind)
{
    if (kind == 3) return DataDirectoryName;
    CKeldaDirectoryPath local(CGallery::GetApplicationDirectoryPath());
    local.AddDirectoryToPath(DataDirectoryName);
    if (kind == 1) return local.GetDirectoryPathString();
    if (kind == 2) return kDefaultDownloadBase;
    if (local.CreateFilePath(CategoriesFileName).FileExists()) return local.GetDirectoryPathString();
    return kDefaultDownloadBase;
}

CGalleryManifest *CGalleryInstallation::GetDefaultInstallationManifest(const wchar_t *identifier)
{
    if (CGallery::IsEmptyString(identifier)) return CGallery::GetMyContentManifest();
    CAtlString domain;
    if (!CGalleryExtensionInfo::GetDomainFromIdentifier(identifier, domain)) return CGallery::GetMyContentManifest();
    CGalleryExtensionInfo extension(CGalleryExtensionInfo::TeamContentExtensionType, domain);
    if (extension.GetPreferences() != S_OK || extension.imsManifestXml.empty()) return CGallery::GetMyContentManifest();
    const CAtlString registered = CGallery::StandardizePath(extension.imsManifestXml);
    CGalleryLock lock;
    if (const CGalleryManifestCollection *manifests = CGallery::GetTeamContentManifests()) {
        for (uint32_t i = 0; i < manifests->GetCount(); ++i) {
            CGalleryManifest *manifest = manifests->GetAt(i);
            if (manifest && manifest->GetXmlPath() && registered == manifest->GetXmlPath()) return manifest;
        }
    }
    return CGallery::GetMyContentManifest();
}

HRESULT CGalleryInstallation::dogzip(const CKeldaFilePath &file)
{
    if (!file.FileExists()) return S_FALSE;
    FILE *in = CFileManipulator::OpenFile(file, "rb");
    if (!in) return E_FAIL;
    // The copy goes through the crash-safe writer: an interrupted or failed write leaves the old copy
    // (or none), never a torn one.
    CSaveFile out(CKeldaFilePath(file.GetFilePathString() + L".gz"));
    z_stream stream{};
    bool ok =
        out.Open() && deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    const bool initialised = ok;
    unsigned char input[16384];
    unsigned char output[16384];
    int flush = Z_NO_FLUSH;
    while (ok && flush != Z_FINISH) {
        const size_t read = std::fread(input, 1, sizeof(input), in);
        if (std::ferror(in)) {
            ok = false;
            break;
        }
        flush = read < sizeof(input) ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = input;
        stream.avail_in = static_cast<uInt>(read);
        do {
            stream.next_out = output;
            stream.avail_out = sizeof(output);
            if (deflate(&stream, flush) == Z_STREAM_ERROR) {
                ok = false;
                break;
            }
            ok = out.Write(output, sizeof(output) - stream.avail_out);
        } while (ok && stream.avail_out == 0);
    }
    if (initialised) deflateEnd(&stream);
    std::fclose(in);
    if (!ok) {
        out.Cancel();
        return E_FAIL;
    }
    return out.Commit() ? S_OK : E_FAIL;
}

HRESULT CGalleryInstallation::GalleryDownloadHttpPost(const CAtlString &url, unsigned r, unsigned l)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(Text::ToQt(url)));
    request.setRawHeader("Content-Type", QByteArray("application/x-www-form-urlencoded; r=") + QByteArray::number(r) +
                                             "&l=" + QByteArray::number(l));
    request.setRawHeader("Content-Length", "0");
    QNetworkReply *reply = manager.post(request, QByteArray());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) loop.exec();
    const HRESULT hr = reply->error() == QNetworkReply::NoError ? S_OK : E_FAIL;
    reply->deleteLater();
    return hr;
}

HRESULT CGalleryInstallation::SetDownloadAuthenticationInformation(const CAtlString &user, const CAtlString &password)
{
    std::lock_guard<std::mutex> lock(g_credentialsMutex);
    g_downloadUser = user;
    g_downloadPassword = password;
    return S_OK;
}

HRESULT CGalleryInstallation::GetDownloadAuthenticationInformation(CAtlString &user, CAtlString &password)
{
    std::lock_guard<std::mutex> lock(g_credentialsMutex);
    user = g_downloadUser;
    password = g_downloadPassword;
    return S_OK;
}

void CGalleryInstallation::ClearDownloadAuthenticationInformation()
{
    std::lock_guard<std::mutex> lock(g_credentialsMutex);
    // Overwritten before release so that the password does not linger in freed memory.
    std::fill(g_downloadPassword.begin(), g_downloadPassword.end(), L'\0');
    g_downloadUser.clear();
    g_downloadPassword.clear();
    g_downloadUser.shrink_to_fit();
    g_downloadPassword.shrink_to_fit();
}

bool CGalleryInstallation::GetPromptForDownloadAuthenticationInformation()
{
    std::lock_guard<std::mutex> lock(g_credentialsMutex);
    return g_promptForCredentials;
}

void CGalleryInstallation::SetPromptForDownloadAuthenticationInformation(bool prompt)
{
    std::lock_guard<std::mutex> lock(g_credentialsMutex);
    g_promptForCredentials = prompt;
}

HRESULT CGalleryInstallation::RemoveOnReboot(const CAtlString &path)
{
    (void)CGallery::StandardizePath(path);
    return E_NOTIMPL;
}

HRESULT CGalleryInstallation::RemoveOnReboot(const CKeldaFilePath &path)
{
    return RemoveOnReboot(path.GetFilePathString());
}

HRESULT CGalleryInstallation::RemoveOnReboot(const CKeldaDirectoryPath &path)
{
    return RemoveOnReboot(path.GetDirectoryPathString());
}

HRESULT CGalleryInstallation::UndoRemoveOnReboot(const CAtlString &path)
{
    (void)CGallery::StandardizePath(path);
    return E_NOTIMPL;
}

HRESULT CGalleryInstallation::UndoRemoveOnReboot(const CKeldaFilePath &path)
{
    return UndoRemoveOnReboot(path.GetFilePathString());
}

HRESULT CGalleryInstallation::UndoRemoveOnReboot(const CKeldaDirectoryPath &path)
{
    return UndoRemoveOnReboot(path.GetDirectoryPathString());
}
