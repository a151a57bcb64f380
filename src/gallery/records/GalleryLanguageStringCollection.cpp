// Multilingual text in one buffer, language matching and the display fallback.
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryRecordAlloc_p.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryPairBuffer_p.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

namespace PB = GalleryPairBuffer;

CGalleryLanguageStringEnumerator::CGalleryLanguageStringEnumerator(const CGalleryLanguageStringCollection *collection,
                                                                   const wchar_t *language, int matchType)
    : m_collection(collection), m_language(language ? language : L""), m_matchType(language ? matchType : 0),
      m_index(-1)
{
}

bool CGalleryLanguageStringEnumerator::MoveNext()
{
    if (!m_collection) return false;
    const int64_t count = m_collection->GetCount();
    while (++m_index < count) {
        if (m_matchType <= 0) return true;
        const wchar_t *language = m_collection->GetLanguageAt(static_cast<uint32_t>(m_index));
        if (CGallery::MatchLanguages(language, m_language.c_str()) >= m_matchType) return true;
    }
    m_index = count;
    return false;
}

const wchar_t *CGalleryLanguageStringEnumerator::GetCurrentLanguage() const
{
    return m_collection ? m_collection->GetLanguageAt(static_cast<uint32_t>(m_index)) : CGallery::EmptyString;
}

const wchar_t *CGalleryLanguageStringEnumerator::GetCurrentString() const
{
    return m_collection ? m_collection->GetStringAt(static_cast<uint32_t>(m_index)) : CGallery::EmptyString;
}

HRESULT CGalleryLanguageStringCollection::CreateInstance(CGalleryLanguageStringCollection **out)
{
    return CreateGalleryRecord(out);
}

void CGalleryLanguageStringCollection::DeleteInstance(CGalleryLanguageStringCollection **inOut)
{
    DeleteGalleryRecord(inOut);
}

HRESULT CGalleryLanguageStringCollection::Initialize()
{
    m_buffer = CGallery::EmptyString;
    return S_OK;
}

void CGalleryLanguageStringCollection::Dispose()
{
    PB::Release(&m_buffer);
}

HRESULT CGalleryLanguageStringCollection::PerformSanityChecks(bool) const
{
    return m_buffer ? S_OK : E_FAIL;
}

uint32_t CGalleryLanguageStringCollection::GetCount() const
{
    return PB::Count(m_buffer);
}

const wchar_t *CGalleryLanguageStringCollection::GetLanguageAt(uint32_t index) const
{
    const wchar_t *language = CGallery::EmptyString;
    PB::At(m_buffer, index, &language, nullptr);
    return language;
}

const wchar_t *CGalleryLanguageStringCollection::GetStringAt(uint32_t index) const
{
    const wchar_t *text = CGallery::EmptyString;
    PB::At(m_buffer, index, nullptr, &text);
    return text;
}

HRESULT CGalleryLanguageStringCollection::Add(const wchar_t *language, const wchar_t *text)
{
    if (!language || !*language) return E_INVALIDARG;
    return PB::Append(&m_buffer, language, text ? text : L"");
}

HRESULT CGalleryLanguageStringCollection::AddRange(const CGalleryLanguageStringCollection *other)
{
    if (!other) return E_INVALIDARG;
    if (other->IsEmpty()) return S_FALSE;
    std::vector<PB::Pair> pairs = PB::Parse(m_buffer);
    const std::vector<PB::Pair> more = PB::Parse(other->m_buffer);
    pairs.insert(pairs.end(), more.begin(), more.end());
    return PB::Build(&m_buffer, pairs);
}

HRESULT CGalleryLanguageStringCollection::RemoveAt(uint32_t index)
{
    return RemoveStringsAt(&index, 1);
}

HRESULT CGalleryLanguageStringCollection::RemoveStringsAt(const uint32_t *indices, uint32_t count)
{
    if (!indices && count) return E_INVALIDARG;
    std::vector<PB::Pair> pairs = PB::Parse(m_buffer);
    std::vector<bool> drop(pairs.size(), false);
    bool any = false;
    for (uint32_t i = 0; i < count; ++i)
        if (indices[i] < pairs.size()) drop[indices[i]] = any = true;
    if (!any) return S_FALSE;
    std::vector<PB::Pair> kept;
    for (size_t i = 0; i < pairs.size(); ++i)
        if (!drop[i]) kept.push_back(pairs[i]);
    return PB::Build(&m_buffer, kept);
}

HRESULT CGalleryLanguageStringCollection::ReplaceStrings(const wchar_t *language, const std::vector<CAtlString> &texts)
{
    if (!language || !*language) return E_INVALIDARG;
    // Regional copies must outlive the rebuild; keep them in owned strings.
    std::vector<CAtlString> owned;
    owned.reserve(2 * GetCount());
    std::vector<PB::Pair> pairs = PB::Parse(m_buffer);
    std::vector<PB::Pair> kept;
    std::vector<std::pair<size_t, size_t>> copies; // indices into owned: (language, text)
    for (const PB::Pair &pair : pairs) {
        const CAtlString code(pair.first);
        const int score = CGallery::MatchLanguages(code.c_str(), language);
        if (score != 3 && score != 2) {
            kept.push_back(pair);
            continue;
        }
        const wchar_t *regions[2] = {nullptr, nullptr};
        if (Text::EqualsNoCase(code, L"zh")) {
            regions[0] = L"zh-CN";
            regions[1] = L"zh-TW";
        } else if (Text::EqualsNoCase(code, L"pt")) {
            regions[0] = L"pt-PT";
            regions[1] = L"pt-BR";
        }
        for (const wchar_t *region : regions) {
            if (!region) continue;
            const int regionScore = CGallery::MatchLanguages(region, language);
            if (regionScore == 3 || regionScore == 2) continue; // would be removed again at once
            owned.emplace_back(region);
            owned.emplace_back(pair.second);
            copies.emplace_back(owned.size() - 2, owned.size() - 1);
        }
    }
    for (const auto &copy : copies)
        kept.push_back({owned[copy.first], owned[copy.second]});
    for (const CAtlString &text : texts)
        kept.push_back({language, text});
    return PB::Build(&m_buffer, kept);
}

