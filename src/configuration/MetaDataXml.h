// MetaDataXml: the gallery's "metadata.xml": its identifier and its title in several languages
// (root of any name, "lom:general" with "lom:identifier"/"lom:entry" and "lom:title"/"lom:string").
#pragma once

#include <map>

#include "support/Text.h"

class MetaDataXml
{
  public:
    // False when the file is missing or malformed, or when the root, "lom:general", "lom:identifier",
    // "lom:entry" or "lom:title" is missing. A title without strings is accepted.
    bool Read(const CAtlString &path);
    // Writes the structure that Read accepts (crash-safe replacement).
    bool Write(const CAtlString &path) const;

    // The title of the language, else the "en" title, else empty.
    CAtlString GetTitle(const CAtlString &language) const;
    const CAtlString &GetIdentifier() const { return m_identifier; }
    const std::map<CAtlString, CAtlString> &GetTitles() const { return m_titles; }
    void SetIdentifier(const CAtlString &identifier) { m_identifier = identifier; }
    void SetTitle(const CAtlString &language, const CAtlString &title) { m_titles[language] = title; }

  private:
    CAtlString m_identifier;
    std::map<CAtlString, CAtlString> m_titles; // language -> title
};
