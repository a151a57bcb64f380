// CGalleryMultiproc: the refresh thread of a fully initialised library. It loops until cancelled and
// examines one thing per pass, in turn: the personal manifest, the registered team-content
// extensions, the stock manifest, then the repositories. Each pass runs under the gallery lock;
// between passes the thread sleeps in slices, longer after a pass that changed nothing.
#pragma once

#include "gallery/manifest/GalleryManifest.h"
#include "gallery/facade/GalleryThreadBase.h"

#include <chrono>
#include <map>

class CGalleryExtensionInfo;

class CGalleryMultiproc : public CGalleryThreadBase, public IGalleryManifestOpenObserver
{
  public:
    struct Timing {
        double sliceSeconds = 0.5;
        int idleSlices = 30;    // after a pass that changed nothing
        int changedSlices = 18; // after a pass that changed something
        // When not negative, replaces every team-content extension's interval (seconds).
        double teamContentIntervalSeconds = -1;
    };
    // The timing of threads created afterwards.
    static void SetTiming(const Timing &timing);
    static Timing GetTiming();

    enum ePass { ePassMyContent = 0, ePassTeamContent = 1, ePassStock = 2, ePassRepositories = 3 };

    CGalleryMultiproc();
    ~CGalleryMultiproc() override;

    [[nodiscard]] HRESULT NotifyOpenProgress(float fraction) override;
    // Runs one pass; true when it changed anything. Also used by tests without a thread.
    bool RunPass(ePass pass);
    // The interval after which a team-content manifest is examined again.
    static double TeamContentInterval(const CGalleryExtensionInfo &extension, const CGalleryManifest *manifest,
                                      const Timing &timing);

  protected:
    [[nodiscard]] HRESULT ThreadProc() override;

  private:
    bool RefreshMyContent();
    bool RefreshTeamContent();
    bool RefreshStock();
    bool RefreshRepositories();

    const Timing m_timing;
    // Last examination of each team-content manifest by XML path.
    std::map<CAtlString, std::chrono::steady_clock::time_point> m_lastChecked;
};
