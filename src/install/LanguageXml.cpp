// Language records, the language list file and the known-languages file.
#include "install/LanguageXml.h"

#include "support/KeldaPath.h"
#include "support/SaveFile.h"
#include "support/TiXmlHelper.h"

#include <tinyxml2.h>

#include <algorithm>
#include <charconv>

namespace LanguageXml
{

namespace
{

CAtlString Attribute(const tinyxml2::XMLElement *element, const char *name)
{
    const char *value = element->Attribute(name);
    return value ? Text::FromUtf8(value) : CAtlString();
}

// Hexadecimal digits, optionally after "0x"; anything else, or more than 32 bits, gives 0.
int32_t ParseHexIdentifier(const char *text)
{
    if (!text) return 0;
    std::string_view digits(text);
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.remove_prefix(2);
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size()) return 0;
    return static_cast<int32_t>(value);
}

} // namespace

Language Language::CreateStubLanguage(const CAtlString &code)
{
    Language language;
    language.m_code = code;
    language.m_englishName = code;
    language.m_nativeName = code;
    language.m_stub = true;
    return language;
}

CAtlString Language::NormalizeCode(const CAtlString &code)
{
    const bool hasDash = code.find(L'-') != CAtlString::npos;
    if (!hasDash && code.find(L'_') == CAtlString::npos) return code;
    const std::vector<CAtlString> parts = Text::Split(code, hasDash ? L'-' : L'_');
    if (parts.size() != 2) return code;
    return Text::ToLower(parts[0]) + L"_" + Text::ToUpper(parts[1]);
}

bool Language::IsValid() const
{
    return m_stub || (m_identifier != 0 && !m_code.empty());
}

bool Language::ReadXmlElement(const tinyxml2::XMLElement *element)
{
    *this = Language();
    if (!element) return false;
    m_code = NormalizeCode(Attribute(element, "Code"));
    m_fileName = Attribute(element, "FileName");
    m_englishName = Attribute(element, "EnglishName");
    m_nativeName = Attribute(element, "NativeName");
    m_supportPage = Attribute(element, "SupportPage");
    m_rightToLeft = Attribute(element, "RightToLeft") == L"1";
    m_identifier = ParseHexIdentifier(element->Attribute("ID"));
    return IsValid();
}

bool LanguageList::Read(const CAtlString &path)
{
    Reset();
    if (!CKeldaFilePath(path).FileExists()) return false;
    tinyxml2::XMLDocument document;
    if (!TiXmlHelper::InitializeTiXmlDocumentFromFile(document, path)) return false;
    const tinyxml2::XMLElement *root = document.RootElement();
    if (!root) return false;
    for (const tinyxml2::XMLElement *entry = root->FirstChildElement(); entry; entry = entry->NextSiblingElement()) {
        Language language;
        if (!language.ReadXmlElement(entry)) {
            Reset();
            return false;
        }
        m_languages.emplace(language.GetCode(), language); // the first entry of a code wins
    }
    return true;
}

Language LanguageList::GetLanguage(const CAtlString &code, bool allowStub) const
{
    const CAtlString normalized = Language::NormalizeCode(code);
    if (allowStub && m_languages.empty()) return Language::CreateStubLanguage(normalized);
    const auto found = m_languages.find(normalized);
    return found == m_languages.end() ? Language() : found->second;
}

Languages LanguageList::GetAllLanguages() const
{
    Languages all;
    all.reserve(m_languages.size());
    for (const auto &entry : m_languages)
        all.push_back(entry.second);
    return all;
}

bool LanguageList::LoadLanguageList(const CAtlString &path, Languages &list) const
{
    list.clear();
    if (!CKeldaFilePath(path).FileExists()) return false;
    tinyxml2::XMLDocument document;
    if (!TiXmlHelper::InitializeTiXmlDocumentFromFile(document, path)) return false;
    const tinyxml2::XMLElement *root = document.RootElement();
    if (!root) return false;
    for (const tinyxml2::XMLElement *entry = root->FirstChildElement("language"); entry;
         entry = entry->NextSiblingElement("language")) {
        const Language language = GetLanguage(Attribute(entry, "code"), true);
        if (language.IsValid()) list.push_back(language);
    }
    std::sort(list.begin(), list.end());
    return true;
}

CAtlStringA LanguageList::FormatLanguageList(const Languages &list)
{
    tinyxml2::XMLDocument document;
    document.InsertEndChild(document.NewDeclaration("xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\""));
    tinyxml2::XMLElement *root = document.NewElement("KnownLanguages");
    document.InsertEndChild(root);
    for (const Language &language : list)
        root->InsertNewChildElement("language")->SetAttribute("code", Text::ToUtf8(language.GetCode()).c_str());
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    return CAtlStringA(printer.CStr(), printer.CStrSize() - 1);
}

bool LanguageList::SaveLanguageList(const CAtlString &path, const Languages &list)
{
    // The old file is replaced in one step, so an interrupted save keeps it.
    return CSaveFile::WriteWholeFile(CKeldaFilePath(path), FormatLanguageList(list));
}

} // namespace LanguageXml
