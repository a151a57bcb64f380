#include "gallery/facade/GalleryMultiproc.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "gallery/facade/GalleryFacade_p.h"
#include "gallery/records/GalleryManifestCollection.h"
#include "gallery/facade/GalleryObservers.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/records/GalleryRepository.h"
#include "support/KeldaPath.h"

#include <mutex>

namespace
{

std::mutex &TimingMutex()
{
    static std::mutex mutex;
    return mutex;
}

CGalleryMultiproc::Timing &SharedTiming()
{
    static CGalleryMultiproc::Timing timing;
    return timing;
}

} // namespace

void CGalleryMultiproc::SetTiming(const Timing &timing)
{
    std::lock_guard<std::mutex> guard(TimingMutex());
    SharedTiming() = timing;
}

CGalleryMultiproc::Timing CGalleryMultiproc::GetTiming()
{
    std::lock_guard<std::mutex> guard(TimingMutex());
    return SharedTiming();
}

CGalleryMultiproc::CGalleryMultiproc() : m_timing(GetTiming()) {}

CGalleryMultiproc::~CGalleryMultiproc()
{
    Cancel();
    Join();
}

HRESULT CGalleryMultiproc::NotifyOpenProgress(float)
{
    return IsCancelled() ? E_ABORT : S_OK;
}

double CGalleryMultiproc::TeamContentInterval(const CGalleryExtensionInfo &extension, const CGalleryManifest *manifest,
                                              const Timing &timing)
{
    if (timing.teamContentIntervalSeconds >= 0) return timing.teamContentIntervalSeconds;
    const CGalleryOrganization *first =
        manifest && manifest->GetOrganizations() ? manifest->GetOrganizations()->GetAt(0) : nullptr;
    return extension.GetEffectiveUpdateInterval(first && first->GetReadOnly());
}

HRESULT CGalleryMultiproc::ThreadProc()
{
    int pass = ePassMyContent;
    while (!IsCancelled()) {
        const bool changed = RunPass(static_cast<ePass>(pass));
        pass = (pass + 1) % 4;
        const int slices = changed ? m_timing.changedSlices : m_timing.idleSlices;
        for (int i = 0; i < slices; ++i)
            if (!CancellableSleep(m_timing.sliceSeconds)) break;
    }
    return S_OK;
}

bool CGalleryMultiproc::RunPass(ePass pass)
{
    CGalleryLock lock;
    if (!lock.IsLocked() || IsCancelled()) return false;
    switch (pass) {
    case ePassMyContent:
        return RefreshMyContent();
    case ePassTeamContent:
        return RefreshTeamContent();
    case ePassStock:
        return RefreshStock();
    case ePassRepositories:
        return RefreshRepositories();
    }
    return false;
}

bool CGalleryMultiproc::RefreshMyContent()
{
    GalleryFacade::State &state = GalleryFacade::TheState();
    if (!state.myContent || !GalleryFacade::ManifestFileChanged(state.myContent)) return false;
    CGalleryManifest *manifest = nullptr;
    CGalleryOrganization *organization = nullptr;
    CGalleryActivity *activity = nullptr;
    // A personal manifest that cannot be read now keeps what was loaded.
    if (FAILED(GalleryFacade::PrepareMyContent(this, &manifest, &organization, &activity))) return false;
    CGalleryManifest *old = state.myContent;
    GalleryFacade::ForgetManifest(old);
    state.myContent = manifest;
    state.myContentOrganization = organization;
    state.myContentActivity = activity;
    CGallery::NotifyObservers(eGalleryNotificationManifestChanged, manifest->AsObject());
    CGalleryManifest::DeleteInstance(&old);
    return true;
}

