// Format texts of gallery records and what the display shows them as.
#include "gallery/facade/GalleryFormatInfo.h"

#include "gallery/facade/Gallery.h"

const wchar_t *const CGalleryFormatInfo::GalleryItemType = L"application/x-keldalabs-galleryitem";
const wchar_t *const CGalleryFormatInfo::PageType = L"application/x-keldalabs-vellum";
const wchar_t *const CGalleryFormatInfo::OriginalTypeParameter = L"x-original-type";
const wchar_t *const CGalleryFormatInfo::LessonActivitySubtype = L"x-keldalabs-gallery-lessonactivity";
const wchar_t *const CGalleryFormatInfo::WebSiteSubtype = L"x-keldalabs-gallery-website";

namespace
{

CAtlString Trimmed(const CAtlString &text)
{
    CAtlString out;
    (void)CGallery::Trim(text.c_str(), out); // S_FALSE only says that nothing remained
    return out;
}

CAtlString SubtypeOf(const CAtlString &type)
{
    const size_t slash = type.find(L'/');
    return slash == CAtlString::npos ? CAtlString() : type.substr(slash + 1);
}

} // namespace

CGalleryFormatInfo::CGalleryFormatInfo(const wchar_t *format)
{
    if (!format) return;
    const CAtlString text(format);
    size_t start = 0;
    bool first = true;
    while (start <= text.size()) {
        size_t end = text.find(L';', start);
        if (end == CAtlString::npos) end = text.size();
        const CAtlString part = Trimmed(text.substr(start, end - start));
        if (first) {
            m_type = Text::ToLower(part);
            first = false;
        } else if (!part.empty()) {
            const size_t equals = part.find(L'=');
            if (equals == CAtlString::npos)
                m_parameters.emplace_back(Text::ToLower(part), CAtlString());
            else
                m_parameters.emplace_back(Text::ToLower(Trimmed(part.substr(0, equals))),
                                          Trimmed(part.substr(equals + 1)));
        }
        start = end + 1;
    }
}

CAtlString CGalleryFormatInfo::GetSubtype() const
{
    return SubtypeOf(m_type);
}

bool CGalleryFormatInfo::GetParameter(const wchar_t *name, CAtlString &value) const
{
    if (!name) return false;
    for (const auto &parameter : m_parameters)
        if (Text::EqualsNoCase(parameter.first, name)) {
            value = parameter.second;
            return true;
        }
    return false;
}

CAtlString CGalleryFormatInfo::GetOriginalType() const
{
    CAtlString value;
    return GetParameter(OriginalTypeParameter, value) ? Text::ToLower(value) : CAtlString();
}

bool CGalleryFormatInfo::FlagIs(const wchar_t *name, const wchar_t *expected) const
{
    CAtlString value;
    return GetParameter(name, value) && Text::EqualsNoCase(value, expected);
}

bool CGalleryFormatInfo::HasSubtype(const wchar_t *subtype) const
{
    // The marking subtype may be the record's own or that of the content it wraps.
    return GetSubtype() == subtype || SubtypeOf(GetOriginalType()) == subtype;
}

bool CGalleryFormatInfo::IsGalleryItem() const
{
    return m_type == GalleryItemType;
}

bool CGalleryFormatInfo::IsPage() const
{
    return m_type == PageType;
}

bool CGalleryFormatInfo::IsTemplate() const
{
    return FlagIs(L"x-keldalabs-vellum-page", L"template");
}

bool CGalleryFormatInfo::IsBackground() const
{
    return FlagIs(L"x-keldalabs-vellum-page", L"background");
}

bool CGalleryFormatInfo::IsTheme() const
{
    return FlagIs(L"x-keldalabs-vellum-page", L"theme");
}

bool CGalleryFormatInfo::IsSound() const
{
    return FlagIs(L"x-keldalabs-vellum-sound", L"yes");
}

bool CGalleryFormatInfo::IsLink(CAtlString *kind) const
{
    CAtlString value;
    if (!GetParameter(L"x-keldalabs-vellum-link", value)) return false;
    if (kind) *kind = value;
    return true;
}

bool CGalleryFormatInfo::IsInk() const
{
    return FlagIs(L"x-keldalabs-vellum-ink", L"yes");
}

bool CGalleryFormatInfo::IsTable() const
{
    return FlagIs(L"x-keldalabs-vellum-table", L"yes");
}

bool CGalleryFormatInfo::IsText() const
{
    return FlagIs(L"x-keldalabs-vellum-text", L"yes");
}

bool CGalleryFormatInfo::IsAnimation() const
{
    return FlagIs(L"x-keldalabs-vellum-animation", L"yes");
}

bool CGalleryFormatInfo::IsLessonActivity() const
{
    return HasSubtype(LessonActivitySubtype);
}

bool CGalleryFormatInfo::IsWebSite() const
{
    return HasSubtype(WebSiteSubtype);
}

bool CGalleryFormatInfo::IsImage() const
{
    return GetOriginalType().rfind(L"image/", 0) == 0;
}

bool CGalleryFormatInfo::IsAudio() const
{
    return GetOriginalType().rfind(L"audio/", 0) == 0;
}

bool CGalleryFormatInfo::IsVideo() const
{
    const CAtlString original = GetOriginalType();
    return original.rfind(L"video/", 0) == 0 || original == L"flv-application/octet-stream";
}

bool CGalleryFormatInfo::IsFlash() const
{
    return GetOriginalType() == L"application/x-shockwave-flash";
}

CGalleryFormatInfo::eGalleryFormatKind CGalleryFormatInfo::GetKind() const
{
    if (IsLessonActivity()) return eGalleryFormatKindLessonActivity;
    if (IsWebSite()) return eGalleryFormatKindWebSite;
    if (IsTheme()) return eGalleryFormatKindTheme;
    if (IsBackground()) return eGalleryFormatKindBackground;
    if (IsTemplate()) return eGalleryFormatKindTemplate;
    if (IsLink()) return eGalleryFormatKindLink;
    if (IsPage()) return eGalleryFormatKindPage;
    if (IsImage()) return eGalleryFormatKindImage;
    if (IsAudio() || IsSound()) return eGalleryFormatKindAudio;
    if (IsVideo()) return eGalleryFormatKindVideo;
    if (IsFlash()) return eGalleryFormatKindFlash;
    return eGalleryFormatKindUnknown;
}
