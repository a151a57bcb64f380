// TiXmlHelper: attribute reading with defaults for TinyXML-2 elements, and loading a document from a
// file. Booleans are the texts "true" and "false".
#pragma once

#include "support/Text.h"

#include <cstdint>

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

// Parses the file (UTF-8 path) into the document; false when it cannot be read or is not well-formed.
[[nodiscard]] bool InitializeTiXmlDocumentFromFile(tinyxml2::XMLDocument &document, const CAtlString &path);

} // namespace TiXmlHelper
