// CGalleryWebSiteCollection: the person's web sites, read from the preference store (user scope
// first, then machine-wide; an identifier in both counts once). One process-wide instance, used under
// the gallery lock.
#pragma once

#include "gallery/online/GalleryWebSite.h"

#include <vector>

class CGalleryWebSiteCollection
{
  public:
    using iterator = std::vector<CGalleryWebSite>::iterator;
    using const_iterator = std::vector<CGalleryWebSite>::const_iterator;

    static CGalleryWebSiteCollection &instance();

    // Replaces the list by every site stored below "\WebSites"; S_OK.
    [[nodiscard]] HRESULT LoadSites();
    iterator begin() { return m_sites.begin(); }
    iterator end() { return m_sites.end(); }
    const_iterator begin() const { return m_sites.begin(); }
    const_iterator end() const { return m_sites.end(); }
    size_t size() const { return m_sites.size(); }
    void push_back(const CGalleryWebSite &site) { m_sites.push_back(site); }
    iterator erase(iterator at) { return m_sites.erase(at); }
    void clear() { m_sites.clear(); }

  private:
    CGalleryWebSiteCollection() = default;
    std::vector<CGalleryWebSite> m_sites;
};
