// The RSS document of the online-resources page: root "rss" version "2.0", one "channel", its "item"
// elements (each "title" and "link" text one entry) and an optional "ttl" in minutes.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

#include <cstddef>
#include <vector>

struct RssEntry {
    CAtlString title;
    CAtlString link;
};

struct RssFeed {
    std::vector<RssEntry> entries; // at most Limits::kMaxOnlineFeedItems, texts cut to kMaxOnlineFeedText
    int refreshSeconds = kDefaultRefreshSeconds;
    static constexpr int kDefaultRefreshSeconds = 3600;
    // "ttl" minutes clamped to 1 ... 1440, in seconds.
    static int RefreshSecondsFromTtl(long long minutes);
};

// S_OK and the entries (items without title and link left out); E_INVALIDARG for another root or
// version; E_FAIL for a malformed or oversized document. A ttl that is no number keeps the default.
[[nodiscard]] HRESULT ReadRssFeed(const char *data, size_t length, RssFeed &out);
