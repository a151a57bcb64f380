// CInstallationController: reading the gallery state, running, the one-shot commands, observers and
// lifetime.
#include "install/InstallationController.h"

#include "configuration/ConfigurationWrapper.h"
#include "install/GalleryInstallation.h"
#include "support/QThreadWithLoop.h"

#include <atomic>
#include <map>

namespace
{

// Watches a run's reports on their way to the caller's observer: whether anything failed, and whether
// language packs were applied (needed to record the languages of a cancelled run).
class RunWatcher : public IGalleryInstallationObserverChain
{
  public:
    void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item, const wchar_t *text,
                              int percent, int overall) override
    {
        if (kind == eGalleryInstallationProgressFailed) failed = true;
        if (kind == eGalleryInstallationProgressInstallingLanguages) languagesApplied = true;
        IGalleryInstallationObserverChain::InstallationProgress(kind, item, text, percent, overall);
    }

    std::atomic<bool> failed{false};
    std::atomic<bool> languagesApplied{false};
};

bool ImportsLanguagePacks(eGalleryInstallationAction action)
{
    return action == eGalleryInstallationActionInstall || action == eGalleryInstallationActionReinstall ||
           action == eGalleryInstallationActionUpdate;
}

} // namespace

CInstallationController::CInstallationController() = default;

CInstallationController::~CInstallationController()
{
    Dispose();
}

void CInstallationController::SetConfiguration(std::shared_ptr<ConfigurationWrapper> configuration)
{
    m_configuration = std::move(configuration);
    // The configuration's language list; a missing or broken one leaves it empty (codes become stubs).
    m_languageList.Read(ConfigurationWrapper::GetLanguageListPath());
}

void CInstallationController::Dispose()
{
    DeleteInstallation();
}

void CInstallationController::DeleteInstallation()
{
    if (m_installation) CGalleryInstallation::DeleteInstance(&m_installation);
    m_installation = nullptr;
}

CKeldaDirectoryPath CInstallationController::ConfiguredDestination() const
{
    return m_configuration ? m_configuration->GetDestination() : CKeldaDirectoryPath();
}

void CInstallationController::ForEachItem(const std::function<void(CGalleryInstallationItem *)> &action) const
{
    if (!m_installation) return;
    for (CGalleryInstallationItem *item : m_installation->GetItems())
        if (item) action(item);
}

HRESULT CInstallationController::RunOnWorker(const std::function<HRESULT()> &work)
{
    QThreadWithLoop worker([&work] { return static_cast<int>(work()); });
    worker.start(QThread::InheritPriority);
    worker.Join();
    return static_cast<HRESULT>(worker.GetExitCode());
}

bool CInstallationController::ReadGalleryState(IGalleryInstallationObserver *observer)
{
    return ReadGalleryState(ConfiguredDestination(), m_source, observer, false, !m_source.empty());
}

bool CInstallationController::ReadGalleryState(const CKeldaDirectoryPath &destination, const CAtlString &source,
                                               IGalleryInstallationObserver *observer, bool downloadOnly, bool refresh)
{
    NotifyObservers(EventReadStarted);
    // A held installation keeps its destination manifest open; a new read starts from scratch.
    DeleteInstallation();
    if (FAILED(CGalleryInstallation::CreateInstance(&m_installation)) || !m_installation) {
        m_installation = nullptr;
        NotifyObservers(EventReadFailed);
        return false;
    }
    m_installation->SetProxyObserver(m_proxyObserver);
    m_installation->SetObserver(observer);
    if (downloadOnly) m_installation->SetDownloadOnly(destination);

    CGalleryInstallation *installation = m_installation;
    const HRESULT hr = RunOnWorker(
        [installation, &destination, &source, refresh] { return installation->Open(destination, source, refresh); });
    if (FAILED(hr)) {
        NotifyObservers(EventReadFailed);
        return false;
    }
    NotifyObservers(EventReadFinished);
    return true;
}

