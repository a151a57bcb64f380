#include "gallery/online/GalleryWebSiteCollection.h"

#include "gallery/facade/Gallery.h"
#include "settings/Preferences.h"

#include <QSettings>
#include <QStringList>

#include <set>

CGalleryWebSiteCollection &CGalleryWebSiteCollection::instance()
{
    static CGalleryWebSiteCollection collection;
    return collection;
}

HRESULT CGalleryWebSiteCollection::LoadSites()
{
    m_sites.clear();
    std::set<CAtlString> seen;
    for (int scope : {PreferenceScopeUser, PreferenceScopeMachine}) {
        QStringList identifiers;
        {
            const auto settings = CreateQSettings(scope);
            settings->beginGroup(Text::ToQt(
                ConvertSeparators(CAtlString(CGallery::PreferencesPath) + L"\\" + CGalleryWebSite::SettingsKey)));
            identifiers = settings->childGroups();
        }
        for (const QString &identifier : identifiers) {
            CGalleryWebSite site;
            if (!seen.insert(Text::FromQt(identifier)).second) continue;
            if (site.LoadSettings(scope, Text::FromQt(identifier)) == S_OK) m_sites.push_back(site);
        }
    }
    return S_OK;
}
