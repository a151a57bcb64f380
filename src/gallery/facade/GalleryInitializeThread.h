// CGalleryInitializeThread: loads the gallery library's content under the gallery lock: the host's
// language and the gallery preferences, the personal "My Content" manifest, the stock manifest, every
// registered team-content manifest and the registered repositories. In full mode it then starts the
// refresh thread. Every step checks the cancel flag, and so does every manifest open (through the
// open observer).
#pragma once

#include "gallery/manifest/GalleryManifest.h"
#include "gallery/facade/GalleryThreadBase.h"

#include <atomic>

class CGalleryInitializeThread : public CGalleryThreadBase, public IGalleryManifestOpenObserver
{
  public:
    explicit CGalleryInitializeThread(bool fullMode) : m_fullMode(fullMode) {}
    ~CGalleryInitializeThread() override;

    bool GetFullMode() const { return m_fullMode; }
    bool IsFinished() const { return m_finished.load(); }

    [[nodiscard]] HRESULT NotifyOpenProgress(float fraction) override;

  protected:
    [[nodiscard]] HRESULT ThreadProc() override;

  private:
    [[nodiscard]] HRESULT Load();

    const bool m_fullMode;
    std::atomic<bool> m_finished{false};
};
