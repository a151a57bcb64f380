// CGalleryRecordArray: the ordered array of owned record pointers behind every record collection.
// Records are owned exclusively: Dispose destroys them, RemoveAt and RemoveAll only detach them.
// Identifier lookups use CGallery::CompareStrings and need an exact match.
#pragma once

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryRecordAlloc_p.h"
#include "support/Result.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

// Growth policies.
struct CGalleryGrowByOne {
    static uint32_t Next(uint32_t capacity) { return capacity + 1; }
};
// 16, 64, 256, 4096, 16384, then 4096 at a time.
struct CGalleryGrowFileSteps {
    static uint32_t Next(uint32_t capacity)
    {
        if (capacity < 16) return 16;
        if (capacity < 64) return 64;
        if (capacity < 256) return 256;
        if (capacity < 4096) return 4096;
        if (capacity < 16384) return 16384;
        return capacity + 4096;
    }
};

template <class T> class CGalleryRecordEnumerator
{
  public:
    CGalleryRecordEnumerator(T *const *items, uint32_t count) : m_items(items), m_count(count), m_index(-1) {}
    void Reset() { m_index = -1; }
    bool MoveNext()
    {
        if (m_index < static_cast<int64_t>(m_count)) ++m_index;
        return m_index < static_cast<int64_t>(m_count);
    }
    T *GetCurrent() const
    {
        return m_index >= 0 && m_index < static_cast<int64_t>(m_count) ? m_items[m_index] : nullptr;
    }

  private:
    T *const *m_items;
    uint32_t m_count;
    int64_t m_index;
};

template <class T, class Growth = CGalleryGrowByOne> class CGalleryRecordArray
{
  public:
    using Enumerator = CGalleryRecordEnumerator<T>;

    [[nodiscard]] HRESULT Initialize()
    {
        m_items = nullptr;
        m_count = m_capacity = 0;
        return S_OK;
    }
    void Finalize() { Dispose(); }
    // Destroys every member and frees the array.
    void Dispose()
    {
        for (uint32_t i = 0; i < m_count; ++i)
            T::DeleteInstance(&m_items[i]);
        RemoveAll();
        void *items = m_items;
        CGallery::FreeMemory(&items);
        m_items = nullptr;
        m_capacity = 0;
    }

    uint32_t GetCount() const { return m_count; }
    uint32_t GetCapacity() const { return m_capacity; }
    T *GetAt(uint32_t index) const { return index < m_count ? m_items[index] : nullptr; }
    T *const *GetData() const { return m_items; }

    [[nodiscard]] HRESULT Add(T *record) { return Insert(m_count, record); }
    [[nodiscard]] HRESULT Insert(uint32_t index, T *record)
    {
        if (!record || index > m_count) return E_INVALIDARG;
        CGallery::NoteManagedWrite(this);
        if (m_count == m_capacity) {
            const HRESULT hr = Reserve(Growth::Next(m_capacity));
            if (FAILED(hr)) return hr;
        }
        std::memmove(m_items + index + 1, m_items + index, (m_count - index) * sizeof(T *));
        m_items[index] = record;
        ++m_count;
        return S_OK;
    }
    // SetAt, RemoveAt and Remove fail only for a null record or an index past the end, which a caller
    // that took the index from this collection cannot meet; their results may go unused.
    // Puts the record at index; the record that was there is destroyed (the collection owns it).
    HRESULT SetAt(uint32_t index, T *record)
    {
        if (!record || index >= m_count) return E_INVALIDARG;
        CGallery::NoteManagedWrite(this);
        if (m_items[index] != record) T::DeleteInstance(&m_items[index]);
        m_items[index] = record;
        return S_OK;
    }
    // Moves every record of other to the end of this collection; other is left empty.
    [[nodiscard]] HRESULT AddRange(CGalleryRecordArray *other)
    {
        if (!other) return E_INVALIDARG;
        if (other == this) return E_INVALIDARG;
        while (other->m_count) {
            const HRESULT hr = Add(other->m_items[0]);
            if (FAILED(hr)) return hr;
            other->RemoveAt(0);
        }
        return S_OK;
    }
    // Detaches without destroying.
    HRESULT RemoveAt(uint32_t index)
    {
        if (index >= m_count) return E_INVALIDARG;
        std::memmove(m_items + index, m_items + index + 1, (m_count - index - 1) * sizeof(T *));
        --m_count;
        return S_OK;
    }
    // S_FALSE when the record is not held.
    HRESULT Remove(T *record)
    {
        const uint32_t index = IndexOf(record);
        return index == CGallery::MaxIndex ? S_FALSE : RemoveAt(index);
    }
    // Detaches every member.
    void RemoveAll() { m_count = 0; }

    uint32_t IndexOf(const T *record) const
    {
        for (uint32_t i = 0; i < m_count; ++i)
            if (m_items[i] == record) return i;
        return CGallery::MaxIndex;
    }
    uint32_t IndexOf(const wchar_t *identifier) const
    {
        if (!identifier) return CGallery::MaxIndex;
        for (uint32_t i = 0; i < m_count; ++i)
            if (CGallery::CompareStrings(m_items[i]->GetIdentifier(), identifier) == 0) return i;
        return CGallery::MaxIndex;
    }
    bool Contains(const T *record) const { return IndexOf(record) != CGallery::MaxIndex; }
    bool Contains(const wchar_t *identifier) const { return IndexOf(identifier) != CGallery::MaxIndex; }
    T *GetByIdentifier(const wchar_t *identifier) const { return GetAt(IndexOf(identifier)); }
    Enumerator GetEnumerator() const { return Enumerator(m_items, m_count); }

    [[nodiscard]] HRESULT PerformSanityChecks(bool deep) const
    {
        if (m_count > m_capacity || (m_count && !m_items)) return E_FAIL;
        for (uint32_t i = 0; i < m_count; ++i) {
            if (!m_items[i]) return E_FAIL;
            if (deep) {
                const HRESULT hr = m_items[i]->PerformSanityChecks(true);
                if (FAILED(hr)) return hr;
            }
        }
        return S_OK;
    }

  protected:
    [[nodiscard]] HRESULT Reserve(uint32_t capacity)
    {
        if (capacity <= m_capacity) return S_OK;
        void *items = m_items;
        const HRESULT hr = CGallery::ReallocateMemory(capacity, sizeof(T *), &items, m_capacity);
        if (FAILED(hr)) return hr;
        m_items = static_cast<T **>(items);
        m_capacity = capacity;
        return S_OK;
    }

    T **m_items;
    uint32_t m_count;
    uint32_t m_capacity;
};

// CreateInstance/DeleteInstance of a collection type C (a CGalleryRecordArray without data of its own):
// the record pattern of GalleryRecordAlloc_p.h.
template <class C> [[nodiscard]] HRESULT CreateGalleryCollection(C **out)
{
    return CreateGalleryRecord(out);
}

template <class C> void DeleteGalleryCollection(C **inOut)
{
    DeleteGalleryRecord(inOut);
}
