// CGalleryFormatInfo: the parsed form of a record's format text, a MIME-like type followed by
// parameters introduced by ";" (for example "application/x-keldalabs-galleryitem;x-original-type=image/png"),
// and the classification of the record for display that follows from it. Installation never needs it:
// it copies format texts unchanged.
#pragma once

#include "support/Text.h"

#include <utility>
#include <vector>

class CGalleryFormatInfo
{
  public:
    static const wchar_t *const GalleryItemType;       // "application/x-keldalabs-galleryitem"
    static const wchar_t *const PageType;              // "application/x-keldalabs-vellum"
    static const wchar_t *const OriginalTypeParameter; // "x-original-type"
    static const wchar_t *const LessonActivitySubtype; // "x-keldalabs-gallery-lessonactivity"
    static const wchar_t *const WebSiteSubtype;        // "x-keldalabs-gallery-website"

    // What the display shows a record as; the first that applies, in this order.
    enum eGalleryFormatKind {
        eGalleryFormatKindUnknown = 0,
        eGalleryFormatKindLessonActivity,
        eGalleryFormatKindWebSite,
        eGalleryFormatKindTheme,
        eGalleryFormatKindBackground,
        eGalleryFormatKindTemplate,
        eGalleryFormatKindLink,
        eGalleryFormatKindPage,
        eGalleryFormatKindImage,
        eGalleryFormatKindAudio,
        eGalleryFormatKindVideo,
        eGalleryFormatKindFlash,
    };

    CGalleryFormatInfo() = default;
    // Parses format (null is empty). Type, subtype and parameter names are compared without regard to
    // case and kept lower-cased; values keep their text, trimmed of white space.
    explicit CGalleryFormatInfo(const wchar_t *format);

    const CAtlString &GetType() const { return m_type; } // "type/subtype"
    CAtlString GetSubtype() const;                       // the part after "/"
    // The value of the named parameter; false when it is absent (a parameter without "=" has "").
    bool GetParameter(const wchar_t *name, CAtlString &value) const;
    // The type of the wrapped content (x-original-type), lower-cased; empty when absent.
    CAtlString GetOriginalType() const;

    bool IsGalleryItem() const;
    bool IsPage() const; // a page document of the host application
    bool IsTemplate() const;
    bool IsBackground() const;
    bool IsTheme() const;
    bool IsSound() const; // x-keldalabs-vellum-sound=yes
    // x-keldalabs-vellum-link=<kind> ("web" or "shortcut"); kind is set when given.
    bool IsLink(CAtlString *kind = nullptr) const;
    bool IsInk() const;
    bool IsTable() const;
    bool IsText() const;
    bool IsAnimation() const;
    bool IsLessonActivity() const;
    bool IsWebSite() const;
    bool IsImage() const; // wrapped image/...
    bool IsAudio() const; // wrapped audio/...
    bool IsVideo() const; // wrapped video/... or flv-application/octet-stream
    bool IsFlash() const; // wrapped application/x-shockwave-flash
    eGalleryFormatKind GetKind() const;

  private:
    bool FlagIs(const wchar_t *name, const wchar_t *value) const;
    bool HasSubtype(const wchar_t *subtype) const;

    CAtlString m_type;
    std::vector<std::pair<CAtlString, CAtlString>> m_parameters;
};
