// IGalleryObserver: receives the gallery library's notifications (CGallery::RegisterObserver). Each
// notification carries its type and the records it concerns; observers are called in registration
// order on the thread that made the change, while that thread holds the gallery lock, so an observer
// must not wait for another thread that may need the lock.
#pragma once

#include "gallery/records/GalleryTypes.h"

#include <cstdint>
#include <vector>

enum eGalleryNotification : uint32_t {
    eGalleryNotificationRepaired = 3,           // a repaired manifest
    eGalleryNotificationInitialized = 4,        // initialisation finished (no record)
    eGalleryNotificationLanguageChanged = 5,    // the current language changed (no record)
    eGalleryNotificationManifestAdded = 16,     // a manifest appeared (refresh thread)
    eGalleryNotificationManifestChanged = 17,   // a manifest was re-read from its changed file
    eGalleryNotificationManifestRemoved = 18,   // a manifest went away; the record is destroyed afterwards
    eGalleryNotificationRepositoryChanged = 19, // a repository's galleries changed
    eGalleryNotificationOnlineResources = 20,   // the online-resources page was prepared (or failed)
    eGalleryNotificationOnlineMarketplace = 21, // the marketplace entry was prepared (or failed)
};

class IGalleryObserver
{
  public:
    virtual ~IGalleryObserver() = default;
    // records holds the one record of a single-record notification, or none.
    virtual void OnGalleryNotification(uint32_t type, const std::vector<CGalleryObject *> &records) = 0;
};
