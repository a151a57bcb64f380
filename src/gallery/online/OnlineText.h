// Escaping of network text for the places it goes: HTML text and attributes of the resources page,
// query values of URL templates.
#pragma once

#include "support/Text.h"

namespace OnlineText
{

// The five HTML special characters as entities; control characters other than tab and line breaks
// are dropped.
CAtlString HtmlEscape(const CAtlString &text);
// Every byte of the UTF-8 text outside A-Z a-z 0-9 "-._~" as %XX.
CAtlString PercentEncode(const CAtlString &text);
// Whether text is an "http://" or "https://" address (any case) with a host and no white space or
// control characters.
bool IsWebUrl(const CAtlString &text);
// Replaces every occurrence of marker.
CAtlString ReplaceAll(CAtlString text, const CAtlString &marker, const CAtlString &value);
// "%SEARCH%", "%LANG%" and "%VER%" of a URL template replaced by their percent-encoded values, left to
// right in one pass (a value holding a marker stays as it is).
CAtlString ExpandUrlTemplate(const CAtlString &templ, const CAtlString &search, const CAtlString &language,
                             const CAtlString &version);
// The running program's version ("1.4.32.0").
CAtlString ProgramVersion();

} // namespace OnlineText
