#include "gallery/online/GalleryOnlinePortal.h"

#include "gallery/facade/Gallery.h"
#include "gallery/facade/GalleryObservers.h"
#include "gallery/online/UrlResources.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "settings/Preferences.h"
#include "support/DirectoryManipulator.h"
#include "support/KeldaPath.h"
#include "support/QThreadWithLoop.h"
#include "support/SaveFile.h"

#include <algorithm>
#include <vector>

namespace
{

std::mutex &PortalsMutex()
{
    static std::mutex mutex;
    return mutex;
}
std::vector<CGalleryOnlinePortal *> &Portals()
{
    static std::vector<CGalleryOnlinePortal *> portals;
    return portals;
}

const char kErrorPage[] = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Not available</title></head>\n"
                          "<body><h1>Not available</h1>\n<p>This online content cannot be reached right now. "
                          "Check the network connection and try again later.</p></body></html>\n";

} // namespace

CGalleryOnlinePortal::CGalleryOnlinePortal(eGalleryObjectType kind, uint32_t notification, const wchar_t *settingsKey,
                                           int nameText)
    : m_notification(notification), m_settingsKey(settingsKey)
{
    m_record.m_type = kind;
    // Without metadata (out of memory) the portal has no title; it still works.
    (void)CGalleryMetadata::CreateInstance(&m_record.m_metadata);
    SetName(CGallery::GetDisplayText(nameText));
    std::lock_guard<std::mutex> guard(PortalsMutex());
    Portals().push_back(this);
}

CGalleryOnlinePortal::~CGalleryOnlinePortal()
{
    {
        std::lock_guard<std::mutex> guard(PortalsMutex());
        Portals().erase(std::remove(Portals().begin(), Portals().end(), this), Portals().end());
    }
    Join();
    CGalleryMetadata::DeleteInstance(&m_record.m_metadata);
}

CGalleryOnlinePortal *CGalleryOnlinePortal::FromObject(const CGalleryObject *object)
{
    std::lock_guard<std::mutex> guard(PortalsMutex());
    for (CGalleryOnlinePortal *portal : Portals())
        if (&portal->m_record == object) return portal;
    return nullptr;
}

CAtlString CGalleryOnlinePortal::GetName() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_record.m_metadata ? CAtlString(m_record.m_metadata->GetTitle()->GetString(CGallery::DefaultLanguage))
                               : CAtlString();
}

void CGalleryOnlinePortal::SetName(const CAtlString &name)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    // A name that cannot be stored (out of memory) keeps the old one.
    if (m_record.m_metadata)
        (void)m_record.m_metadata->GetTitle()->ReplaceString(CGallery::DefaultLanguage, name.c_str());
}

CAtlString CGalleryOnlinePortal::GetUrl() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_url;
}

CAtlString CGalleryOnlinePortal::ErrorPagePath()
{
    return CGallery::GetCacheFolderPath() + L"/Online/error.html";
}

CAtlString CGalleryOnlinePortal::ErrorUrl()
{
    const CKeldaFilePath path(ErrorPagePath());
    if (!path.FileExists()) {
        // Without the file the display shows its own "not found": nothing more to do.
        if (CDirectoryManipulator::CreateDirectory(path.GetDirectoryPath()))
            (void)CSaveFile::WriteWholeFile(path, kErrorPage);
    }
    return CGallery::EncodeFileURI(path.GetFilePathString().c_str());
}

void CGalleryOnlinePortal::Clear()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_url.clear();
    m_result = S_FALSE;
}

HRESULT CGalleryOnlinePortal::LoadUrls(bool force)
{
    return CUrlResources::instance().loadUrls(force);
}

void CGalleryOnlinePortal::StoreSetting(const wchar_t *name, const CAtlString &value) const
{
    // A value that cannot be stored is only missing at the next start.
    (void)WritePreferenceString(PreferenceScopeUser, CAtlString(CGallery::PreferencesPath) + L"\\" + m_settingsKey,
                                name, value, CGallery::PreferenceFile);
}

HRESULT CGalleryOnlinePortal::ThreadProc()
{
    CAtlString url;
    HRESULT hr = Prepare(url);
    if (FAILED(hr) || url.empty()) {
        if (SUCCEEDED(hr)) hr = E_FAIL;
        url = ErrorUrl();
    }
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_url = url;
    }
    m_result = hr;
    CGalleryLock lock;
    CGallery::NotifyObservers(m_notification, &m_record);
    return hr;
}

HRESULT CGalleryOnlinePortal::Start(bool synchronous)
{
    if (IsRunning()) return E_FAIL;
    if (synchronous) return ThreadProc();
    Join();
    m_thread = std::make_unique<QThreadWithLoop>([this] { return static_cast<int>(ThreadProc()); });
    m_thread->start(QThread::LowPriority);
    return S_OK;
}

void CGalleryOnlinePortal::Join()
{
    if (m_thread) m_thread->Join();
}

bool CGalleryOnlinePortal::IsRunning() const
{
    return m_thread && m_thread->isRunning();
}
