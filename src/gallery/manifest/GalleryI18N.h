// CGalleryI18N: one language's translation table of a gallery, "i18n.xml": per manifest the version of
// its strings in that language, and per activity or file its title and keywords. Read from and written
// to a plain file or the "i18n.xml" entry of a ".zip"; applied to a loaded manifest (Update) or
// extracted from one (Add).
#pragma once

#include "support/KELDASax.h"
#include "support/KeldaPath.h"
#include "support/Result.h"
#include "support/Text.h"

#include <memory>
#include <unordered_map>
#include <vector>

class CGalleryActivity;
class CGalleryManifest;
class CGalleryMetadata;

class CGalleryI18N : public KELDASaxContentHandler
{
  public:
    struct ItemMetadata {
        CAtlString id; // an activity or file identifier
        CAtlString title;
        std::vector<CAtlString> keywords;
    };
    struct ManifestMetadata {
        CAtlString id; // a manifest identifier
        CAtlString languageStringVersion;
        std::vector<std::shared_ptr<ItemMetadata>> items;
    };

    // The entry name inside an archive and the document's root names.
    static const wchar_t *const EntryName; // "i18n.xml"

    void SetLanguage(const CAtlString &language) { m_language = language; }
    const CAtlString &GetLanguage() const { return m_language; }
    const std::vector<std::shared_ptr<ManifestMetadata>> &GetManifests() const { return m_manifests; }

    // ".xml": the file; ".zip": its "i18n.xml" entry. Any other extension or a missing entry: E_FAIL.
    // A malformed document gives the parser's status; entries read before the fault stay.
    [[nodiscard]] HRESULT Read(const CKeldaFilePath &path);
    // ".xml": written directly; ".zip": replaces the archive's "i18n.xml" entry, or makes a new archive
    // holding only it. E_FAIL when the archive step fails or for another extension.
    [[nodiscard]] HRESULT Write(const CKeldaFilePath &path) const;
    // The document as UTF-8 text.
    [[nodiscard]] HRESULT WriteToString(CAtlStringA &out) const;

    // Appends an entry for the manifest: its string version in this language (or its metadata version),
    // and an item for every activity and file with the title and keywords of exactly this language.
    [[nodiscard]] HRESULT Add(CGalleryManifest *manifest);
    [[nodiscard]] HRESULT Add(CGalleryActivity *activity, ManifestMetadata &entry);
    [[nodiscard]] HRESULT Add(CGalleryMetadata *metadata, ManifestMetadata &entry);
    // Applies every entry whose id equals the manifest's identifier: the string version for this
    // language, and title and keywords of every activity and file that has an item. Organizations keep
    // their text. E_INVALIDARG without a manifest or language.
    [[nodiscard]] HRESULT Update(CGalleryManifest *manifest);
    [[nodiscard]] HRESULT Update(CGalleryActivity *activity, const ManifestMetadata &entry);
    [[nodiscard]] HRESULT Update(CGalleryMetadata *metadata, const ManifestMetadata &entry);

    [[nodiscard]] HRESULT startElement(const KELDASaxString &qualifiedName, const KELDASaxString &nameSpace,
                                       const KELDASaxString &localName, const KELDASaxAttributes &attributes,
                                       const KELDASaxString &text, size_t position, size_t length) override;

  private:
    // Item by id, the first of equal ids.
    using ItemIndex = std::unordered_map<CAtlString, const ItemMetadata *>;
    static ItemIndex MakeIndex(const ManifestMetadata &entry);
    [[nodiscard]] HRESULT Update(CGalleryMetadata *metadata, const ItemIndex &index);
    [[nodiscard]] HRESULT Update(CGalleryActivity *activity, const ItemIndex &index);
    [[nodiscard]] HRESULT WriteDocument(class IKELDAXMLWriter *writer) const;

    CAtlString m_language;
    std::vector<std::shared_ptr<ManifestMetadata>> m_manifests;
    ManifestMetadata *m_currentManifest = nullptr;
    ItemMetadata *m_currentItem = nullptr;
};
