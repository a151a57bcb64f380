// The worker threads that open or run an installation in the background (CQtGalleryThreadBase: the
// procedure runs inside the thread's own event loop, as the downloader needs).
#pragma once

#include "gallery/facade/QtGalleryThreadBase.h"
#include "support/KeldaPath.h"
#include "support/Text.h"

class CGalleryInstallation;

class CGalleryInstallation_OpenInBackgroundThread : public CQtGalleryThreadBase
{
    Q_OBJECT

  public:
    CGalleryInstallation_OpenInBackgroundThread(CGalleryInstallation *installation,
                                                const CKeldaDirectoryPath &destination, const CAtlString &base,
                                                bool refresh);

  protected:
    // Open's result, or E_FAIL without an installation.
    HRESULT ThreadProc() override;

  private:
    CGalleryInstallation *m_installation;
    CKeldaDirectoryPath m_destination;
    CAtlString m_base;
    bool m_refresh;
};

class CGalleryInstallation_RunInBackgroundThread : public CQtGalleryThreadBase
{
    Q_OBJECT

  public:
    explicit CGalleryInstallation_RunInBackgroundThread(CGalleryInstallation *installation);

  protected:
    // Run's result, or E_FAIL without an installation.
    HRESULT ThreadProc() override;

  private:
    CGalleryInstallation *m_installation;
};
