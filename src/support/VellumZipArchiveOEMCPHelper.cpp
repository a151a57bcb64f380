// Reads the archive's manifest with TinyXML-2 (resolving the namespace prefixes itself) and installs
// a name lookup that asks SuggestOEMCP.
#include "support/VellumZipArchiveOEMCPHelper.h"

#include "support/ZipHelper.h"

#include <atomic>
#include <cstring>

#include <tinyxml2.h>

namespace
{

constexpr const char *kImsCpNamespace = "http://www.imsglobal.org/xsd/imscp_v1p1";
std::atomic<unsigned> g_applicationDefault{ZipPlatform::kDefaultOEMCP};

// The namespace URI bound to the element's prefix, searching the element and its ancestors.
const char *NamespaceOf(const tinyxml2::XMLElement *element)
{
    const char *name = element->Name();
    const char *colon = std::strchr(name, ':');
    const std::string attribute = colon ? "xmlns:" + std::string(name, colon) : std::string("xmlns");
    for (const tinyxml2::XMLNode *node = element; node; node = node->Parent()) {
        const tinyxml2::XMLElement *e = node->ToElement();
        if (!e) break;
        if (const char *uri = e->Attribute(attribute.c_str())) return uri;
    }
    return "";
}

bool IsImsCp(const tinyxml2::XMLElement *element, const char *localName)
{
    const char *name = element->Name();
    const char *colon = std::strchr(name, ':');
    return std::strcmp(colon ? colon + 1 : name, localName) == 0 &&
           std::strcmp(NamespaceOf(element), kImsCpNamespace) == 0;
}

void AddHref(const tinyxml2::XMLElement *element, std::vector<CAtlString> &names)
{
    if (const char *href = element->Attribute("href"); href && *href) names.push_back(Text::FromUtf8(href));
}

} // namespace

bool CVellumZipArchiveOEMCPHelper::ReadKnownNames(const char *xml, size_t size, std::vector<CAtlString> &names)
{
    names.clear();
    tinyxml2::XMLDocument document;
    if (!xml || document.Parse(xml, size) != tinyxml2::XML_SUCCESS) return false;
    const tinyxml2::XMLElement *root = document.RootElement();
    if (!root || !IsImsCp(root, "manifest")) return false;
    for (const auto *resources = root->FirstChildElement(); resources; resources = resources->NextSiblingElement()) {
        if (!IsImsCp(resources, "resources")) continue;
        for (const auto *resource = resources->FirstChildElement(); resource;
             resource = resource->NextSiblingElement()) {
            if (!IsImsCp(resource, "resource")) continue;
            AddHref(resource, names);
            for (const auto *file = resource->FirstChildElement(); file; file = file->NextSiblingElement())
                if (IsImsCp(file, "file")) AddHref(file, names);
        }
    }
    return true;
}

CVellumZipArchiveOEMCPHelper::CVellumZipArchiveOEMCPHelper(const CKeldaFilePath &archive)
{
    std::vector<char> manifest;
    if (!CZipHelper::UnzipToMemory(archive, L"imsmanifest.xml", manifest)) return;
    if (!ReadKnownNames(manifest.data(), manifest.size(), m_knownNames)) return;
    m_previous = &Lookup;
    m_previousContext = this;
    ZipPlatform::SetOEMCPLookupProc(m_previous, m_previousContext);
    m_installed = true;
}

CVellumZipArchiveOEMCPHelper::~CVellumZipArchiveOEMCPHelper()
{
    if (m_installed) ZipPlatform::SetOEMCPLookupProc(m_previous, m_previousContext);
}

void CVellumZipArchiveOEMCPHelper::SetApplicationDefaultOEMCP(unsigned codePage)
{
    g_applicationDefault = codePage;
}

void CVellumZipArchiveOEMCPHelper::Lookup(void *context, const char *name, size_t length, unsigned &codePage)
{
    const auto *self = static_cast<const CVellumZipArchiveOEMCPHelper *>(context);
    codePage = ZipPlatform::SuggestOEMCP(name, length, self->m_knownNames.data(), self->m_knownNames.size(),
                                         ZipPlatform::kDefaultOEMCP, g_applicationDefault);
}
