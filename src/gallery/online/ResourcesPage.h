// Filling the online-resources page template: the comment holding INSERT_SUBTITLE_HERE becomes the
// subtitle, the comment holding INSERT_MYRESOURCES_HERE the list of entries, every
// INSERT_MYRESOURCES_COUNT_HERE the number of entries, and the region from "<!-- MYRESOURCES_START -->"
// to "<!-- MYRESOURCES_END -->" stays when there are entries and goes (markers included) when there
// are none. Titles, links and the subtitle are HTML-escaped; only http and https links become anchors.
#pragma once

#include "gallery/online/RssFeed.h"
#include "support/Text.h"

#include <string>
#include <vector>

namespace ResourcesPage
{

// The "<ul>...</ul>" list: one "<li><a href=\"%s\" target=\"_blank\">%s</a></li>\r\n" line per entry
// (an entry without a web link shows its text alone).
CAtlString BuildList(const std::vector<RssEntry> &entries);
// The finished page (UTF-8 in, UTF-8 out).
std::string Fill(const std::string &templ, const CAtlString &subtitle, const std::vector<RssEntry> &entries);

} // namespace ResourcesPage
