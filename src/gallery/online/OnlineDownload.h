// Fetching one online document through the download hook into a private temporary folder, which is
// removed again; the caller gets the bytes.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

#include <string>

namespace OnlineDownload
{

// Fetches url as a file named "document" + suffix (".xml", ".html") and reads it. S_OK with the bytes;
// E_ABORT when the fetch failed or was refused (nothing read); E_FAIL when the file is larger than
// limit or cannot be read.
[[nodiscard]] HRESULT Fetch(const CAtlString &url, const wchar_t *suffix, size_t limit, std::string &bytes,
                            bool &askedForAuthentication);
// Fetches url into target (a file the caller keeps); S_OK or E_ABORT.
[[nodiscard]] HRESULT FetchTo(const CAtlString &url, const CAtlString &target, bool &askedForAuthentication);

} // namespace OnlineDownload
