// Tokenizer of ".strings" translation tables.
#include "settings/StringsFile.h"

namespace StringsFile
{
namespace
{

// UTF-16 units of the content after the byte-order mark, in host order.
std::u16string Units(std::string_view bytes)
{
    const bool bigEndian = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
                           static_cast<unsigned char>(bytes[1]) == 0xFF;
    std::u16string units;
    const size_t count = bytes.size() / 2;
    if (count <= 1) return units;
    units.reserve(count - 1);
    for (size_t i = 1; i < count; ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    return units;
}

CAtlString ToWide(const std::u16string &units)
{
    CAtlString text;
    text.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD; // unpaired surrogate
        }
        text.push_back(static_cast<wchar_t>(c));
    }
    return text;
}

bool IsSeparator(char16_t c)
{
    return c == u'=' || c == u';' || c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

int HexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

} // namespace

std::vector<CAtlString> Tokenize(std::string_view bytes)
{
    const std::u16string units = Units(bytes);
    std::vector<CAtlString> tokens;
    std::u16string token;
    bool inToken = false; // a quoted part, even an empty one, makes a token
    auto append = [&](char16_t c) {
        if (token.size() < MaxTokenLength) token.push_back(c);
    };
    auto finish = [&] {
        if (inToken) tokens.push_back(ToWide(token));
        token.clear();
        inToken = false;
    };

    const size_t n = units.size();
    size_t i = 0;
    while (i < n) {
        const char16_t c = units[i];
        if (c == u'"') {
            inToken = true;
            ++i;
            while (i < n && units[i] != u'"') {
                if (units[i] != u'\\' || i + 1 >= n) {
                    append(units[i++]);
                    continue;
                }
                const char16_t e = units[i + 1];
                i += 2;
                switch (e) {
                case u'"':
                    append(u'"');
                    break;
                case u'\\':
                    append(u'\\');
                    break;
                case u'n':
                    append(u'\n');
                    break;
                case u't':
                    append(u'\t');
                    break;
                case u'r':
                    append(u'\r');
                    break;
                case u'u': {
                    int value = 0;
                    size_t k = 0;
                    for (; k < 4 && i + k < n && HexValue(units[i + k]) >= 0; ++k)
                        value = value * 16 + HexValue(units[i + k]);
                    if (k == 4) {
                        append(static_cast<char16_t>(value));
                        i += 4;
                    } else { // not an escape after all: keep the text as written
                        append(u'\\');
                        append(u'u');
                    }
                    break;
                }
                default: // unknown escape: kept as written
                    append(u'\\');
                    append(e);
                    break;
                }
            }
            if (i < n) ++i; // closing quote
        } else if (c == u'/' && i + 1 < n && units[i + 1] == u'*') {
            finish();
            const size_t end = units.find(u"*/", i + 2);
            i = end == std::u16string::npos ? n : end + 2;
        } else if (c == u'/' && i + 1 < n && units[i + 1] == u'/') {
            finish();
            while (i < n && units[i] != u'\n')
                ++i;
        } else if (IsSeparator(c)) {
            finish();
            ++i;
        } else {
            inToken = true;
            append(c);
            ++i;
        }
    }
    finish();
    return tokens;
}

bool ReplaceEntities(CAtlString &text)
{
    if (text.find(L'&') == CAtlString::npos) return false;
    CAtlString replaced = Text::ReplaceAll(text, L"&quot;", L"\"");
    replaced = Text::ReplaceAll(replaced, L"&lt;", L"<");
    replaced = Text::ReplaceAll(replaced, L"&gt;", L">");
    if (replaced == text) return false;
    text.swap(replaced);
    return true;
}

std::vector<std::pair<CAtlString, CAtlString>> ReadPairs(std::string_view bytes)
{
    std::vector<CAtlString> tokens = Tokenize(bytes);
    std::vector<std::pair<CAtlString, CAtlString>> pairs;
    for (size_t i = 0; i + 1 < tokens.size(); i += 2) {
        if (tokens[i + 1].empty()) continue;
        ReplaceEntities(tokens[i]);
        pairs.emplace_back(std::move(tokens[i]), std::move(tokens[i + 1]));
    }
    return pairs;
}

} // namespace StringsFile
