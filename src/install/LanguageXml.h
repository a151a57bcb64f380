// LanguageXml: the language records of the installer. A language is identified by its code, kept in
// the normalised form "ll_RR" (lower-case language, "_", upper-case region) whenever the code has
// exactly two parts. LanguageList holds the system's language list ("languages.xml") and turns codes
// into languages; LoadLanguageList and SaveLanguageList read and write the record of the languages
// already seen ("knownlanguages.xml").
#pragma once

#include "support/Text.h"

#include <cstdint>
#include <map>
#include <vector>

namespace tinyxml2
{
class XMLElement;
}

namespace LanguageXml
{

class Language
{
  public:
    Language() = default;
    virtual ~Language() = default;
    Language(const Language &) = default;
    Language &operator=(const Language &) = default;

    // A stub made from a bare code: code, English and native name are the code.
    static Language CreateStubLanguage(const CAtlString &code);
    // "EN-gb" -> "en_GB"; a code without '-' and '_', or with other than two parts, is kept as is.
    static CAtlString NormalizeCode(const CAtlString &code);

    // A stub, or a language with an identifier and a code.
    bool IsValid() const;
    // Reads "Code" (normalised), "FileName", "EnglishName", "NativeName", "SupportPage",
    // "RightToLeft" ("1") and "ID" (hexadecimal, 0 when unparsable). The result is IsValid().
    bool ReadXmlElement(const tinyxml2::XMLElement *element);

    const CAtlString &GetCode() const { return m_code; }
    const CAtlString &GetFileName() const { return m_fileName; }
    const CAtlString &GetEnglishName() const { return m_englishName; }
    const CAtlString &GetNativeName() const { return m_nativeName; }
    const CAtlString &GetSupportPage() const { return m_supportPage; }
    bool IsRightToLeft() const { return m_rightToLeft; }
    int32_t GetIdentifier() const { return m_identifier; }
    bool IsStub() const { return m_stub; }

    // Identity and order are the code's.
    bool operator<(const Language &other) const { return m_code < other.m_code; }
    bool operator==(const Language &other) const { return m_code == other.m_code; }
    bool operator!=(const Language &other) const { return !(*this == other); }

  private:
    CAtlString m_code;
    CAtlString m_fileName;
    CAtlString m_englishName;
    CAtlString m_nativeName;
    CAtlString m_supportPage;
    bool m_rightToLeft = false;
    int32_t m_identifier = 0;
    bool m_stub = false;
};

using Languages = std::vector<Language>;

class LanguageList
{
  public:
    // Reads the language list file; every child of the root is one language. A missing or
    // unreadable file, or one invalid entry, leaves the list empty and gives false.
    bool Read(const CAtlString &path);
    void Reset() { m_languages.clear(); }
    bool IsEmpty() const { return m_languages.empty(); }

    // The language of the (normalised) code. With allowStub and an empty list: a stub for the code.
    // Unknown codes give an invalid language.
    Language GetLanguage(const CAtlString &code, bool allowStub) const;
    // Every language, in code order.
    Languages GetAllLanguages() const;

    // Reads a known-languages file into list (cleared first, sorted by code afterwards). False when
    // the file is missing or unreadable or has no root element.
    bool LoadLanguageList(const CAtlString &path, Languages &list) const;
    // Replaces the known-languages file with list, in list order, through a crash-safe write.
    static bool SaveLanguageList(const CAtlString &path, const Languages &list);
    // The bytes SaveLanguageList writes.
    static CAtlStringA FormatLanguageList(const Languages &list);

  private:
    std::map<CAtlString, Language> m_languages;
};

} // namespace LanguageXml
