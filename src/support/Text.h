// Text types and the few helpers the code needs around them.
// CAtlString is wide text (wchar_t is a 32-bit code unit here), CAtlStringA is 8-bit text, UTF-8 unless
// a caller says otherwise. QString appears only at the Qt boundary.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

class QString;

using CAtlString = std::wstring;
using CAtlStringA = std::string;

namespace Text
{

// UTF-8 <-> wide. Invalid UTF-8 sequences become U+FFFD; wide values that are not scalar values
// (surrogates, > U+10FFFF) are written as U+FFFD.
CAtlString FromUtf8(std::string_view utf8);
CAtlStringA ToUtf8(std::wstring_view wide);
// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// Qt boundary.
QString ToQt(std::wstring_view wide);
QString ToQt(std::string_view utf8);
CAtlString FromQt(const QString &text);
CAtlStringA FromQtUtf8(const QString &text);

// Unicode simple case mapping.
CAtlString ToLower(std::wstring_view text);
CAtlString ToUpper(std::wstring_view text);
CAtlStringA ToLowerAscii(std::string_view text);
// Case-insensitive comparison: <0, 0, >0 like wcscmp.
int CompareNoCase(std::wstring_view a, std::wstring_view b);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool EqualsNoCaseAscii(std::string_view a, std::string_view b);

bool StartsWith(std::wstring_view text, std::wstring_view prefix, bool ignoreCase = false);
bool EndsWith(std::wstring_view text, std::wstring_view suffix, bool ignoreCase = false);

// Whitespace trimming (Unicode white space).
CAtlString Trim(std::wstring_view text);
CAtlString TrimLeft(std::wstring_view text);
CAtlString TrimRight(std::wstring_view text);
CAtlStringA TrimA(std::string_view text);

// Splits at every separator; empty fields are kept.
std::vector<CAtlString> Split(std::wstring_view text, wchar_t separator);
CAtlString ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to);

// printf-style formatting; %s in the wide form takes const wchar_t*, %hs takes const char*.
CAtlString Format(const wchar_t *format, ...);
CAtlString FormatV(const wchar_t *format, va_list args);
CAtlStringA FormatA(const char *format, ...) __attribute__((format(printf, 1, 2)));
CAtlStringA FormatVA(const char *format, va_list args);

} // namespace Text
