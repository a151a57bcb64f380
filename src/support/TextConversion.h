// The text conversions the document code calls by these names.
#pragma once

#include "support/Text.h"

#include <string_view>

// Wide to UTF-8.
CAtlStringA MakeUTF8StringFromUnicodeString(std::wstring_view wide);
// UTF-8 to wide; invalid sequences become U+FFFD.
CAtlString MakeWideStringFromUTF8String(std::string_view utf8);
// One character per byte (bytes above 0x7F are taken as Latin-1).
CAtlString MakeWideStringFromASCIIString(std::string_view ascii);
