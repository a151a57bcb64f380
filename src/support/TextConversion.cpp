// Text conversions on top of support/Text.h.
#include "support/TextConversion.h"

CAtlStringA MakeUTF8StringFromUnicodeString(std::wstring_view wide)
{
    return Text::ToUtf8(wide);
}

CAtlString MakeWideStringFromUTF8String(std::string_view utf8)
{
    return Text::FromUtf8(utf8);
}

CAtlString MakeWideStringFromASCIIString(std::string_view ascii)
{
    CAtlString out;
    out.reserve(ascii.size());
    for (const char c : ascii)
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}
