// TiXmlHelper attribute readers and document loading.
#include "support/TiXmlHelper.h"

#include "support/XmlNumbers_p.h"

#include <tinyxml2.h>

#include <cstdio>
#include <cstring>

namespace TiXmlHelper
{

const char *const TRUE_STRING = "true";
const char *const FALSE_STRING = "false";

CAtlStringA LoadStringAttributeFromXmlElement(const tinyxml2::XMLElement *element, const char *name, bool *found)
{
    const char *value = element && name ? element->Attribute(name) : nullptr;
    if (found) *found = value != nullptr;
    return value ? CAtlStringA(value) : CAtlStringA();
}

CAtlStringA LoadStringAttributeFromXmlElementWithDefault(const tinyxml2::XMLElement *element, const char *name,
                                                         const CAtlStringA &defaultValue)
{
    bool found = false;
    CAtlStringA value = LoadStringAttributeFromXmlElement(element, name, &found);
    return found ? value : defaultValue;
}

bool LoadBoolAttributeFromXmlElementWithDefault(const tinyxml2::XMLElement *element, const char *name,
                                                bool defaultValue)
{
    bool found = false;
    const CAtlStringA value = LoadStringAttributeFromXmlElement(element, name, &found);
    if (found && value == TRUE_STRING) return true;
    if (found && value == FALSE_STRING) return false;
    return defaultValue;
}

int32_t LoadIntAttributeFromXmlElementWithDefault(const tinyxml2::XMLElement *element, const char *name,
                                                  int32_t defaultValue)
{
    bool found = false;
    const CAtlStringA value = LoadStringAttributeFromXmlElement(element, name, &found);
    int32_t number = defaultValue;
    if (!found || value.empty() || !XmlNumbers::ParseInt32(value, &number)) return defaultValue;
    return number;
}

float LoadFloatAttributeFromXmlElementWithDefault(const tinyxml2::XMLElement *element, const char *name,
                                                  float defaultValue)
{
    bool found = false;
    const CAtlStringA value = LoadStringAttributeFromXmlElement(element, name, &found);
    float number = defaultValue;
    if (!found || value.empty() || !XmlNumbers::ParseFloat(value, &number)) return defaultValue;
    return number;
}

bool InitializeTiXmlDocumentFromFile(tinyxml2::XMLDocument &document, const CAtlString &path)
{
    FILE *file = std::fopen(Text::ToUtf8(path).c_str(), "rb");
    if (!file) return false;
    const tinyxml2::XMLError rc = document.LoadFile(file);
    std::fclose(file);
    return rc == tinyxml2::XML_SUCCESS;
}

namespace
{
bool ValidNames(std::initializer_list<const char *> names)
{
    for (const char *name : names)
        if (!name || !*name) return false;
    return true;
}
} // namespace

const tinyxml2::XMLElement *GetTiXmlChildElement(const tinyxml2::XMLElement *element,
                                                 std::initializer_list<const char *> names)
{
    if (!ValidNames(names)) return nullptr;
    for (const char *name : names) {
        if (!element) break;
        element = element->FirstChildElement(name);
    }
    return element;
}

tinyxml2::XMLElement *GetTiXmlChildElement(tinyxml2::XMLElement *element, std::initializer_list<const char *> names)
{
    return const_cast<tinyxml2::XMLElement *>(
        GetTiXmlChildElement(static_cast<const tinyxml2::XMLElement *>(element), names));
}

tinyxml2::XMLElement *GetTiXmlChildElementCreate(tinyxml2::XMLElement *element,
                                                 std::initializer_list<const char *> names)
{
    if (!element || !ValidNames(names)) return nullptr;
    for (const char *name : names) {
        tinyxml2::XMLElement *child = element->FirstChildElement(name);
        if (!child) child = element->InsertNewChildElement(name);
        element = child;
    }
    return element;
}

} // namespace TiXmlHelper