bool CGalleryMultiproc::RefreshTeamContent()
{
    GalleryFacade::State &state = GalleryFacade::TheState();
    if (!state.teamContent) return false;
    bool changed = false;
    const std::vector<CGalleryExtensionInfo> extensions = GalleryFacade::TeamContentExtensions();
    const auto now = std::chrono::steady_clock::now();
    std::vector<CAtlString> registered;
    for (const CGalleryExtensionInfo &extension : extensions) {
        if (IsCancelled()) return changed;
        const CAtlString xml = CKeldaFilePath(CGallery::StandardizePath(extension.imsManifestXml)).GetFilePathString();
        registered.push_back(xml);
        const uint32_t index = state.teamContent->IndexOfXmlPath(xml.c_str());
        if (index == CGallery::MaxIndex) {
            CGalleryManifest *added = nullptr;
            if (GalleryFacade::AddTeamContent(extension, this, &added) == S_OK) {
                m_lastChecked[xml] = now;
                CGallery::NotifyObservers(eGalleryNotificationManifestAdded, added->AsObject());
                changed = true;
            }
            continue;
        }
        CGalleryManifest *current = state.teamContent->GetAt(index);
        const auto last = m_lastChecked.find(xml);
        const double interval = TeamContentInterval(extension, current, m_timing);
        if (last != m_lastChecked.end() && std::chrono::duration<double>(now - last->second).count() < interval)
            continue;
        m_lastChecked[xml] = now;
        if (!GalleryFacade::ManifestFileChanged(current)) continue;
        CGalleryManifest *fresh = nullptr;
        if (FAILED(GalleryFacade::OpenManifest(xml, this, &fresh))) continue;
        GalleryFacade::ForgetManifest(current);
        state.teamContent->SetAt(index, fresh);
        CGallery::NotifyObservers(eGalleryNotificationManifestChanged, fresh->AsObject());
        changed = true;
    }
    // Registrations that went away take their manifests with them.
    for (uint32_t i = state.teamContent->GetCount(); i-- > 0;) {
        CGalleryManifest *manifest = state.teamContent->GetAt(i);
        bool known = false;
        for (const CAtlString &xml : registered)
            if (CKeldaFilePath(xml).IsEqualPath(CKeldaFilePath(manifest->GetXmlPath()))) known = true;
        if (known) continue;
        CGallery::NotifyObservers(eGalleryNotificationManifestRemoved, manifest->AsObject());
        GalleryFacade::ForgetManifest(manifest);
        m_lastChecked.erase(manifest->GetXmlPath());
        state.teamContent->RemoveAt(i);
        CGalleryManifest::DeleteInstance(&manifest);
        changed = true;
    }
    return changed;
}

bool CGalleryMultiproc::RefreshStock()
{
    GalleryFacade::State &state = GalleryFacade::TheState();
    const CAtlString xml = CGallery::GetStockManifestXmlPath();
    const bool moved = !state.stock || !CKeldaFilePath(xml).IsEqualPath(CKeldaFilePath(state.stock->GetXmlPath()));
    if (!moved && !GalleryFacade::ManifestFileChanged(state.stock)) return false;
    CGalleryManifest *fresh = nullptr;
    if (FAILED(GalleryFacade::OpenManifest(xml, this, &fresh))) return false;
    CGalleryManifest *old = state.stock;
    GalleryFacade::ForgetManifest(old);
    state.stock = fresh;
    CGallery::NotifyObservers(eGalleryNotificationManifestChanged, fresh->AsObject());
    CGalleryManifest::DeleteInstance(&old);
    return true;
}

bool CGalleryMultiproc::RefreshRepositories()
{
    GalleryFacade::State &state = GalleryFacade::TheState();
    if (!state.repositories) return false;
    bool changed = false;
    for (uint32_t i = 0; i < state.repositories->GetCount() && !IsCancelled(); ++i) {
        bool repositoryChanged = false;
        // A repository that cannot be scanned now is tried again at the next pass.
        (void)GalleryFacade::ScanRepository(state.repositories->GetAt(i), this, repositoryChanged);
        changed = changed || repositoryChanged;
    }
    return changed;
}
