#include "configuration/MetaDataXml.h"

#include <tinyxml2.h>

#include "support/SaveFile.h"

bool MetaDataXml::Read(const CAtlString &path)
{
    m_identifier.clear();
    m_titles.clear();
    tinyxml2::XMLDocument document;
    if (document.LoadFile(Text::ToUtf8(path).c_str()) != tinyxml2::XML_SUCCESS) return false;
    const tinyxml2::XMLElement *root = document.RootElement();
    const tinyxml2::XMLElement *general = root ? root->FirstChildElement("lom:general") : nullptr;
    const tinyxml2::XMLElement *identifier = general ? general->FirstChildElement("lom:identifier") : nullptr;
    const tinyxml2::XMLElement *entry = identifier ? identifier->FirstChildElement("lom:entry") : nullptr;
    const tinyxml2::XMLElement *title = general ? general->FirstChildElement("lom:title") : nullptr;
    if (!entry || !title) return false;
    m_identifier = Text::FromUtf8(entry->GetText() ? entry->GetText() : "");
    for (const tinyxml2::XMLElement *string = title->FirstChildElement("lom:string"); string;
         string = string->NextSiblingElement("lom:string")) {
        const char *language = string->Attribute("language");
        if (!language || !*language) continue;
        m_titles[Text::FromUtf8(language)] = Text::FromUtf8(string->GetText() ? string->GetText() : "");
    }
    return true;
}

bool MetaDataXml::Write(const CAtlString &path) const
{
    tinyxml2::XMLDocument document;
    document.InsertEndChild(document.NewDeclaration("xml version=\"1.0\" encoding=\"UTF-8\""));
    tinyxml2::XMLElement *root = document.NewElement("lom:lom");
    root->SetAttribute("xmlns:lom", "http://ltsc.ieee.org/xsd/LOM");
    document.InsertEndChild(root);
    tinyxml2::XMLElement *general = root->InsertNewChildElement("lom:general");
    general->InsertNewChildElement("lom:identifier")
        ->InsertNewChildElement("lom:entry")
        ->SetText(Text::ToUtf8(m_identifier).c_str());
    tinyxml2::XMLElement *title = general->InsertNewChildElement("lom:title");
    for (const auto &entry : m_titles) {
        tinyxml2::XMLElement *string = title->InsertNewChildElement("lom:string");
        string->SetAttribute("language", Text::ToUtf8(entry.first).c_str());
        string->SetText(Text::ToUtf8(entry.second).c_str());
    }
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    return CSaveFile::WriteWholeFile(CKeldaFilePath(path), std::string_view(printer.CStr(), printer.CStrSize() - 1));
}

CAtlString MetaDataXml::GetTitle(const CAtlString &language) const
{
    auto it = m_titles.find(language);
    if (it == m_titles.end()) it = m_titles.find(L"en");
    return it == m_titles.end() ? CAtlString() : it->second;
}
