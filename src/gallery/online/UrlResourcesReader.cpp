#include "gallery/online/UrlResourcesReader.h"

#include "gallery/facade/Gallery.h"
#include "gallery/online/OnlineText.h"
#include "support/KELDASax.h"
#include "support/Limits.h"

#include <charconv>
#include <string>
#include <string_view>

namespace
{

class CUrlResourcesHandler : public KELDASaxContentHandler
{
  public:
    explicit CUrlResourcesHandler(UrlResourcesDocument &out) : m_out(out) {}

    HRESULT startElement(const KELDASaxString &qualifiedName, const KELDASaxString &, const KELDASaxString &,
                         const KELDASaxAttributes &attributes, const KELDASaxString &text, size_t, size_t) override
    {
        ++m_depth;
        if (m_depth < kTracked) m_names[m_depth] = std::string(qualifiedName.view());
        if (m_depth == 1) {
            if (qualifiedName != "urlresources" || attributes.GetValue("version") != "0.1") return E_INVALIDARG;
            return S_OK;
        }
        if (m_depth == 2) {
            if (m_names[2] == "fsokdex") m_out.hasKdex = true;
            if (m_names[2] == "onlinemarketplace") SetUrl(m_out.onlineMarketplace, text);
            if (m_names[2] == "kdexsearch") SetUrl(m_out.kdexSearch, text);
        } else if (m_depth == 3) {
            Element3(attributes, text);
        } else if (m_depth == 4 && m_names[2] == "fsokdex" && m_names[3] == "timeouts" &&
                   m_names[4] == "reqnettimeout") {
            const CAtlStringA digits = Text::ToUtf8(Trimmed(text));
            int32_t value = 0;
            const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
            // A value that is no decimal number, or does not fit, keeps the default.
            if (error == std::errc() && end == digits.data() + digits.size() && !digits.empty())
                m_out.timeOuts.requestNetworkTimeOut = value;
        }
        return S_OK;
    }

    HRESULT endElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &, size_t, size_t) override
    {
        if (m_depth < kTracked) m_names[m_depth].clear();
        --m_depth;
        return S_OK;
    }

  private:
    static constexpr size_t kTracked = 5; // depths 1 to 4 matter

    static CAtlString Trimmed(const KELDASaxString &text)
    {
        CAtlString value = text.value();
        (void)CGallery::Trim(value);
        return value;
    }
    static void SetText(CAtlString &target, const KELDASaxString &text)
    {
        const CAtlString value = Trimmed(text);
        if (!value.empty()) target = value;
    }
    static void SetUrl(CAtlString &target, const KELDASaxString &text)
    {
        const CAtlString value = Trimmed(text);
        if (OnlineText::IsWebUrl(value)) target = value;
    }

    void Element3(const KELDASaxAttributes &attributes, const KELDASaxString &text)
    {
        const std::string &parent = m_names[2], &name = m_names[3];
        if (parent == "teamextensions") {
            if (name == "corporate") SetUrl(m_out.corporate, text);
            if (name == "corporate-title") SetText(m_out.corporateTitle, text);
            if (name == "education") SetUrl(m_out.education, text);
            if (name == "education-title") SetText(m_out.educationTitle, text);
        } else if (parent == "flashnumerichandwriting" && name == "checksum") {
            const CAtlString value = Text::ToLower(Trimmed(text));
            const bool hex = value.size() == 32 && value.find_first_not_of(L"0123456789abcdef") == CAtlString::npos;
            if (hex && m_out.checksums.size() < Limits::kMaxOnlineChecksums) m_out.checksums.insert(value);
        } else if (parent == "fsokdex") {
            CKDEXIntegration::Urls &u = m_out.kdexUrls;
            const std::pair<const char *, CAtlString *> fields[] = {
                {"upp", &u.upp}, {"mdp", &u.mdp}, {"lup", &u.lup}, {"lst", &u.lst}, {"dup", &u.dup}, {"dlr", &u.dlr},
                {"ulr", &u.ulr}, {"mup", &u.mup}, {"ufp", &u.ufp}, {"fbs", &u.fbs}, {"srl", &u.srl}};
            for (const auto &[field, target] : fields)
                if (name == field) SetText(*target, text);
            if (name == "lup") u.lupMethod = attributes.GetValue("method").value();
            if (name == "lst") u.lstMethod = attributes.GetValue("method").value();
        }
    }

    UrlResourcesDocument &m_out;
    size_t m_depth = 0;
    std::string m_names[kTracked];
};

} // namespace

HRESULT ReadUrlResources(const char *data, size_t length, UrlResourcesDocument &out)
{
    out = UrlResourcesDocument();
    if (length > Limits::kMaxOnlineDocumentBytes) return E_FAIL;
    CUrlResourcesHandler handler(out);
    const HRESULT hr = KELDASax::ReadXml(data, length, &handler);
    if (FAILED(hr)) out = UrlResourcesDocument();
    return hr;
}
