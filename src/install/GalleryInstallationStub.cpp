// Temporary definitions while the engine is being written.
#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationItem.h"
#include "install/GalleryInstallationThreads.h"

const wchar_t *const CGalleryInstallation::CategoriesFileName = L"gallery_categories.xml";
const wchar_t *const CGalleryInstallation::DataDirectoryName = L"Gallery Data Files";

CGalleryInstallation::CGalleryInstallation() = default;
CGalleryInstallation::~CGalleryInstallation() = default;
HRESULT CGalleryInstallation::CreateInstance(CGalleryInstallation **out)
{
    if (!out || *out) return E_INVALIDARG;
    *out = new CGalleryInstallation();
    return S_OK;
}
void CGalleryInstallation::DeleteInstance(CGalleryInstallation **inOut)
{
    if (!inOut) return;
    delete *inOut;
    *inOut = nullptr;
}
HRESULT CGalleryInstallation::Open(const CKeldaDirectoryPath &, const CAtlString &, bool)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::Reopen()
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::Run()
{
    return E_NOTIMPL;
}
CGalleryInstallationItem *CGalleryInstallation::GetAt(size_t) const
{
    return nullptr;
}
CGalleryInstallationItem *CGalleryInstallation::GetByIdentifier(const wchar_t *) const
{
    return nullptr;
}
void CGalleryInstallation::NotifyObserver(eGalleryInstallationProgress, CGalleryInstallationItem *, const wchar_t *,
                                          int, int)
{
}
void CGalleryInstallation::SetDownloadOnly(const CKeldaDirectoryPath &) {}
void CGalleryInstallation::ClearDownloadOnly(const CAtlString &) {}
HRESULT CGalleryInstallation::Download(const CAtlString &, CAtlString &, bool &, CGalleryInstallationItem *, int)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::Download(const CAtlString &, const CAtlString &, const CKeldaDirectoryPath &,
                                       IGalleryInstallationObserver *, CGalleryInstallationItem *, int, CAtlString &,
                                       bool &)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::Download(const CAtlString &, const CAtlString &, const CKeldaDirectoryPath &,
                                       CGalleryInstallationMetaObserver *, CGalleryInstallationItem *, int,
                                       CAtlString &, bool &)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::Download(const CAtlString &, const CKeldaFilePath &, const CAtlString &,
                                       CGalleryInstallationMetaObserver *, CGalleryInstallationItem *, int,
                                       CAtlString &, bool &)
{
    return E_NOTIMPL;
}
bool CGalleryInstallation::IsBaseUrl(const wchar_t *)
{
    return false;
}
int CGalleryInstallation::CompareVersions(const wchar_t *, const wchar_t *)
{
    return 0;
}
CAtlString CGalleryInstallation::GetSizeString(unsigned long)
{
    return {};
}
CAtlString CGalleryInstallation::GetDefaultBase(int)
{
    return {};
}
CGalleryManifest *CGalleryInstallation::GetDefaultInstallationManifest(const wchar_t *)
{
    return nullptr;
}
HRESULT CGalleryInstallation::GalleryDownloadHttpPost(const CAtlString &, unsigned, unsigned)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::SetDownloadAuthenticationInformation(const CAtlString &, const CAtlString &)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::GetDownloadAuthenticationInformation(CAtlString &, CAtlString &)
{
    return E_NOTIMPL;
}
void CGalleryInstallation::ClearDownloadAuthenticationInformation() {}
bool CGalleryInstallation::GetPromptForDownloadAuthenticationInformation()
{
    return false;
}
void CGalleryInstallation::SetPromptForDownloadAuthenticationInformation(bool) {}
HRESULT CGalleryInstallation::RemoveOnReboot(const CAtlString &)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::RemoveOnReboot(const CKeldaFilePath &)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::RemoveOnReboot(const CKeldaDirectoryPath &)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::UndoRemoveOnReboot(const CAtlString &)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::UndoRemoveOnReboot(const CKeldaFilePath &)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::UndoRemoveOnReboot(const CKeldaDirectoryPath &)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::dogzip(const CKeldaFilePath &)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::CreateOpenInBackgroundThread(const CKeldaDirectoryPath &, const CAtlString &, bool,
                                                           CQtGalleryThreadBase **)
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallation::CreateRunInBackgroundThread(CQtGalleryThreadBase **)
{
    return E_NOTIMPL;
}
void CGalleryInstallation::SetStepHook(std::function<void(const char *)>) {}

