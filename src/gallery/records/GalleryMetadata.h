// CGalleryMetadata: what every gallery record carries: identifier, multilingual title and keywords,
// format, sort override, version, creation date, the identifier it was copied from, the languages it is
// shown or hidden in and the program versions it requires. Written as an IEEE LOM block inside
// imsmanifest.xml and as the "metadata.xml" entry of a gallery item file.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

#include <cstdint>
#include <type_traits>
#include <vector>

class CGalleryLanguageStringCollection;
class CGalleryKeyedStringCollection;
class IKELDAXMLWriter;
namespace tinyxml2
{
class XMLElement;
}

class CGalleryMetadata
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryMetadata **out);
    static void DeleteInstance(CGalleryMetadata **inOut);
    [[nodiscard]] HRESULT Initialize();
    void Finalize();
    // Empty strings, empty collections, no date.
    void Dispose();
    [[nodiscard]] HRESULT PerformSanityChecks(bool deep) const;

    const wchar_t *GetIdentifier() const { return m_identifier; }
    [[nodiscard]] HRESULT SetIdentifier(const wchar_t *value);
    const wchar_t *GetVersion() const { return m_version; }
    [[nodiscard]] HRESULT SetVersion(const wchar_t *value);
    const wchar_t *GetSortOverride() const { return m_sortOverride; }
    [[nodiscard]] HRESULT SetSortOverride(const wchar_t *value);
    const wchar_t *GetFormat() const { return m_format; }
    [[nodiscard]] HRESULT SetFormat(const wchar_t *value);
    CGalleryLanguageStringCollection *GetTitle() const { return m_title; }
    CGalleryLanguageStringCollection *GetKeywords() const { return m_keywords; }
    int64_t GetCreationDateTime() const { return m_creationDateTime; }
    void SetCreationDateTime(int64_t seconds) { m_creationDateTime = seconds; }
    const wchar_t *GetOriginalId() const { return m_originalId; }
    [[nodiscard]] HRESULT SetOriginalId(const wchar_t *value);
    const wchar_t *GetShowInLanguages() const { return m_showInLanguages; }
    [[nodiscard]] HRESULT SetShowInLanguages(const wchar_t *value);
    const wchar_t *GetHideInLanguages() const { return m_hideInLanguages; }
    [[nodiscard]] HRESULT SetHideInLanguages(const wchar_t *value);
    CGalleryKeyedStringCollection *GetMinimumRequirements() const { return m_minimumRequirements; }
    CGalleryKeyedStringCollection *GetMaximumRequirements() const { return m_maximumRequirements; }

    // Copies this metadata into target (see GalleryMetadata.cpp); E_INVALIDARG without a target.
    [[nodiscard]] HRESULT CopyTo(CGalleryMetadata *target) const;
    // Distinct requirement names: minimum keys in order, then maximum keys not yet listed.
    void GetDefinedRequirements(std::vector<CAtlString> &names) const;
    // Whether the program versions (CGallery::GetProgramVersions) meet every minimum and maximum.
    bool MeetsRequirements() const;
    // Hidden when a hide code matches with a score above 1; else visible when the show list is empty
    // or one of its codes matches with a score above 1. Empty language: the current language.
    bool IsVisibleInLanguage(const wchar_t *language) const;

    // Dates: seconds since 1970-01-01 UTC, 0 for none, converted through local time.
    static int64_t ParseDateTime(const wchar_t *text);
    static CAtlString FormatDateTime(int64_t seconds, bool withTime);
    static int64_t NowDateTime();
    static CAtlString NewVersion(bool withTime);

    // The LOM block; embedded inside imsmanifest.xml (namespaces declared by the manifest element).
    [[nodiscard]] HRESULT Write(IKELDAXMLWriter *writer, bool embedded) const;
    // Reads a LOM block (the lom:lom element) of a parsed document.
    [[nodiscard]] HRESULT Load(const tinyxml2::XMLElement *lomElement);
    // Reads the "metadata.xml" entry of a gallery item file.
    [[nodiscard]] HRESULT Load(const wchar_t *itemFilePath);
    // Writes the item file's "metadata.xml": fresh replaces it by a standalone LOM document; otherwise
    // the existing document is updated in place, keeping the elements not named here.
    [[nodiscard]] HRESULT Write(const wchar_t *itemFilePath, bool fresh) const;
    // The standalone LOM document as UTF-8 text (XML header included).
    [[nodiscard]] HRESULT WriteStandalone(CAtlStringA &out) const;
    // Applies this metadata to a parsed metadata.xml document in place.
    [[nodiscard]] HRESULT UpdateDocument(tinyxml2::XMLElement *lomElement) const;

  private:
    friend struct CGalleryCacheAccess; // writes and relocates the fields in binary cache images
    const wchar_t *m_identifier;
    const wchar_t *m_version;
    const wchar_t *m_sortOverride;
    const wchar_t *m_format;
    CGalleryLanguageStringCollection *m_title;
    CGalleryLanguageStringCollection *m_keywords;
    int64_t m_creationDateTime;
    const wchar_t *m_originalId;
    const wchar_t *m_showInLanguages;
    const wchar_t *m_hideInLanguages;
    CGalleryKeyedStringCollection *m_minimumRequirements;
    CGalleryKeyedStringCollection *m_maximumRequirements;
};
static_assert(std::is_standard_layout_v<CGalleryMetadata>);
static_assert(sizeof(CGalleryMetadata) == 12 * 8);
