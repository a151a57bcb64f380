// KELDASaxOpenXmlHandler: builds a CGalleryManifest from the events of one pass of the streaming reader
// over imsmanifest.xml, enforcing the structural rules of the document (see the .cpp), and reports
// progress to an IGalleryManifestOpenObserver after every end tag.
#pragma once

#include "gallery/manifest/GalleryManifest.h"
#include "support/KELDASax.h"

#include <string>
#include <unordered_map>
#include <vector>

class KELDASaxOpenXmlHandler : public KELDASaxContentHandler
{
  public:
    KELDASaxOpenXmlHandler(CGalleryManifest *manifest, IGalleryManifestOpenObserver *observer);
    ~KELDASaxOpenXmlHandler() override;
    KELDASaxOpenXmlHandler(const KELDASaxOpenXmlHandler &) = delete;
    KELDASaxOpenXmlHandler &operator=(const KELDASaxOpenXmlHandler &) = delete;

    [[nodiscard]] HRESULT startElement(const KELDASaxString &qualifiedName, const KELDASaxString &nameSpace,
                                       const KELDASaxString &localName, const KELDASaxAttributes &attributes,
                                       const KELDASaxString &text, size_t position, size_t length) override;
    [[nodiscard]] HRESULT endElement(const KELDASaxString &qualifiedName, const KELDASaxString &nameSpace,
                                     const KELDASaxString &localName, size_t position, size_t length) override;
    [[nodiscard]] HRESULT endDocument() override;

    // True when the parse was stopped by the observer (a cancel, not a broken document).
    bool WasCancelled() const { return m_cancelled; }

  private:
    [[nodiscard]] HRESULT StartOrganization(const KELDASaxAttributes &attributes);
    [[nodiscard]] HRESULT StartFile(const KELDASaxAttributes &attributes, const KELDASaxString &reference);
    [[nodiscard]] HRESULT StartActivity(const KELDASaxAttributes &attributes);
    [[nodiscard]] HRESULT EndItem();
    [[nodiscard]] HRESULT EndOrganization();
    // The metadata of the innermost open record (file, activity, organization, else the manifest).
    CGalleryMetadata *InnermostMetadata() const;
    // The pending title text of the record that owns the current metadata.
    CAtlString *PendingTitleOf(const CGalleryMetadata *metadata);

    CGalleryManifest *m_manifest;
    IGalleryManifestOpenObserver *m_observer;
    CGalleryFile *m_file = nullptr;
    CGalleryActivity *m_activity = nullptr;
    std::vector<CGalleryActivity *> m_activityStack;
    CGalleryOrganization *m_organization = nullptr;
    CGalleryMetadata *m_metadata = nullptr;
    CGalleryLanguageStringCollection *m_strings = nullptr;
    // Scratch strings of keldagallery:sortoverride, gallery:sortkey and lom:version.
    CGalleryLanguageStringCollection *m_scratch = nullptr;
    // Pending `title` texts: of the open file, of each open activity (innermost last), of the organization.
    CAtlString m_fileTitle;
    std::vector<CAtlString> m_activityTitles;
    CAtlString m_organizationTitle;
    // Files waiting for their resource, by provisional href (the identifierref).
    std::unordered_multimap<std::string, CGalleryFile *> m_unresolved;
    bool m_inGeneral = false;
    bool m_inIdentifier = false;
    bool m_inRequirement = false;
    bool m_inOrComposite = false;
    bool m_inType = false;
    bool m_inName = false;
    bool m_isBrowser = false;
    CAtlString m_requirementName;
    bool m_cancelled = false;
};
