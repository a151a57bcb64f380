// Entry-name conversion of the ZIP layer. Names are written as UTF-8 in Unicode normalisation form C.
// Names are read as UTF-8 when every byte is printable ASCII or part of a well-formed multi-byte
// sequence; otherwise they are decoded with an OEM code page chosen per name by the current lookup
// procedure (the default answers 850). The code pages known here, with their ICU converters and the
// language codes that select them, are listed in ZipCodePage.cpp in search order.
#pragma once

#include "support/Text.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ZipPlatform
{

constexpr unsigned kDefaultOEMCP = 850;

// Writes the code page to use for the raw name bytes into codePage.
using OEMCPLookupProc = void (*)(void *context, const char *name, size_t length, unsigned &codePage);

// Installs proc with its context and hands the previous pair back through the same arguments.
// A null proc restores the default lookup. Process-wide.
void SetOEMCPLookupProc(OEMCPLookupProc &proc, void *&context);
// The code page the current lookup chooses for a name.
unsigned LookupOEMCP(const char *name, size_t length);

// The code page for a language code: the first table language that the code begins with, ignoring
// case; 850 when none does.
unsigned ISO639ToOEMCP(std::string_view language);
// Decodes bytes with a code page (unknown code pages as 850). False when the converter is missing.
[[nodiscard]] bool OEMCPToWide(std::string_view bytes, unsigned codePage, CAtlString &text);
[[nodiscard]] bool WideToOEMCP(std::wstring_view text, unsigned codePage, std::string &bytes);
// The first code page under which the raw name equals one of the known names ("/" and "\" alike, runs
// of separators as one), trying the system default, the application default, then the table in order;
// 850 when none matches.
unsigned SuggestOEMCP(const char *name, size_t length, const CAtlString *knownNames, size_t count,
                      unsigned systemDefault, unsigned applicationDefault);

// Every byte printable ASCII or part of a well-formed UTF-8 sequence.
[[nodiscard]] bool IsUtf8Name(std::string_view raw);
// Raw entry name -> text, by the rules above.
CAtlString DecodeEntryName(std::string_view raw);
// Text -> NFC UTF-8 for a new entry.
std::string EncodeEntryName(std::wstring_view name);

} // namespace ZipPlatform
