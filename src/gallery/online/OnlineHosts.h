// OnlineHosts: the one place that names the servers of the online resources. Each role has a built-in
// base address ("scheme://host[:port]", no trailing "/"); the environment variable TROVE_ONLINE_BASE
// replaces every role's base (tests point all endpoints at one local server), else the gallery
// preference OnlineHosts\<role name> replaces that role's base.
#pragma once

#include "support/Text.h"

namespace OnlineHosts
{

enum class eRole {
    WebServices, // team-extension pages and the online-resources feed
    Exchange,    // the content-exchange search
    Marketplace, // the online-marketplace (urlresources) document
};

// "WebServices", "Exchange", "Marketplace": the preference value names.
const wchar_t *RoleName(eRole role);
// The built-in base of a role.
CAtlString DefaultBase(eRole role);
// The base in force, overrides applied.
CAtlString Base(eRole role);
// The word in the page paths of the web-services host.
extern const wchar_t *const ProductWord; // "vellum"

} // namespace OnlineHosts
