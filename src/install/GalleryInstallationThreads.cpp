// Opening and running an installation on a worker thread with its own event loop.
#include "install/GalleryInstallationThreads.h"

#include "install/GalleryInstallation.h"

#include <new>

CGalleryInstallation_OpenInBackgroundThread::CGalleryInstallation_OpenInBackgroundThread(
    CGalleryInstallation *installation, const CKeldaDirectoryPath &destination, const CAtlString &base, bool refresh)
    : m_installation(installation), m_destination(destination), m_base(base), m_refresh(refresh)
{
}

HRESULT CGalleryInstallation_OpenInBackgroundThread::ThreadProc()
{
    return m_installation ? m_installation->Open(m_destination, m_base, m_refresh) : E_FAIL;
}

CGalleryInstallation_RunInBackgroundThread::CGalleryInstallation_RunInBackgroundThread(
    CGalleryInstallation *installation)
    : m_installation(installation)
{
}

HRESULT CGalleryInstallation_RunInBackgroundThread::ThreadProc()
{
    return m_installation ? m_installation->Run() : E_FAIL;
}

HRESULT CGalleryInstallation::CreateOpenInBackgroundThread(const CKeldaDirectoryPath &destination,
                                                           const CAtlString &base, bool refresh,
                                                           CQtGalleryThreadBase **out)
{
    if (!out || *out) return E_INVALIDARG;
    *out = new (std::nothrow) CGalleryInstallation_OpenInBackgroundThread(this, destination, base, refresh);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CGalleryInstallation::CreateRunInBackgroundThread(CQtGalleryThreadBase **out)
{
    if (!out || *out) return E_INVALIDARG;
    *out = new (std::nothrow) CGalleryInstallation_RunInBackgroundThread(this);
    return *out ? S_OK : E_OUTOFMEMORY;
}
