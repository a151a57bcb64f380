#include "gallery/online/RssFeed.h"

#include "gallery/facade/Gallery.h"
#include "support/KELDASax.h"
#include "support/Limits.h"

#include <charconv>
#include <string>

int RssFeed::RefreshSecondsFromTtl(long long minutes)
{
    if (minutes < 1) minutes = 1;
    if (minutes > 1440) minutes = 1440;
    return static_cast<int>(minutes * 60);
}

namespace
{

class CRssHandler : public KELDASaxContentHandler
{
  public:
    explicit CRssHandler(RssFeed &out) : m_out(out) {}

    HRESULT startElement(const KELDASaxString &qualifiedName, const KELDASaxString &, const KELDASaxString &,
                         const KELDASaxAttributes &attributes, const KELDASaxString &text, size_t, size_t) override
    {
        ++m_depth;
        if (m_depth == 1)
            return qualifiedName == "rss" && attributes.GetValue("version") == "2.0" ? S_OK : E_INVALIDARG;
        if (m_depth == 2) {
            m_inChannel = qualifiedName == "channel" && !m_channelSeen;
            m_channelSeen = m_channelSeen || m_inChannel;
        } else if (m_depth == 3 && m_inChannel) {
            if (qualifiedName == "item") {
                m_inItem = m_out.entries.size() < Limits::kMaxOnlineFeedItems;
                m_item = RssEntry();
                m_titleSeen = m_linkSeen = false;
            } else if (qualifiedName == "ttl") {
                ReadTtl(text);
            }
        } else if (m_depth == 4 && m_inItem) {
            // The first title and link of an item count.
            if (qualifiedName == "title" && !m_titleSeen) {
                m_item.title = Clipped(text);
                m_titleSeen = true;
            }
            if (qualifiedName == "link" && !m_linkSeen) {
                m_item.link = Clipped(text);
                m_linkSeen = true;
            }
        }
        return S_OK;
    }

    HRESULT endElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &, size_t, size_t) override
    {
        if (m_depth == 3 && m_inItem) {
            if (!m_item.title.empty() || !m_item.link.empty()) m_out.entries.push_back(std::move(m_item));
            m_inItem = false;
        }
        if (m_depth == 2) m_inChannel = false;
        --m_depth;
        return S_OK;
    }

  private:
    static CAtlString Clipped(const KELDASaxString &text)
    {
        // Cut the raw bytes first, so an endless element costs no more than the cut.
        const size_t rawLimit = Limits::kMaxOnlineFeedText * 8;
        const KELDASaxString head(text.data(), std::min(text.length(), rawLimit));
        CAtlString value = head.value();
        if (value.size() > Limits::kMaxOnlineFeedText) value.resize(Limits::kMaxOnlineFeedText);
        (void)CGallery::Trim(value);
        return value;
    }

    void ReadTtl(const KELDASaxString &text)
    {
        CAtlString value = text.value();
        (void)CGallery::Trim(value);
        const std::string digits = Text::ToUtf8(value);
        long long minutes = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), minutes);
        if (digits.empty() || end != digits.data() + digits.size()) return;
        if (error == std::errc::result_out_of_range)
            minutes = digits[0] == '-' ? 0 : 1440;
        else if (error != std::errc())
            return;
        m_out.refreshSeconds = RssFeed::RefreshSecondsFromTtl(minutes);
    }

    RssFeed &m_out;
    size_t m_depth = 0;
    bool m_channelSeen = false;
    bool m_inChannel = false;
    bool m_inItem = false;
    bool m_titleSeen = false;
    bool m_linkSeen = false;
    RssEntry m_item;
};

} // namespace

HRESULT ReadRssFeed(const char *data, size_t length, RssFeed &out)
{
    out = RssFeed();
    if (length > Limits::kMaxOnlineFeedBytes) return E_FAIL;
    CRssHandler handler(out);
    const HRESULT hr = KELDASax::ReadXml(data, length, &handler);
    if (FAILED(hr)) out = RssFeed();
    return hr;
}
