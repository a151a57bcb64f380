// The observer list of the facade. The gallery lock guards it, so a notification never runs beside a
// change of the list; notifying iterates over a copy, so an observer may unregister itself.
#include "gallery/facade/GalleryObservers.h"

#include "gallery/facade/Gallery.h"

#include <algorithm>

namespace
{

std::vector<IGalleryObserver *> &Observers()
{
    static std::vector<IGalleryObserver *> observers;
    return observers;
}

} // namespace

void CGallery::RegisterObserver(IGalleryObserver *observer)
{
    if (!observer) return;
    CGalleryLock lock;
    std::vector<IGalleryObserver *> &observers = Observers();
    if (std::find(observers.begin(), observers.end(), observer) == observers.end()) observers.push_back(observer);
}

void CGallery::UnregisterObserver(IGalleryObserver *observer)
{
    CGalleryLock lock;
    std::vector<IGalleryObserver *> &observers = Observers();
    observers.erase(std::remove(observers.begin(), observers.end(), observer), observers.end());
}

void CGallery::NotifyObservers(uint32_t type, const std::vector<CGalleryObject *> &records)
{
    CGalleryLock lock;
    const std::vector<IGalleryObserver *> snapshot = Observers();
    for (IGalleryObserver *observer : snapshot) {
        // Skip one that an earlier observer has just unregistered.
        const std::vector<IGalleryObserver *> &current = Observers();
        if (std::find(current.begin(), current.end(), observer) == current.end()) continue;
        observer->OnGalleryNotification(type, records);
    }
}

void CGallery::NotifyObservers(uint32_t type, CGalleryObject *record)
{
    std::vector<CGalleryObject *> records;
    if (record) records.push_back(record);
    NotifyObservers(type, records);
}
