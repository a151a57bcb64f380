// CLanguageTools: lookups in the system-wide language list "languages.xml" (root "LanguagePacks", one
// child element per language with the attributes "Code", "ID" (hexadecimal), "EnglishName",
// "NativeName", "FileName", "SupportPage", "RightToLeft"), and the mapping from language identifiers
// to ICU locale names. A missing list gives empty answers.
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <vector>

#include "support/Text.h"

class CLanguageTools
{
  public:
    using Entry = std::map<CAtlString, CAtlString>; // attribute name -> value

    // The language list in use, first existing of: the override folder's "languages.xml"; the
    // machine-wide "Path" followed by "/Languages/languages.xml"; "LanguagesFolder" of the groups
    // "Vellum" and "Kelda Board" followed by "/languages.xml". Empty when none exists.
    static CAtlString GetMasterLanguagesXMLFile();

    // The entries of the list (empty when it is missing, unreadable or its root is not "LanguagePacks").
    static std::vector<Entry> GetLanguageEntries();
    // The "Code" of every entry, in file order.
    static std::vector<CAtlString> GetLanguageCodes();

    // The wanted attribute of the first entry whose key attribute equals key; empty when none.
    static CAtlString GetAttributeFromLanguagesXML(const CAtlString &key, const CAtlString &keyAttribute,
                                                   const CAtlString &wantedAttribute);
    // Looks the identifier up by its "ID", written with four upper-case hexadecimal digits.
    static CAtlString GetAttributeFromLanguagesXML(unsigned int identifier, const CAtlString &wantedAttribute);
    static CAtlString GetLocaleName(unsigned int identifier);
    static CAtlString GetLangDescription(unsigned int identifier, bool native);
    static CAtlString GetLangCode(const CAtlString &identifier);
    // "ID" of the entry with that "Code" as a number; 0 when absent or not hexadecimal.
    static unsigned int GetLangId(const CAtlString &code);
    // The ICU locale name of the fixed table, else the list's "Code" for the identifier.
    static CAtlString GetLocaleID4ICU(unsigned int identifier);
    // The desktop's language: the shared "LanguageId" preference, then the desktop session's
    // language, then the system locale; the result is that language's "ID" in the list.
    static unsigned int GetSystemLanguageID();

    static void OverrideLanguagesXMLPath(const CAtlString &directory);
    static void ResetOverrideLanguagesXMLPath();
    static CAtlString GetOverridePath();

    // Where a malformed list is reported: title "DOM Parser", text with line, column and message.
    // By default the report goes to the Qt warning stream; the user interface registers a message box.
    using WarningHandler = std::function<void(const QString &title, const QString &text)>;
    static void SetWarningHandler(WarningHandler handler);
};
