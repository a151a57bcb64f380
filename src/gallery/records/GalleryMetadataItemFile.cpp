// The "metadata.xml" entry of a gallery item file (a ZIP archive): reading it, writing a fresh one and
// updating an existing one in place.
#include "gallery/records/GalleryMetadata.h"

#include "gallery/facade/Gallery.h"
#include "gallery/manifest/GalleryArchive_p.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryXmlNames.h"
#include "gallery/manifest/GalleryXmlUtil_p.h"
#include "support/FileManipulator.h"
#include "support/SaveFile.h"

#include <tinyxml2.h>

using tinyxml2::XMLElement;

namespace
{

// Walks a path of child elements, creating the missing ones.
XMLElement *ChildCreate(XMLElement *element, std::initializer_list<const char *> path)
{
    for (const char *name : path) {
        XMLElement *child = element->FirstChildElement(name);
        if (!child) child = element->InsertNewChildElement(name);
        element = child;
    }
    return element;
}

void SetText(XMLElement *element, const CAtlString &text)
{
    element->SetText(Text::ToUtf8(text).c_str());
}

void AddLomString(XMLElement *parent, const wchar_t *language, const wchar_t *text)
{
    XMLElement *s = parent->InsertNewChildElement("lom:string");
    s->SetAttribute("language", Text::ToUtf8(language).c_str());
    s->SetText(GalleryXmlUtil::Utf8OrMarker(text).c_str());
}

void RemoveChildren(XMLElement *parent, const char *name)
{
    while (XMLElement *child = parent->FirstChildElement(name))
        parent->DeleteChild(child);
}

CAtlStringA WriteToTemp(const CAtlStringA &document, CKeldaFilePath &tempPath)
{
    tempPath = CKeldaFilePath::CreateTempFileName(L".xml", L"metadata");
    if (tempPath.IsEmptyPath()) return CAtlStringA();
    return CSaveFile::WriteWholeFile(tempPath, document) ? CAtlStringA("ok") : CAtlStringA();
}

} // namespace

HRESULT CGalleryMetadata::Load(const wchar_t *itemFilePath)
{
    if (!itemFilePath) return E_INVALIDARG;
    std::string bytes;
    if (!GalleryArchive::UnzipToMemory(CKeldaFilePath(itemFilePath), L"metadata.xml", bytes)) return E_FAIL;
    tinyxml2::XMLDocument document;
    if (document.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS) return E_FAIL;
    const XMLElement *root = document.RootElement();
    return root ? Load(root) : E_FAIL;
}

HRESULT CGalleryMetadata::UpdateDocument(XMLElement *lom) const
{
    if (!lom) return E_INVALIDARG;
    XMLElement *general = ChildCreate(lom, {"lom:general"});
    SetText(ChildCreate(general, {"lom:identifier", "lom:entry"}), m_identifier);
    XMLElement *title = ChildCreate(general, {"lom:title"});
    title->DeleteChildren();
    for (auto e = m_title->GetEnumerator(); e.MoveNext();)
        AddLomString(title, e.GetCurrentLanguage(), e.GetCurrentString());
    XMLElement *version = ChildCreate(lom, {"lom:lifeCycle", "lom:version"});
    version->DeleteChildren();
    AddLomString(version, L"en", m_version);
    RemoveChildren(general, "lom:keyword");
    for (auto e = m_keywords->GetEnumerator(); e.MoveNext();)
        AddLomString(general->InsertNewChildElement("lom:keyword"), e.GetCurrentLanguage(), e.GetCurrentString());
    XMLElement *sort = ChildCreate(general, {"keldagallery:sortoverride"});
    sort->DeleteChildren();
    AddLomString(sort, L"en", m_sortOverride);
    SetText(ChildCreate(general, {"keldagallery:originalid"}), m_originalId);
    SetText(ChildCreate(general, {"keldagallery:showinlanguages"}), m_showInLanguages);
    SetText(ChildCreate(general, {"keldagallery:hideinlanguages"}), m_hideInLanguages);
    SetText(ChildCreate(lom, {"lom:lifeCycle", "keldagallery:creationdatetime"}),
            m_creationDateTime ? FormatDateTime(m_creationDateTime, true) : CAtlString());
    XMLElement *technical = ChildCreate(lom, {"lom:technical"});
    ChildCreate(technical, {"lom:format"})->SetText(GalleryXmlUtil::Utf8OrMarker(m_format).c_str());
    RemoveChildren(technical, "lom:requirement");
    std::vector<CAtlString> names;
    GetDefinedRequirements(names);
    for (const CAtlString &name : names) {
        XMLElement *composite =
            technical->InsertNewChildElement("lom:requirement")->InsertNewChildElement("lom:orComposite");
        XMLElement *type = composite->InsertNewChildElement("lom:type");
        type->InsertNewChildElement("lom:source")->SetText("LOMv1.0");
        type->InsertNewChildElement("lom:value")->SetText("browser");
        XMLElement *nameElement = composite->InsertNewChildElement("lom:name");
        nameElement->InsertNewChildElement("lom:source")->SetText("LOMv1.0");
        SetText(nameElement->InsertNewChildElement("lom:value"), name);
        const wchar_t *minimum = m_minimumRequirements->GetString(name.c_str());
        const wchar_t *maximum = m_maximumRequirements->GetString(name.c_str());
        if (!CGallery::IsEmptyString(minimum)) SetText(composite->InsertNewChildElement("lom:minimumVersion"), minimum);
        if (!CGallery::IsEmptyString(maximum)) SetText(composite->InsertNewChildElement("lom:maximumVersion"), maximum);
    }
    return S_OK;
}

HRESULT CGalleryMetadata::Write(const wchar_t *itemFilePath, bool fresh) const
{
    if (!itemFilePath) return E_INVALIDARG;
    const CKeldaFilePath item(itemFilePath);
    CAtlStringA document;
    if (fresh) {
        const HRESULT hr = WriteStandalone(document);
        if (FAILED(hr)) return hr;
    } else {
        std::string bytes;
        if (!GalleryArchive::UnzipToMemory(item, L"metadata.xml", bytes)) return E_FAIL;
        tinyxml2::XMLDocument parsed;
        if (parsed.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS || !parsed.RootElement()) return E_FAIL;
        const HRESULT hr = UpdateDocument(parsed.RootElement());
        if (FAILED(hr)) return hr;
        tinyxml2::XMLPrinter printer(nullptr, true);
        parsed.Print(&printer);
        document.assign(printer.CStr(), static_cast<size_t>(printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0));
        // The parser lets some damage pass (a stray end tag after the root) that it refuses once printed
        // ("<l/>h</l>" prints as "<l>...</l>h"): such a document is replaced by a fresh one rather than
        // leaving an item file whose metadata can no longer be read.
        tinyxml2::XMLDocument check;
        if (check.Parse(document.data(), document.size()) != tinyxml2::XML_SUCCESS) {
            const HRESULT standalone = WriteStandalone(document);
            if (FAILED(standalone)) return standalone;
        }
    }
    CKeldaFilePath temp;
    if (WriteToTemp(document, temp).empty()) {
        if (!temp.IsEmptyPath()) (void)CFileManipulator::DeleteFile(temp); // a left-over temporary file
        return E_FAIL;
    }
    const bool replaced = GalleryArchive::ReplaceFileInArchive(item, L"metadata.xml", temp);
    (void)CFileManipulator::DeleteFile(temp); // a left-over temporary file changes nothing
    return replaced ? S_OK : E_FAIL;
}
