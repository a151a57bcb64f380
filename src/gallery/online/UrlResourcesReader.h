// The urlresources document: the addresses that replace the built-in ones of CUrlResources, read by a
// KELDASax handler that tracks the element depth. The root must be "urlresources" with version "0.1".
#pragma once

#include "gallery/online/KDEXIntegration.h"
#include "support/Result.h"
#include "support/Text.h"

#include <cstddef>
#include <set>

struct UrlResourcesDocument {
    // Empty when the document does not give the value.
    CAtlString corporate, corporateTitle, education, educationTitle, onlineMarketplace, kdexSearch;
    // Lower-cased 32-digit hexadecimal checksums of "flashnumerichandwriting".
    std::set<CAtlString> checksums;
    bool hasKdex = false; // an "fsokdex" section was read
    CKDEXIntegration::Urls kdexUrls;
    CKDEXIntegration::TimeOuts timeOuts;
};

// S_OK and the values; E_INVALIDARG for another root or version; E_FAIL for a malformed document.
// Addresses that are not http(s) are left out; texts are trimmed.
[[nodiscard]] HRESULT ReadUrlResources(const char *data, size_t length, UrlResourcesDocument &out);
