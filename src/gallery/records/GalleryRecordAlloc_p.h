// The CreateInstance/DeleteInstance pattern shared by the records: allocate zero-filled, Initialize;
// Finalize, free unless the record lies inside a managed block, null the pointer. A record inside a clean
// block is not finalized at all.
#pragma once

#include "gallery/facade/Gallery.h"

#include <cstdlib>

template <class T> [[nodiscard]] HRESULT CreateGalleryRecord(T **out)
{
    if (!out || *out) return E_INVALIDARG;
    auto *created = static_cast<T *>(std::calloc(1, sizeof(T)));
    if (!created) return E_OUTOFMEMORY;
    const HRESULT hr = created->Initialize();
    if (FAILED(hr)) {
        created->Finalize();
        std::free(created);
        return hr;
    }
    CGallery::NoteManagedWrite(out);
    *out = created;
    return S_OK;
}

template <class T> void DeleteGalleryRecord(T **inOut)
{
    if (!inOut || !*inOut) return;
    T *record = *inOut;
    *inOut = nullptr;
    // Inside an untouched cache image everything the record owns lies in the image too.
    if (CGallery::IsInCleanBlock(record)) return;
    record->Finalize();
    if (!CGallery::IsManagedMemory(record)) std::free(record);
}
