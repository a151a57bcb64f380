// Metadata fields, copying, dates, requirements and language visibility. The LOM reading and writing
// is in GalleryMetadataLom.cpp.
#include "gallery/records/GalleryMetadata.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryRecordAlloc_p.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <cwchar>

HRESULT CGalleryMetadata::CreateInstance(CGalleryMetadata **out)
{
    return CreateGalleryRecord(out);
}
void CGalleryMetadata::DeleteInstance(CGalleryMetadata **inOut)
{
    DeleteGalleryRecord(inOut);
}

HRESULT CGalleryMetadata::Initialize()
{
    m_identifier = m_version = m_sortOverride = m_format = CGallery::EmptyString;
    m_originalId = m_showInLanguages = m_hideInLanguages = CGallery::EmptyString;
    m_creationDateTime = 0;
    HRESULT hr = CGalleryLanguageStringCollection::CreateInstance(&m_title);
    if (SUCCEEDED(hr)) hr = CGalleryLanguageStringCollection::CreateInstance(&m_keywords);
    if (SUCCEEDED(hr)) hr = CGalleryKeyedStringCollection::CreateInstance(&m_minimumRequirements);
    if (SUCCEEDED(hr)) hr = CGalleryKeyedStringCollection::CreateInstance(&m_maximumRequirements);
    return hr;
}

void CGalleryMetadata::Finalize()
{
    Dispose();
    CGalleryLanguageStringCollection::DeleteInstance(&m_title);
    CGalleryLanguageStringCollection::DeleteInstance(&m_keywords);
    CGalleryKeyedStringCollection::DeleteInstance(&m_minimumRequirements);
    CGalleryKeyedStringCollection::DeleteInstance(&m_maximumRequirements);
}

void CGalleryMetadata::Dispose()
{
    for (const wchar_t **field :
         {&m_identifier, &m_version, &m_sortOverride, &m_format, &m_originalId, &m_showInLanguages, &m_hideInLanguages})
        CGallery::FreeString(field);
    m_creationDateTime = 0;
    if (m_title) m_title->RemoveAll();
    if (m_keywords) m_keywords->RemoveAll();
    if (m_minimumRequirements) m_minimumRequirements->RemoveAll();
    if (m_maximumRequirements) m_maximumRequirements->RemoveAll();
}

HRESULT CGalleryMetadata::PerformSanityChecks(bool deep) const
{
    if (m_creationDateTime == 0xFFFFFFFF) return E_FAIL;
    if (!deep) return S_OK;
    for (const wchar_t *field :
         {m_identifier, m_version, m_sortOverride, m_format, m_originalId, m_showInLanguages, m_hideInLanguages})
        if (FAILED(CGallery::CheckStringSanity(field))) return E_FAIL;
    if (!m_title || !m_keywords || !m_minimumRequirements || !m_maximumRequirements) return E_FAIL;
    if (FAILED(m_title->PerformSanityChecks(true)) || FAILED(m_keywords->PerformSanityChecks(true)) ||
        FAILED(m_minimumRequirements->PerformSanityChecks(true)) ||
        FAILED(m_maximumRequirements->PerformSanityChecks(true)))
        return E_FAIL;
    return S_OK;
}

HRESULT CGalleryMetadata::SetIdentifier(const wchar_t *value)
{
    return CGallery::AllocateString(value, &m_identifier);
}
HRESULT CGalleryMetadata::SetVersion(const wchar_t *value)
{
    return CGallery::AllocateString(value, &m_version);
}
HRESULT CGalleryMetadata::SetSortOverride(const wchar_t *value)
{
    return CGallery::AllocateString(value, &m_sortOverride);
}
HRESULT CGalleryMetadata::SetFormat(const wchar_t *value)
{
    return CGallery::AllocateString(value, &m_format);
}
HRESULT CGalleryMetadata::SetOriginalId(const wchar_t *value)
{
    return CGallery::AllocateString(value, &m_originalId);
}
HRESULT CGalleryMetadata::SetShowInLanguages(const wchar_t *value)
{
    return CGallery::AllocateString(value, &m_showInLanguages);
}
HRESULT CGalleryMetadata::SetHideInLanguages(const wchar_t *value)
{
    return CGallery::AllocateString(value, &m_hideInLanguages);
}

