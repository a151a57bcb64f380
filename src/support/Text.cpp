// UTF-8 conversion, case mapping, trimming and formatting for the two text types.
#include "support/Text.h"

#include "support/Limits.h"

#include <QChar>
#include <QString>
#include <QVector>

#include <unicode/utf8.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace Text
{
namespace
{

// Largest stretch of UTF-8 handed to ICU at once (its lengths are 32-bit).
constexpr size_t kWindow = size_t(1) << 30;

bool IsSpace(wchar_t c)
{
    return QChar::isSpace(static_cast<uint>(c));
}

} // namespace

// The UTF-8 steps are ICU's: a malformed sequence becomes one U+FFFD for its maximal ill-formed
// prefix (at least one byte), overlong forms and encoded surrogates included. ICU counts in 32 bits,
// so longer texts go through in windows; a sequence (at most 4 bytes) never straddles two of them.
namespace
{
// Walks utf8 in windows that ICU can count; step(bytes, i, length) decodes the code point at i of the
// window and says whether to go on. A window ends early enough that no sequence straddles two.
template <class Step> bool WalkUtf8(std::string_view utf8, Step step)
{
    for (size_t at = 0; at < utf8.size();) {
        const auto *bytes = reinterpret_cast<const uint8_t *>(utf8.data() + at);
        const auto length = static_cast<int32_t>(std::min(utf8.size() - at, kWindow));
        const int32_t stop = at + static_cast<size_t>(length) == utf8.size() ? length : length - U8_MAX_LENGTH;
        int32_t i = 0;
        while (i < stop)
            if (!step(bytes, i, length)) return false;
        at += static_cast<size_t>(i);
    }
    return true;
}
} // namespace

CAtlString FromUtf8(std::string_view utf8)
{
    CAtlString out(utf8.size(), L'\0');
    size_t n = 0;
    (void)WalkUtf8(utf8, [&](const uint8_t *bytes, int32_t &i, int32_t length) {
        UChar32 c;
        U8_NEXT_OR_FFFD(bytes, i, length, c);
        out[n++] = static_cast<wchar_t>(c);
        return true;
    });
    out.resize(n);
    return out;
}

CAtlStringA ToUtf8(std::wstring_view wide)
{
    CAtlStringA out;
    out.reserve(wide.size());
    uint8_t piece[U8_MAX_LENGTH * 256];
    for (size_t at = 0; at < wide.size();) {
        const size_t count = std::min<size_t>(wide.size() - at, 256);
        int32_t n = 0;
        for (size_t k = 0; k < count; ++k) {
            auto c = static_cast<UChar32>(wide[at + k]);
            if (U_IS_SURROGATE(c) || static_cast<uint32_t>(c) > 0x10FFFF) c = 0xFFFD;
            U8_APPEND_UNSAFE(piece, n, c);
        }
        out.append(reinterpret_cast<const char *>(piece), static_cast<size_t>(n));
        at += count;
    }
    return out;
}

bool IsValidUtf8(std::string_view utf8)
{
    return WalkUtf8(utf8, [](const uint8_t *bytes, int32_t &i, int32_t length) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        return c >= 0;
    });
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
        // vswprintf does not report the needed size; grow until it fits, up to the limit.
        if (buffer.size() >= Limits::kMaxFormattedText) return CAtlString();
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
