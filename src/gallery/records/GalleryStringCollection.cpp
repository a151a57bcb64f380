// The (string, flag) array.
#include "gallery/records/GalleryStringCollection.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryRecordAlloc_p.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <vector>

HRESULT CGalleryStringCollection::CreateInstance(CGalleryStringCollection **out)
{
    return CreateGalleryRecord(out);
}

void CGalleryStringCollection::DeleteInstance(CGalleryStringCollection **inOut)
{
    DeleteGalleryRecord(inOut);
}

HRESULT CGalleryStringCollection::Initialize()
{
    m_entries = nullptr;
    m_count = m_capacity = 0;
    return S_OK;
}

HRESULT CGalleryStringCollection::PerformSanityChecks(bool deep) const
{
    if (m_count > m_capacity || (m_count && !m_entries)) return E_FAIL;
    if (deep)
        for (uint32_t i = 0; i < m_count; ++i)
            if (FAILED(CGallery::CheckStringSanity(m_entries[i].m_text))) return E_FAIL;
    return S_OK;
}

const wchar_t *CGalleryStringCollection::GetAt(uint32_t index) const
{
    return index < m_count ? m_entries[index].m_text : CGallery::EmptyString;
}

uint8_t CGalleryStringCollection::GetFlagAt(uint32_t index) const
{
    return index < m_count ? m_entries[index].m_flag : 0;
}

HRESULT CGalleryStringCollection::Add(const wchar_t *text, uint8_t flag)
{
    return InsertAt(m_count, text, flag);
}

HRESULT CGalleryStringCollection::InsertAt(uint32_t index, const wchar_t *text, uint8_t flag)
{
    if (index > m_count) return E_INVALIDARG;
    CGallery::NoteManagedWrite(this);
    if (m_count == m_capacity) {
        void *entries = m_entries;
        const uint32_t grown = m_capacity ? m_capacity * 2 : 4;
        const HRESULT hr = CGallery::ReallocateMemory(grown, sizeof(CGalleryStringEntry), &entries, m_capacity);
        if (FAILED(hr)) return hr;
        m_entries = static_cast<CGalleryStringEntry *>(entries);
        m_capacity = grown;
    }
    const wchar_t *copy = nullptr;
    const HRESULT hr = CGallery::AllocateString(text, &copy);
    if (FAILED(hr)) return hr;
    std::copy_backward(m_entries + index, m_entries + m_count, m_entries + m_count + 1);
    m_entries[index] = {copy, flag};
    ++m_count;
    return S_OK;
}

HRESULT CGalleryStringCollection::RemoveAt(uint32_t index)
{
    if (index >= m_count) return E_INVALIDARG;
    CGallery::FreeString(&m_entries[index].m_text);
    std::copy(m_entries + index + 1, m_entries + m_count, m_entries + index);
    --m_count;
    return S_OK;
}

void CGalleryStringCollection::Clear()
{
    for (uint32_t i = 0; i < m_count; ++i)
        CGallery::FreeString(&m_entries[i].m_text);
    void *entries = m_entries;
    CGallery::FreeMemory(&entries);
    m_entries = nullptr;
    m_count = m_capacity = 0;
}

uint32_t CGalleryStringCollection::IndexOf(const wchar_t *text) const
{
    if (!text) return CGallery::MaxIndex;
    for (uint32_t i = 0; i < m_count; ++i)
        if (std::wcscmp(m_entries[i].m_text, text) == 0) return i;
    return CGallery::MaxIndex;
}

void CGalleryStringCollection::Sort()
{
    std::stable_sort(m_entries, m_entries + m_count, [](const CGalleryStringEntry &a, const CGalleryStringEntry &b) {
        return CGallery::CompareStrings(a.m_text, b.m_text) < 0;
    });
}

void CGalleryStringCollection::FilterDuplicates()
{
    for (uint32_t i = 0; i < m_count; ++i)
        for (uint32_t j = m_count; j-- > i + 1;)
            if (std::wcscmp(m_entries[i].m_text, m_entries[j].m_text) == 0) RemoveAt(j);
}

bool CGalleryStringCollection::Equals(const CGalleryStringCollection *other) const
{
    if (!other || other->m_count != m_count) return false;
    for (uint32_t i = 0; i < m_count; ++i)
        if (std::wcscmp(m_entries[i].m_text, other->m_entries[i].m_text) != 0) return false;
    return true;
}