HRESULT CGalleryMetadata::CopyTo(CGalleryMetadata *target) const
{
    if (!target) return E_INVALIDARG;
    if (target == this) return S_OK;
    HRESULT hr = target->m_keywords->CopyFrom(m_keywords);
    if (SUCCEEDED(hr)) hr = target->m_title->CopyFrom(m_title);
    if (SUCCEEDED(hr)) hr = target->SetSortOverride(m_sortOverride);
    if (SUCCEEDED(hr)) hr = target->SetVersion(m_version);
    if (SUCCEEDED(hr)) hr = target->SetFormat(m_format);
    if (SUCCEEDED(hr)) hr = target->SetIdentifier(m_identifier);
    target->m_creationDateTime = m_creationDateTime;
    if (SUCCEEDED(hr)) hr = target->SetOriginalId(CGallery::IsEmptyString(m_originalId) ? m_identifier : m_originalId);
    if (SUCCEEDED(hr)) hr = target->SetShowInLanguages(m_showInLanguages);
    if (SUCCEEDED(hr)) hr = target->SetHideInLanguages(m_hideInLanguages);
    if (SUCCEEDED(hr) && !m_minimumRequirements->IsEmpty())
        hr = target->m_minimumRequirements->AddRange(m_minimumRequirements);
    if (SUCCEEDED(hr) && !m_maximumRequirements->IsEmpty())
        hr = target->m_maximumRequirements->AddRange(m_maximumRequirements);
    return FAILED(hr) ? hr : S_OK;
}

void CGalleryMetadata::GetDefinedRequirements(std::vector<CAtlString> &names) const
{
    std::vector<CAtlString> all;
    m_minimumRequirements->GetKeys(all);
    std::vector<CAtlString> maximum;
    m_maximumRequirements->GetKeys(maximum);
    for (CAtlString &name : maximum)
        if (std::find(all.begin(), all.end(), name) == all.end()) all.push_back(std::move(name));
    names.insert(names.end(), all.begin(), all.end());
}

bool CGalleryMetadata::MeetsRequirements() const
{
    const CGalleryKeyedStringCollection *versions = CGallery::GetProgramVersions();
    if (!versions) return false;
    for (auto e = m_minimumRequirements->GetEnumerator(); e.MoveNext();) {
        if (!versions->ContainsKey(e.GetCurrentKey())) return false;
        if (CGallery::CompareProgramVersion(versions->GetString(e.GetCurrentKey()), e.GetCurrentString()) < 0)
            return false;
    }
    for (auto e = m_maximumRequirements->GetEnumerator(); e.MoveNext();) {
        if (!versions->ContainsKey(e.GetCurrentKey())) return false;
        if (CGallery::CompareProgramVersion(versions->GetString(e.GetCurrentKey()), e.GetCurrentString()) > 0)
            return false;
    }
    return true;
}

namespace
{

bool AnyCodeMatches(const wchar_t *list, const wchar_t *language)
{
    std::vector<CAtlString> codes;
    CGallery::Split(list, codes, L";", CGallery::eSplitFlagsTrim | CGallery::eSplitFlagsRemoveEmpty);
    for (const CAtlString &code : codes)
        if (CGallery::MatchLanguages(code.c_str(), language) > 1) return true;
    return false;
}

} // namespace

bool CGalleryMetadata::IsVisibleInLanguage(const wchar_t *language) const
{
    const CAtlString current =
        CGallery::IsEmptyString(language) ? CGallery::GetCurrentLanguage() : CAtlString(language);
    if (!CGallery::IsEmptyString(m_hideInLanguages) && AnyCodeMatches(m_hideInLanguages, current.c_str())) return false;
    if (CGallery::IsEmptyString(m_showInLanguages)) return true;
    return AnyCodeMatches(m_showInLanguages, current.c_str());
}

int64_t CGalleryMetadata::ParseDateTime(const wchar_t *text)
{
    if (CGallery::IsEmptyString(text)) return 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    const int fields = std::swscanf(text, L"%d-%02d-%02dT%02d:%02d:%02d", &year, &month, &day, &hour, &minute, &second);
    if (fields != 3 && fields != 6) return 0;
    if (year < 1971 || year > 2037 || month < 1 || month > 12 || day < 1 || day > 31) return 0;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return 0;
    if (day == 31 && (month == 4 || month == 6 || month == 9 || month == 11)) return 0;
    if (month == 2 && (day > 29 || (day == 29 && year % 4 != 0))) return 0;
    struct tm parts {
    };
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    const time_t seconds = std::mktime(&parts);
    return seconds == static_cast<time_t>(-1) ? 0 : static_cast<int64_t>(seconds);
}

CAtlString CGalleryMetadata::FormatDateTime(int64_t seconds, bool withTime)
{
    const time_t value = static_cast<time_t>(seconds);
    struct tm parts {
    };
    if (!localtime_r(&value, &parts)) return CAtlString();
    if (withTime)
        return Text::Format(L"%d-%02d-%02dT%02d:%02d:%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                            parts.tm_hour, parts.tm_min, parts.tm_sec);
    return Text::Format(L"%d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
}

int64_t CGalleryMetadata::NowDateTime()
{
    return static_cast<int64_t>(std::time(nullptr));
}

CAtlString CGalleryMetadata::NewVersion(bool withTime)
{
    return FormatDateTime(NowDateTime(), withTime);
}