void CInstallationController::RefreshGalleryState(IGalleryInstallationObserver *observer)
{
    NotifyObservers(EventReadStarted);
    if (m_installation) {
        m_installation->SetObserver(observer);
        CGalleryInstallation *installation = m_installation;
        RunOnWorker([installation] { return installation->Reopen(); });
    }
    NotifyObservers(EventReadFinished);
}

std::vector<CAtlString> CInstallationController::GetTargetLanguages() const
{
    std::vector<CAtlString> codes;
    for (const LanguageXml::Language &language : m_installedLanguages)
        codes.push_back(language.GetCode());
    for (const LanguageXml::Language &language : m_addedLanguages)
        codes.push_back(language.GetCode());
    return codes;
}

bool CInstallationController::Run(IGalleryInstallationObserver *observer)
{
    if (!m_installation) {
        m_lastRunResult = E_FAIL;
        NotifyObservers(EventRunFailed);
        return false;
    }
    RunWatcher watcher;
    watcher.Attach(observer);
    m_installation->SetObserver(&watcher);

    const std::vector<CAtlString> target = GetTargetLanguages();
    CGalleryInstallationItem::SetTargetLanguageList(target);
    bool importsPacks = false;
    ForEachItem([&importsPacks](CGalleryInstallationItem *item) {
        if (ImportsLanguagePacks(item->GetAction())) importsPacks = true;
    });

    CGalleryInstallation *installation = m_installation;
    const HRESULT hr = RunOnWorker([installation] { return installation->Run(); });
    m_installation->SetObserver(observer);
    m_lastRunResult = hr;

    // The languages become the configured ones only once their packs are in: after a run that
    // succeeded, or one cancelled after the packs were applied. Download-only and removal-only runs
    // leave them alone.
    const bool recorded =
        (SUCCEEDED(hr) && !watcher.failed) || ((SUCCEEDED(hr) || hr == E_ABORT) && watcher.languagesApplied);
    if (!m_installation->GetIsDownloadOnly() && importsPacks && recorded && m_configuration) {
        m_configuration->SetLocaleList(target);
        m_configuration->SaveGalleryPreferences(m_configuration->IsRemote(), m_configuration->IsForcedUser());
    }

    if (SUCCEEDED(hr)) {
        NotifyObservers(EventRunFinished);
        return true;
    }
    if (hr == E_ABORT) {
        NotifyObservers(EventRunCanceled);
        return true;
    }
    NotifyObservers(EventRunFailed);
    return false;
}

void CInstallationController::Cancel()
{
    if (m_installation) m_installation->Cancel();
}

bool CInstallationController::RunEverything(IGalleryInstallationObserver *observer)
{
    NotifyObservers(EventRunStarted);
    if (m_installation) m_installation->SetSequencing(eGalleryInstallationSequencingInterleaved);
    return Run(observer);
}

bool CInstallationController::RunUpdates(IGalleryInstallationObserver *observer)
{
    if (!UpdatesAvailable()) return true;
    NotifyObservers(EventRunStarted);
    m_installation->SetObserver(observer);
    m_installation->SetSequencing(eGalleryInstallationSequencingInterleaved);
    std::map<CAtlString, eGalleryInstallationAction> remembered;
    ForEachItem([&remembered](CGalleryInstallationItem *item) {
        remembered[item->GetIdentifier()] = item->GetAction();
        item->SetAction(item->GetIsInstalled() && item->GetIsUpdateAvailable() ? eGalleryInstallationActionUpdate
                                                                               : eGalleryInstallationActionNone);
    });
    const bool result = Run(observer);
    ForEachItem([&remembered](CGalleryInstallationItem *item) {
        const auto found = remembered.find(item->GetIdentifier());
        if (found != remembered.end()) item->SetAction(found->second);
    });
    return result;
}

void CInstallationController::ApplyAddedLanguages()
{
    // The packs of an added language reach the installed galleries through their update action; left
    // at none they would be recorded as installed without ever being applied.
    if (!m_addedLanguages.empty()) SetLanguageAdded();
}