HRESULT CGalleryLanguageStringCollection::ReplaceString(const wchar_t *language, const wchar_t *text)
{
    return ReplaceStrings(language, {CAtlString(text ? text : L"")});
}

HRESULT CGalleryLanguageStringCollection::ReplaceStringAt(uint32_t index, const wchar_t *text)
{
    std::vector<PB::Pair> pairs = PB::Parse(m_buffer);
    if (index >= pairs.size()) return E_INVALIDARG;
    const CAtlString copy(text ? text : L"");
    pairs[index].second = copy;
    return PB::Build(&m_buffer, pairs);
}

HRESULT CGalleryLanguageStringCollection::GetAllStringsForLanguage(const wchar_t *language,
                                                                   std::vector<CAtlString> &out) const
{
    const size_t before = out.size();
    for (auto e = GetEnumerator(language, 3); e.MoveNext();)
        out.emplace_back(e.GetCurrentString());
    return out.size() > before ? S_OK : S_FALSE;
}

HRESULT CGalleryLanguageStringCollection::GetLanguages(std::vector<CAtlString> &out) const
{
    const size_t before = out.size();
    for (const PB::Pair &pair : PB::Parse(m_buffer)) {
        CAtlString code(pair.first);
        if (std::find(out.begin() + static_cast<std::ptrdiff_t>(before), out.end(), code) == out.end())
            out.push_back(std::move(code));
    }
    return out.size() > before ? S_OK : S_FALSE;
}

HRESULT CGalleryLanguageStringCollection::SplitAddUnique(const wchar_t *text, const wchar_t *separators)
{
    std::vector<CAtlString> tokens;
    CGallery::Split(text ? text : L"", tokens, separators ? separators : L"", CGallery::eSplitFlagsRemoveEmpty);
    if (tokens.size() < 2) return S_FALSE;
    for (size_t i = 0; i + 1 < tokens.size(); i += 2) {
        if (IndexOf(tokens[i].c_str(), 3) != CGallery::MaxIndex) continue;
        const HRESULT hr = Add(tokens[i].c_str(), tokens[i + 1].c_str());
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

bool CGalleryLanguageStringCollection::Contains(const wchar_t *language) const
{
    return IndexOf(language, 1) != CGallery::MaxIndex;
}

uint32_t CGalleryLanguageStringCollection::IndexOf(const wchar_t *language, int matchType) const
{
    uint32_t best[4] = {CGallery::MaxIndex, CGallery::MaxIndex, CGallery::MaxIndex, CGallery::MaxIndex};
    uint32_t index = 0;
    const wchar_t *p = m_buffer;
    if (!p) return CGallery::MaxIndex;
    while (*p) {
        const int score = CGallery::MatchLanguages(p, language);
        if (score == 3) return index;
        if (score > 0 && best[score] == CGallery::MaxIndex) best[score] = index;
        p += std::wcslen(p) + 1;
        p += std::wcslen(p) + 1;
        ++index;
    }
    if (matchType < 3 && best[2] != CGallery::MaxIndex) return best[2];
    if (matchType < 2 && best[1] != CGallery::MaxIndex) return best[1];
    return CGallery::MaxIndex;
}

const wchar_t *CGalleryLanguageStringCollection::GetString(const wchar_t *language) const
{
    if (IsEmpty()) return CGallery::EmptyString;
    uint32_t index;
    if (CGallery::IsEmptyString(language)) {
        const CAtlString current = CGallery::GetCurrentLanguage();
        index = IndexOf(current.c_str(), 1);
    } else {
        index = IndexOf(language, 1);
    }
    if (index == CGallery::MaxIndex) index = IndexOf(CGallery::DefaultLanguage, 1);
    if (index == CGallery::MaxIndex) {
        uint32_t i = 0;
        for (const wchar_t *p = m_buffer; *p; ++i) {
            if (!std::wcschr(p, L'-')) {
                index = i;
                break;
            }
            p += std::wcslen(p) + 1;
            p += std::wcslen(p) + 1;
        }
    }
    if (index == CGallery::MaxIndex) index = 0;
    return GetStringAt(index);
}

HRESULT CGalleryLanguageStringCollection::CopyFrom(const CGalleryLanguageStringCollection *other)
{
    if (!other) return E_INVALIDARG;
    if (other == this) return S_OK;
    return PB::Build(&m_buffer, PB::Parse(other->m_buffer));
}

bool CGalleryLanguageStringCollection::Equals(const CGalleryLanguageStringCollection *other) const
{
    if (!other) return false;
    const size_t a = PB::Length(m_buffer), b = PB::Length(other->m_buffer);
    return a == b && std::wmemcmp(m_buffer, other->m_buffer, a) == 0;
}
