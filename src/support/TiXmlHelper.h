// TiXmlHelper: attribute reading with defaults for TinyXML-2 elements, and loading a document from a
// file. Booleans are the texts "true" and "false".
#pragma once

#include "support/Text.h"

#include <cstdint>
#include <initializer_list>

namespace tinyxml2
{
class XMLDocument;
class XMLElement;
} // namespace tinyxml2

namespace TiXmlHelper
{

extern const char *const TRUE_STRING;  // "true"
extern const char *const FALSE_STRING; // "false"

// The attribute's value; found (optional) tells whether it was there. A null element counts as absent.
CAtlStringA LoadStringAttributeFromXmlElement(const tinyxml2::XMLElement *element, const char *name, bool *found);
// The value, or the default when the attribute is absent.
CAtlStringA LoadStringAttributeFromXmlElementWithDefault(const tinyxml2::XMLElement *element, const char *name,
                                                         const CAtlStringA &defaultValue);
// "true" or "false"; the default when absent or anything else.
bool LoadBoolAttributeFromXmlElementWithDefault(const tinyxml2::XMLElement *element, const char *name,
                                                bool defaultValue);
// Decimal 32-bit; the default when absent or not a number.
int32_t LoadIntAttributeFromXmlElementWithDefault(const tinyxml2::XMLElement *element, const char *name,
                                                  int32_t defaultValue);
// Locale-independent; the default when absent or not a number.
float LoadFloatAttributeFromXmlElementWithDefault(const tinyxml2::XMLElement *element, const char *name,
                                                  float defaultValue);

// Walks from element through the first child of each name in turn and returns the element reached
// (element itself for no names). Null when element is null, a step is missing or a name is null or empty.
tinyxml2::XMLElement *GetTiXmlChildElement(tinyxml2::XMLElement *element, std::initializer_list<const char *> names);
const tinyxml2::XMLElement *GetTiXmlChildElement(const tinyxml2::XMLElement *element,
                                                 std::initializer_list<const char *> names);
// The same walk, appending every missing child to its parent on the way. Null, with nothing created, when
// element is null or a name is null or empty.
tinyxml2::XMLElement *GetTiXmlChildElementCreate(tinyxml2::XMLElement *element,
                                                 std::initializer_list<const char *> names);

// Parses the file (UTF-8 path) into the document; false when it cannot be read or is not well-formed.
[[nodiscard]] bool InitializeTiXmlDocumentFromFile(tinyxml2::XMLDocument &document, const CAtlString &path);

} // namespace TiXmlHelper
