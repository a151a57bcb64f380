// UTF-8 conversion, case mapping, trimming and formatting for the two text types.
#include "support/Text.h"

#include <QChar>
#include <QString>
#include <QVector>

#include <cwchar>
#include <cwctype>

namespace Text
{
namespace
{

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one scalar value at bytes[i]; advances i. Returns kReplacement for a malformed sequence,
// consuming the maximal ill-formed prefix (at least one byte).
char32_t DecodeOne(std::string_view bytes, size_t &i, bool &ok)
{
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    ok = true;
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int length = 0;
    char32_t value = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        value = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        value = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        value = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        ++i;
        ok = false;
        return kReplacement;
    }
    size_t j = i + 1;
    for (int k = 1; k < length; ++k, ++j) {
        if (j >= bytes.size()) {
            i = j;
            ok = false;
            return kReplacement;
        }
        const auto b = static_cast<unsigned char>(bytes[j]);
        if (b < lo || b > hi) {
            i = j;
            ok = false;
            return kReplacement;
        }
        lo = 0x80;
        hi = 0xBF;
        value = (value << 6) | (b & 0x3F);
    }
    i = j;
    return value;
}

void AppendUtf8(std::string &out, char32_t c)
{
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool IsSpace(wchar_t c)
{
    return QChar::isSpace(static_cast<uint>(c));
}

} // namespace

CAtlString FromUtf8(std::string_view utf8)
{
    CAtlString out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        bool ok;
        out.push_back(static_cast<wchar_t>(DecodeOne(utf8, i, ok)));
    }
    return out;
}

CAtlStringA ToUtf8(std::wstring_view wide)
{
    CAtlStringA out;
    out.reserve(wide.size());
    for (wchar_t c : wide)
        AppendUtf8(out, static_cast<char32_t>(c));
    return out;
}

bool IsValidUtf8(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        bool ok;
        DecodeOne(bytes, i, ok);
        if (!ok) return false;
    }
    return true;
}

QString ToQt(std::wstring_view wide)
{
    return QString::fromUcs4(reinterpret_cast<const uint *>(wide.data()), static_cast<int>(wide.size()));
}

QString ToQt(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size()));
}

CAtlString FromQt(const QString &text)
{
    const QVector<uint> ucs4 = text.toUcs4();
    return CAtlString(reinterpret_cast<const wchar_t *>(ucs4.constData()), static_cast<size_t>(ucs4.size()));
}

CAtlStringA FromQtUtf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

CAtlString ToLower(std::wstring_view text)
{
    CAtlString out(text);
    for (auto &c : out)
        c = static_cast<wchar_t>(QChar::toLower(static_cast<uint>(c)));
    return out;
}

CAtlString ToUpper(std::wstring_view text)
{
    CAtlString out(text);
    for (auto &c : out)
        c = static_cast<wchar_t>(QChar::toUpper(static_cast<uint>(c)));
    return out;
}

CAtlStringA ToLowerAscii(std::string_view text)
{
    CAtlStringA out(text);
    for (auto &c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

int CompareNoCase(std::wstring_view a, std::wstring_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const uint ca = QChar::toLower(static_cast<uint>(a[i]));
        const uint cb = QChar::toLower(static_cast<uint>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char ca = a[i], cb = b[i];
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<char>(cb - 'A' + 'a');
        if (ca != cb) return false;
    }
    return true;
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix, bool ignoreCase)
{
    if (prefix.size() > text.size()) return false;
    const auto head = text.substr(0, prefix.size());
    return ignoreCase ? EqualsNoCase(head, prefix) : head == prefix;
}

bool EndsWith(std::wstring_view text, std::wstring_view suffix, bool ignoreCase)
{
    if (suffix.size() > text.size()) return false;
    const auto tail = text.substr(text.size() - suffix.size());
    return ignoreCase ? EqualsNoCase(tail, suffix) : tail == suffix;
}

CAtlString TrimLeft(std::wstring_view text)
{
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    return CAtlString(text.substr(i));
}

CAtlString TrimRight(std::wstring_view text)
{
    size_t n = text.size();
    while (n > 0 && IsSpace(text[n - 1]))
        --n;
    return CAtlString(text.substr(0, n));
}

CAtlString Trim(std::wstring_view text)
{
    return TrimLeft(TrimRight(text));
}

CAtlStringA TrimA(std::string_view text)
{
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
    size_t b = 0, e = text.size();
    while (b < e && space(text[b]))
        ++b;
    while (e > b && space(text[e - 1]))
        --e;
    return CAtlStringA(text.substr(b, e - b));
}

std::vector<CAtlString> Split(std::wstring_view text, wchar_t separator)
{
    std::vector<CAtlString> parts;
    size_t start = 0;
    for (;;) {
        const size_t pos = text.find(separator, start);
        if (pos == std::wstring_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

CAtlString ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to)
{
    if (from.empty()) return CAtlString(text);
    CAtlString out;
    size_t start = 0;
    for (size_t pos; (pos = text.find(from, start)) != std::wstring_view::npos; start = pos + from.size()) {
        out.append(text.substr(start, pos - start));
        out.append(to);
    }
    out.append(text.substr(start));
    return out;
}

CAtlString FormatV(const wchar_t *format, va_list args)
{
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        const int n = std::vswprintf(buffer.data(), buffer.size(), format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buffer.size()) return CAtlString(buffer.data(), static_cast<size_t>(n));
        // vswprintf does not report the needed size; grow until it fits (bounded by 64 MiB of text).
        if (buffer.size() >= (size_t(1) << 26)) return CAtlString();
        buffer.resize(buffer.size() * 4);
    }
}

CAtlString Format(const wchar_t *format, ...)
{
    va_list args;
    va_start(args, format);
    CAtlString out = FormatV(format, args);
    va_end(args);
    return out;
}

CAtlStringA FormatVA(const char *format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return CAtlStringA();
    CAtlStringA out(static_cast<size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, args);
    return out;
}

CAtlStringA FormatA(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    CAtlStringA out = FormatVA(format, args);
    va_end(args);
    return out;
}

} // namespace Text
