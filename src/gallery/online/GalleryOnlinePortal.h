// CGalleryOnlinePortal: an online entry shown beside the installed galleries (the online-resources
// page, the marketplace). It is a pseudo-record: a CGalleryObject of its own kind whose "en" title is
// the display name, so the gallery's lists can hold it. Its content is prepared by a thread of its own
// (started on demand, never by the library's start-up); the result is the URL the display shows: the
// prepared content, or the portal's error page when preparing failed. Observers are then notified
// with the portal.
#pragma once

#include "gallery/records/GalleryObject.h"
#include "support/Result.h"
#include "support/Text.h"

#include <atomic>
#include <memory>
#include <mutex>

class QThreadWithLoop;

// Record kinds of the pseudo-records (outside the range of the manifest model's kinds).
constexpr eGalleryObjectType eGalleryObjectTypeOnlineResources = static_cast<eGalleryObjectType>(32);
constexpr eGalleryObjectType eGalleryObjectTypeOnlineMarketplace = static_cast<eGalleryObjectType>(33);

class CGalleryOnlinePortal
{
  public:
    virtual ~CGalleryOnlinePortal();
    CGalleryOnlinePortal(const CGalleryOnlinePortal &) = delete;
    CGalleryOnlinePortal &operator=(const CGalleryOnlinePortal &) = delete;

    // The pseudo-record; valid while the portal lives.
    CGalleryObject *AsObject() { return &m_record; }
    // The portal whose pseudo-record this is, or null.
    static CGalleryOnlinePortal *FromObject(const CGalleryObject *object);

    CAtlString GetName() const;
    void SetName(const CAtlString &name);
    eGalleryObjectType GetKind() const { return m_record.m_type; }
    uint32_t GetNotificationType() const { return m_notification; }
    // The key below the gallery preferences where the portal keeps its values.
    const wchar_t *GetSettingsKey() const { return m_settingsKey; }

    // What the display shows: empty until prepared.
    CAtlString GetUrl() const;
    // The "file://" URI of the error page (written to the cache folder when missing).
    static CAtlString ErrorUrl();
    static CAtlString ErrorPagePath();
    // Forgets the prepared content.
    void Clear();
    // CUrlResources::loadUrls.
    [[nodiscard]] HRESULT LoadUrls(bool force);

    // Prepares the content: synchronous on the caller's thread (returning the result), otherwise on the
    // portal's thread with its own event loop (S_OK when started; E_FAIL while one is running).
    [[nodiscard]] HRESULT Start(bool synchronous);
    void Join();
    bool IsRunning() const;
    // The result of the last preparation (S_FALSE before any).
    HRESULT GetResult() const { return m_result.load(); }

  protected:
    CGalleryOnlinePortal(eGalleryObjectType kind, uint32_t notification, const wchar_t *settingsKey, int nameText);
    // Prepares the content and gives its URL.
    [[nodiscard]] virtual HRESULT Prepare(CAtlString &url) = 0;
    // Remembers a value under the portal's settings key (user scope).
    void StoreSetting(const wchar_t *name, const CAtlString &value) const;

  private:
    HRESULT ThreadProc();

    CGalleryObject m_record{};
    const uint32_t m_notification;
    const wchar_t *const m_settingsKey;
    mutable std::mutex m_mutex;
    CAtlString m_url;
    std::atomic<HRESULT> m_result{S_FALSE};
    std::unique_ptr<QThreadWithLoop> m_thread;
};
