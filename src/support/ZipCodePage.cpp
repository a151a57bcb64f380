// OEM code pages of ZIP entry names, the per-name lookup hook and NFC normalisation (ICU).
#include "support/ZipCodePage.h"

#include <mutex>

#include <unicode/normalizer2.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

namespace ZipPlatform
{
namespace
{

struct CodePage {
    unsigned number;
    const char *converter;
    const char *languages[26];
};

// Search order matters: ISO639ToOEMCP and SuggestOEMCP walk it from the top.
const CodePage kCodePages[] = {
    {850, "ibm-850_P100-1995", {"en", "da", "de", "es", "fi", "fr", "it", "nb", "no", "nl", "pt", "sv", "ca",
                                "cy", "eu", "ga", "gd", "gl", "hi", "is", "mi", "ms", "ro", "sw", "va"}},
    {932, "ibm-943_P15A-2003", {"ja"}},
    {936, "windows-936-2000", {"zh_cn", "zh-cn"}},
    {950, "ibm-950_P110-1999", {"zh_tw", "zh-tw"}},
    {720, "ibm-720_P100-1997", {"ar", "fa"}},
    {737, "ibm-737_P100-1997", {"el"}},
    {852, "ibm-852_P100-1995", {"hu", "cs", "pl", "sl", "sq"}},
    {866, "ibm-866_P100-1995", {"ru", "kk", "mk", "uk"}},
    {949, "windows-949-2000", {"ko"}},
    {857, "ibm-857_P100-1995", {"tr"}},
    {775, "ibm-775_P100-1996", {"et", "lt", "lv"}},
    {862, "ibm-862_P100-1995", {"he"}},
    {874, "windows-874-2000", {"th"}},
};

const char *ConverterName(unsigned codePage)
{
    for (const CodePage &page : kCodePages)
        if (page.number == codePage) return page.converter;
    return kCodePages[0].converter;
}

void DefaultLookup(void *, const char *, size_t, unsigned &codePage)
{
    codePage = kDefaultOEMCP;
}

std::mutex g_lookupMutex;
OEMCPLookupProc g_lookup = &DefaultLookup;
void *g_lookupContext = nullptr;

// "/" and "\" alike, runs of separators as one.
CAtlString FoldSeparators(std::wstring_view name)
{
    CAtlString out;
    out.reserve(name.size());
    for (wchar_t c : name) {
        if (c == L'\\') c = L'/';
        if (c == L'/' && !out.empty() && out.back() == L'/') continue;
        out.push_back(c);
    }
    return out;
}

} // namespace

void SetOEMCPLookupProc(OEMCPLookupProc &proc, void *&context)
{
    const std::lock_guard<std::mutex> lock(g_lookupMutex);
    OEMCPLookupProc previous = g_lookup;
    void *previousContext = g_lookupContext;
    g_lookup = proc ? proc : &DefaultLookup;
    g_lookupContext = proc ? context : nullptr;
    proc = previous == &DefaultLookup ? nullptr : previous;
    context = previousContext;
}

unsigned LookupOEMCP(const char *name, size_t length)
{
    OEMCPLookupProc proc;
    void *context;
    {
        const std::lock_guard<std::mutex> lock(g_lookupMutex);
        proc = g_lookup;
        context = g_lookupContext;
    }
    unsigned codePage = kDefaultOEMCP;
    proc(context, name, length, codePage);
    return codePage;
}

unsigned ISO639ToOEMCP(std::string_view language)
{
    for (const CodePage &page : kCodePages)
        for (const char *code : page.languages) {
            if (!code) break;
            const std::string_view c(code);
            if (language.size() >= c.size() && Text::EqualsNoCaseAscii(language.substr(0, c.size()), c))
                return page.number;
        }
    return kDefaultOEMCP;
}

bool OEMCPToWide(std::string_view bytes, unsigned codePage, CAtlString &text)
{
    text.clear();
    if (bytes.size() > INT32_MAX) return false;
    UErrorCode status = U_ZERO_ERROR;
    UConverter *converter = ucnv_open(ConverterName(codePage), &status);
    if (U_FAILURE(status)) return false;
    const icu::UnicodeString decoded(bytes.data(), static_cast<int32_t>(bytes.size()), converter, status);
    ucnv_close(converter);
    if (U_FAILURE(status)) return false;
    std::string utf8;
    decoded.toUTF8String(utf8);
    text = Text::FromUtf8(utf8);
    return true;
}

bool WideToOEMCP(std::wstring_view text, unsigned codePage, std::string &bytes)
{
    bytes.clear();
    const std::string utf8 = Text::ToUtf8(text);
    const icu::UnicodeString source = icu::UnicodeString::fromUTF8(utf8);
    UErrorCode status = U_ZERO_ERROR;
    UConverter *converter = ucnv_open(ConverterName(codePage), &status);
    if (U_FAILURE(status)) return false;
    const int32_t needed = source.extract(nullptr, 0, converter, status);
    if (status == U_BUFFER_OVERFLOW_ERROR) status = U_ZERO_ERROR;
    if (U_SUCCESS(status) && needed > 0) {
        bytes.resize(static_cast<size_t>(needed));
        source.extract(bytes.data(), needed, converter, status);
        if (status == U_STRING_NOT_TERMINATED_WARNING) status = U_ZERO_ERROR;
    }
    ucnv_close(converter);
    if (U_FAILURE(status)) bytes.clear();
    return U_SUCCESS(status);
}

unsigned SuggestOEMCP(const char *name, size_t length, const CAtlString *knownNames, size_t count,
                      unsigned systemDefault, unsigned applicationDefault)
{
    if (!name || !knownNames || count == 0) return kDefaultOEMCP;
    std::vector<CAtlString> known;
    known.reserve(count);
    for (size_t i = 0; i < count; ++i)
        known.push_back(FoldSeparators(knownNames[i]));

    std::vector<unsigned> candidates{systemDefault};
    if (applicationDefault != systemDefault) candidates.push_back(applicationDefault);
    for (const CodePage &page : kCodePages)
        if (page.number != systemDefault && page.number != applicationDefault) candidates.push_back(page.number);

    const std::string_view raw(name, length);
    for (const unsigned codePage : candidates) {
        CAtlString decoded;
        if (!OEMCPToWide(raw, codePage, decoded)) continue;
        decoded = FoldSeparators(decoded);
        for (const CAtlString &k : known)
            if (k == decoded) return codePage;
    }
    return kDefaultOEMCP;
}

bool IsUtf8Name(std::string_view raw)
{
    for (const char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) return false;
    }
    return Text::IsValidUtf8(raw);
}

CAtlString DecodeEntryName(std::string_view raw)
{
    if (IsUtf8Name(raw)) return Text::FromUtf8(raw);
    CAtlString text;
    if (OEMCPToWide(raw, LookupOEMCP(raw.data(), raw.size()), text)) return text;
    return Text::FromUtf8(raw); // no converter at all: replacement characters rather than nothing
}

std::string EncodeEntryName(std::wstring_view name)
{
    const std::string utf8 = Text::ToUtf8(name);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return utf8;
    const icu::UnicodeString normalised = nfc->normalize(icu::UnicodeString::fromUTF8(utf8), status);
    if (U_FAILURE(status)) return utf8;
    std::string out;
    normalised.toUTF8String(out);
    return out;
}

} // namespace ZipPlatform
