#include "gallery/online/ResourcesPage.h"

#include "gallery/online/OnlineText.h"

namespace
{

// Replaces the comment "<!-- ... marker ... -->" around each occurrence of marker.
std::string ReplaceComment(std::string page, const std::string &marker, const std::string &value)
{
    for (size_t at = page.find(marker); at != std::string::npos; at = page.find(marker, at)) {
        const size_t open = page.rfind("<!--", at);
        const size_t close = page.find("-->", at);
        const size_t openEnd = page.rfind("-->", at);
        if (open == std::string::npos || close == std::string::npos ||
            (openEnd != std::string::npos && openEnd > open)) {
            at += marker.size(); // not inside a comment: left alone
            continue;
        }
        page.replace(open, close + 3 - open, value);
        at = open + value.size();
    }
    return page;
}

std::string ReplaceAll(std::string page, const std::string &marker, const std::string &value)
{
    for (size_t at = page.find(marker); at != std::string::npos; at = page.find(marker, at + value.size()))
        page.replace(at, marker.size(), value);
    return page;
}

std::string Region(std::string page, bool keep)
{
    static const std::string start = "<!-- MYRESOURCES_START -->", end = "<!-- MYRESOURCES_END -->";
    if (keep) return page;
    for (size_t from = page.find(start); from != std::string::npos; from = page.find(start, from)) {
        const size_t to = page.find(end, from + start.size());
        if (to == std::string::npos) break;
        page.erase(from, to + end.size() - from);
    }
    return page;
}

} // namespace

CAtlString ResourcesPage::BuildList(const std::vector<RssEntry> &entries)
{
    CAtlString list = L"<ul>";
    for (const RssEntry &entry : entries) {
        const CAtlString text = OnlineText::HtmlEscape(entry.title.empty() ? entry.link : entry.title);
        if (OnlineText::IsWebUrl(entry.link))
            list += L"<li><a href=\"" + OnlineText::HtmlEscape(entry.link) + L"\" target=\"_blank\">" + text +
                    L"</a></li>\r\n";
        else
            list += L"<li>" + text + L"</li>\r\n";
    }
    list += L"</ul>";
    return list;
}

std::string ResourcesPage::Fill(const std::string &templ, const CAtlString &subtitle,
                                const std::vector<RssEntry> &entries)
{
    // The count first: text from the network never takes part in a later replacement.
    std::string page = Region(templ, !entries.empty());
    page = ReplaceAll(page, "INSERT_MYRESOURCES_COUNT_HERE", std::to_string(entries.size()));
    page = ReplaceComment(page, "INSERT_SUBTITLE_HERE", Text::ToUtf8(OnlineText::HtmlEscape(subtitle)));
    return ReplaceComment(page, "INSERT_MYRESOURCES_HERE", Text::ToUtf8(BuildList(entries)));
}