bool CInstallationController::RunInstallAll(IGalleryInstallationObserver *observer)
{
    ReadGalleryState(ConfiguredDestination(), m_source, observer, false, true);
    SyncLanguages();
    SelectEverything();
    ApplyAddedLanguages();
    const bool result = Run(observer);
    SaveKnownLanguages();
    DeleteInstallation();
    return result;
}

bool CInstallationController::RunInstallSome(const std::vector<CAtlString> &identifiers,
                                             IGalleryInstallationObserver *observer)
{
    ReadGalleryState(ConfiguredDestination(), m_source, observer, false, true);
    SyncLanguages();
    if (m_installation) {
        if (identifiers.empty()) {
            ForEachItem([](CGalleryInstallationItem *item) {
                if (item->GetIsInstalled()) item->SetAction(eGalleryInstallationActionUpdate);
            });
        } else {
            for (const CAtlString &identifier : identifiers) {
                CGalleryInstallationItem *item = m_installation->GetByIdentifier(identifier.c_str());
                if (item) SelectWhatItNeeds(item);
            }
            ApplyAddedLanguages();
        }
    }
    const bool result = Run(observer);
    SaveKnownLanguages();
    DeleteInstallation();
    return result;
}

bool CInstallationController::RunDownloadAll(IGalleryInstallationObserver *observer)
{
    ReadGalleryState(ConfiguredDestination(), m_source, observer, true, true);
    SelectEverything();
    const bool result = Run(observer);
    DeleteInstallation();
    return result;
}

bool CInstallationController::RunDownloadSome(const std::vector<CAtlString> &identifiers,
                                              IGalleryInstallationObserver *observer)
{
    ReadGalleryState(ConfiguredDestination(), m_source, observer, true, true);
    if (m_installation) {
        for (const CAtlString &identifier : identifiers) {
            CGalleryInstallationItem *item = m_installation->GetByIdentifier(identifier.c_str());
            if (item) item->SetAction(eGalleryInstallationActionInstall);
        }
    }
    const bool result = Run(observer);
    DeleteInstallation();
    return result;
}

CKeldaDirectoryPath CInstallationController::RunUninstall(IGalleryInstallationObserver *observer)
{
    ReadGalleryState(ConfiguredDestination(), CAtlString(), observer, false, false);
    ForEachItem([](CGalleryInstallationItem *item) {
        item->SetAction(item->GetIsInstalled() ? eGalleryInstallationActionRemove : eGalleryInstallationActionNone);
    });
    Run(observer);
    DeleteInstallation();
    return ConfiguredDestination();
}

void CInstallationController::NotifyObservers(Event event)
{
    // A copy: an observer may add another while being told.
    const std::vector<IInstallationObserver *> observers = m_observers;
    for (IInstallationObserver *observer : observers) {
        if (!observer) continue;
        switch (event) {
        case EventReadStarted:
            observer->OnReadStarted(m_installation);
            break;
        case EventReadFinished:
            observer->OnReadFinished(m_installation);
            break;
        case EventReadFailed:
            observer->OnReadFailed(m_installation);
            break;
        case EventRunStarted:
            observer->OnRunStarted(m_installation);
            break;
        case EventRunFinished:
            observer->OnRunFinished(m_installation);
            break;
        case EventRunCanceled:
            observer->OnRunCanceled(m_installation);
            break;
        case EventRunFailed:
            observer->OnRunFailed(m_installation);
            break;
        default:
            break; // questions are asked, not told
        }
    }
}

bool CInstallationController::AskObservers(Event event)
{
    const std::vector<IInstallationObserver *> observers = m_observers;
    for (IInstallationObserver *observer : observers) {
        if (!observer) continue;
        bool answer = true;
        switch (event) {
        case EventCategoriesWillBeUpdated:
            answer = observer->CategoriesWillBeUpdated();
            break;
        case EventLanguagesWillBeRemoved:
            answer = observer->LanguagesWillBeRemoved();
            break;
        case EventTooManyLanguages:
            answer = observer->TooManyLanguages();
            break;
        default:
            break; // notifications are not questions
        }
        if (!answer) return false;
    }
    return true;
}