CGalleryInstallationItem::CGalleryInstallationItem() = default;
CGalleryInstallationItem::~CGalleryInstallationItem() = default;
HRESULT CGalleryInstallationItem::CreateInstance(CGalleryInstallationItem **out)
{
    if (!out || *out) return E_INVALIDARG;
    *out = new CGalleryInstallationItem();
    return S_OK;
}
void CGalleryInstallationItem::DeleteInstance(CGalleryInstallationItem **inOut)
{
    if (!inOut) return;
    delete *inOut;
    *inOut = nullptr;
}
HRESULT CGalleryInstallationItem::Load(const tinyxml2::XMLElement *, const CGalleryInstalledManifestMap &)
{
    return E_NOTIMPL;
}
CAtlString CGalleryInstallationItem::GetTitle(const wchar_t *) const
{
    return {};
}
const CGalleryInstallationItemFile *CGalleryInstallationItem::GetFile(size_t) const
{
    return nullptr;
}
HRESULT CGalleryInstallationItem::GetFileNames(std::vector<CAtlString> &, bool) const
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallationItem::GetFilePaths(std::vector<CAtlString> &) const
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallationItem::GetLanguageList(std::vector<CAtlString> &, bool) const
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallationItem::GetLanguagePacks(std::vector<CAtlString> &, bool) const
{
    return E_NOTIMPL;
}
HRESULT CGalleryInstallationItem::GetUpdatedLanguageList(std::vector<CAtlString> &, bool) const
{
    return E_NOTIMPL;
}
void CGalleryInstallationItem::Sort(std::vector<CGalleryInstallationItem *> &) {}
void CGalleryInstallationItem::SetTargetLanguageList(const std::vector<CAtlString> &) {}
std::vector<CAtlString> CGalleryInstallationItem::GetTargetLanguageList()
{
    return {};
}
void CGalleryInstallationItem::StripToTarget(const std::vector<CAtlString> &, std::vector<CAtlString> &) {}

int CGalleryInstallationMetaObserver::OnProgress(unsigned, unsigned, unsigned, const wchar_t *)
{
    return 0;
}
bool CGalleryInstallationMetaObserver::ShouldAuthenticate()
{
    return true;
}
void CGalleryInstallationMetaObserver::InstallationProgress(eGalleryInstallationProgress, CGalleryInstallationItem *,
                                                            const wchar_t *, int, int)
{
}
void CGalleryInstallationMetaObserver::OnProgress(int, int, int, const CAtlString &) {}
bool CGalleryInstallationMetaObserver::IsCancelled()
{
    return false;
}

CGalleryInstallation_OpenInBackgroundThread::CGalleryInstallation_OpenInBackgroundThread(
    CGalleryInstallation *installation, const CKeldaDirectoryPath &destination, const CAtlString &base, bool refresh)
    : m_installation(installation), m_destination(destination), m_base(base), m_refresh(refresh)
{
}
HRESULT CGalleryInstallation_OpenInBackgroundThread::ThreadProc()
{
    return E_NOTIMPL;
}
CGalleryInstallation_RunInBackgroundThread::CGalleryInstallation_RunInBackgroundThread(
    CGalleryInstallation *installation)
    : m_installation(installation)
{
}
HRESULT CGalleryInstallation_RunInBackgroundThread::ThreadProc()
{
    return E_NOTIMPL;
}
