#include "gallery/online/OnlineHosts.h"

#include "gallery/facade/Gallery.h"
#include "settings/Preferences.h"

#include <cstdlib>

const wchar_t *const OnlineHosts::ProductWord = L"vellum";

const wchar_t *OnlineHosts::RoleName(eRole role)
{
    switch (role) {
    case eRole::WebServices:
        return L"WebServices";
    case eRole::Exchange:
        return L"Exchange";
    case eRole::Marketplace:
        return L"Marketplace";
    }
    return L"";
}

CAtlString OnlineHosts::DefaultBase(eRole role)
{
    // No real servers: the addresses are configuration, filled in by whoever deploys the program.
    switch (role) {
    case eRole::WebServices:
        return L"http://webservices.keldalabs.invalid";
    case eRole::Exchange:
        return L"http://exchange.keldalabs.invalid";
    case eRole::Marketplace:
        return L"http://marketplace.keldalabs.invalid";
    }
    return CAtlString();
}

namespace
{

CAtlString WithoutTrailingSlashes(CAtlString base)
{
    while (!base.empty() && base.back() == L'/')
        base.pop_back();
    return base;
}

} // namespace

CAtlString OnlineHosts::Base(eRole role)
{
    if (const char *all = std::getenv("TROVE_ONLINE_BASE"); all && *all)
        return WithoutTrailingSlashes(Text::FromUtf8(all));
    for (int scope : {PreferenceScopeUser, PreferenceScopeMachine}) {
        unsigned int error = 0;
        const CAtlString stored = GetPreferenceString(scope, CAtlString(CGallery::PreferencesPath) + L"\\OnlineHosts",
                                                      RoleName(role), CAtlString(), &error, CGallery::PreferenceFile);
        if (error == 0 && !stored.empty()) return WithoutTrailingSlashes(stored);
    }
    return DefaultBase(role);
}
