#include "gallery/online/OnlineText.h"

#include "settings/KDAppInfo.h"

#include <QUrl>

#include <array>
#include <utility>

CAtlString OnlineText::HtmlEscape(const CAtlString &text)
{
    CAtlString out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
        case L'&':
            out += L"&amp;";
            break;
        case L'<':
            out += L"&lt;";
            break;
        case L'>':
            out += L"&gt;";
            break;
        case L'"':
            out += L"&quot;";
            break;
        case L'\'':
            out += L"&#39;";
            break;
        default:
            if ((c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0x7F) break;
            out += c;
        }
    }
    return out;
}

CAtlString OnlineText::PercentEncode(const CAtlString &text)
{
    // Every byte of the UTF-8 form but the unreserved characters (letters, digits, "-._~").
    return Text::FromUtf8(QUrl::toPercentEncoding(Text::ToQt(text)).toStdString());
}

bool OnlineText::IsWebUrl(const CAtlString &text)
{
    size_t hostStart = 0;
    if (Text::StartsWith(text, L"http://", true))
        hostStart = 7;
    else if (Text::StartsWith(text, L"https://", true))
        hostStart = 8;
    else
        return false;
    if (hostStart >= text.size() || text[hostStart] == L'/') return false;
    for (wchar_t c : text)
        if (c <= 0x20 || c == 0x7F) return false;
    return true;
}

CAtlString OnlineText::ReplaceAll(CAtlString text, const CAtlString &marker, const CAtlString &value)
{
    if (marker.empty()) return text;
    for (size_t at = text.find(marker); at != CAtlString::npos; at = text.find(marker, at + value.size()))
        text.replace(at, marker.size(), value);
    return text;
}

CAtlString OnlineText::ExpandUrlTemplate(const CAtlString &templ, const CAtlString &search, const CAtlString &language,
                                         const CAtlString &version)
{
    const std::array<std::pair<const wchar_t *, CAtlString>, 3> markers = {{{L"%SEARCH%", PercentEncode(search)},
                                                                            {L"%LANG%", PercentEncode(language)},
                                                                            {L"%VER%", PercentEncode(version)}}};
    CAtlString out;
    for (size_t i = 0; i < templ.size();) {
        bool replaced = false;
        for (const auto &[marker, value] : markers) {
            const size_t length = std::char_traits<wchar_t>::length(marker);
            if (templ.compare(i, length, marker) == 0) {
                out += value;
                i += length;
                replaced = true;
                break;
            }
        }
        if (!replaced) out += templ[i++];
    }
    return out;
}

CAtlString OnlineText::ProgramVersion()
{
    return Text::FromUtf8(buildVersionNumber());
}
