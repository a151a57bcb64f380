// Keyed text in one buffer.
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryRecordAlloc_p.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryPairBuffer_p.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

namespace PB = GalleryPairBuffer;

bool CGalleryKeyedStringEnumerator::MoveNext()
{
    if (!m_collection) return false;
    const int64_t count = m_collection->GetCount();
    if (m_index < count) ++m_index;
    return m_index < count;
}

const wchar_t *CGalleryKeyedStringEnumerator::GetCurrentKey() const
{
    return m_collection ? m_collection->GetKeyAt(static_cast<uint32_t>(m_index)) : CGallery::EmptyString;
}

const wchar_t *CGalleryKeyedStringEnumerator::GetCurrentString() const
{
    return m_collection ? m_collection->GetStringAt(static_cast<uint32_t>(m_index)) : CGallery::EmptyString;
}

HRESULT CGalleryKeyedStringCollection::CreateInstance(CGalleryKeyedStringCollection **out)
{
    return CreateGalleryRecord(out);
}

void CGalleryKeyedStringCollection::DeleteInstance(CGalleryKeyedStringCollection **inOut)
{
    DeleteGalleryRecord(inOut);
}

HRESULT CGalleryKeyedStringCollection::Initialize()
{
    m_buffer = CGallery::EmptyString;
    return S_OK;
}

void CGalleryKeyedStringCollection::Dispose()
{
    PB::Release(&m_buffer);
}

HRESULT CGalleryKeyedStringCollection::PerformSanityChecks(bool) const
{
    return m_buffer ? S_OK : E_FAIL;
}

uint32_t CGalleryKeyedStringCollection::GetCount() const
{
    return PB::Count(m_buffer);
}

const wchar_t *CGalleryKeyedStringCollection::GetKeyAt(uint32_t index) const
{
    const wchar_t *key = CGallery::EmptyString;
    PB::At(m_buffer, index, &key, nullptr);
    return key;
}

const wchar_t *CGalleryKeyedStringCollection::GetStringAt(uint32_t index) const
{
    const wchar_t *value = CGallery::EmptyString;
    PB::At(m_buffer, index, nullptr, &value);
    return value;
}

const wchar_t *CGalleryKeyedStringCollection::GetString(const wchar_t *key) const
{
    if (!key || !m_buffer) return CGallery::EmptyString;
    for (const wchar_t *p = m_buffer; *p;) {
        const wchar_t *value = p + std::wcslen(p) + 1;
        if (std::wcscmp(p, key) == 0) return value;
        p = value + std::wcslen(value) + 1;
    }
    return CGallery::EmptyString;
}

bool CGalleryKeyedStringCollection::ContainsKey(const wchar_t *key) const
{
    if (!key) return false;
    for (const PB::Pair &pair : PB::Parse(m_buffer))
        if (pair.first == key) return true;
    return false;
}

HRESULT CGalleryKeyedStringCollection::Add(const wchar_t *key, const wchar_t *value)
{
    if (!key || !*key) return E_INVALIDARG;
    return PB::Append(&m_buffer, key, value ? value : L"");
}

HRESULT CGalleryKeyedStringCollection::ReplaceString(const wchar_t *key, const wchar_t *value)
{
    if (!key || !*key) return E_INVALIDARG;
    std::vector<PB::Pair> pairs = PB::Parse(m_buffer);
    const CAtlString copy(value ? value : L"");
    for (PB::Pair &pair : pairs)
        if (pair.first == key) {
            pair.second = copy;
            return PB::Build(&m_buffer, pairs);
        }
    return Add(key, value);
}

HRESULT CGalleryKeyedStringCollection::GetKeys(std::vector<CAtlString> &out) const
{
    const size_t before = out.size();
    for (const PB::Pair &pair : PB::Parse(m_buffer)) {
        CAtlString key(pair.first);
        if (std::find(out.begin() + static_cast<std::ptrdiff_t>(before), out.end(), key) == out.end())
            out.push_back(std::move(key));
    }
    return out.size() > before ? S_OK : S_FALSE;
}

HRESULT CGalleryKeyedStringCollection::AddRange(const CGalleryKeyedStringCollection *other)
{
    if (!other) return E_INVALIDARG;
    if (other->IsEmpty()) return S_FALSE;
    std::vector<PB::Pair> pairs = PB::Parse(m_buffer);
    const std::vector<PB::Pair> more = PB::Parse(other->m_buffer);
    pairs.insert(pairs.end(), more.begin(), more.end());
    return PB::Build(&m_buffer, pairs);
}

HRESULT CGalleryKeyedStringCollection::RemoveAt(uint32_t index)
{
    std::vector<PB::Pair> pairs = PB::Parse(m_buffer);
    if (index >= pairs.size()) return E_INVALIDARG;
    pairs.erase(pairs.begin() + index);
    return PB::Build(&m_buffer, pairs);
}

HRESULT CGalleryKeyedStringCollection::SplitAddUnique(const wchar_t *text, const wchar_t *separators)
{
    std::vector<CAtlString> tokens;
    CGallery::Split(text ? text : L"", tokens, separators ? separators : L"",
                    CGallery::eSplitFlagsTrim | CGallery::eSplitFlagsRemoveEmpty);
    if (tokens.size() < 2) return S_FALSE;
    for (size_t i = 0; i + 1 < tokens.size(); i += 2) {
        if (ContainsKey(tokens[i].c_str())) continue;
        const HRESULT hr = Add(tokens[i].c_str(), tokens[i + 1].c_str());
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CGalleryKeyedStringCollection::CopyFrom(const CGalleryKeyedStringCollection *other)
{
    if (!other) return E_INVALIDARG;
    if (other == this) return S_OK;
    return PB::Build(&m_buffer, PB::Parse(other->m_buffer));
}
