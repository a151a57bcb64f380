// The fixed names and the string, language, identifier and memory helpers of CGallery, the current
// language, the gallery lock and the program-version comparison.
#include "gallery/facade/Gallery.h"

#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryMemory.h"
#include "gallery/facade/GalleryObservers.h"
#include "gallery/facade/GalleryFacade_p.h"
#include "gallery/online/GalleryOnlineMarketplace.h"
#include "gallery/online/GalleryOnlineResources.h"
#include "support/HomeDirectory.h"

#include <uuid/uuid.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <mutex>

const wchar_t *const CGallery::ImsManifestXml = L"imsmanifest.xml";
const wchar_t *const CGallery::PreferencesPath = L"Software\\Kelda Labs\\Gallery";
const wchar_t *const CGallery::PreferenceFile = L"Gallery";
const wchar_t *const CGallery::DefaultLanguage = L"en";
const wchar_t *const CGallery::UntitledForFilenames = L"Untitled";
const wchar_t *const CGallery::EmptyXmlString = L"\uFEFF";
const wchar_t *const CGallery::WhitespaceChars =
    L"\u0008\u0009\u000A\u000B\u000C\u000D \u00A0\u00A5"
    L"\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009\u200A\u200B"
    L"\u202F\u205F\u3000\uFEFF";
const wchar_t *const CGallery::VellumProgramVersionKey = L"x-keldalabs-vellum";
const wchar_t *const CGallery::IdentifierPrefix = L"http://gallery.keldalabs.invalid/uniqueid";
const wchar_t CGallery::EmptyString[1] = {L'\0'};
bool CGallery::SafeMode = false;

namespace
{

std::recursive_mutex &GalleryMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

std::mutex &LanguageMutex()
{
    static std::mutex mutex;
    return mutex;
}

CAtlString &CurrentLanguage()
{
    static CAtlString language = L"en";
    return language;
}

bool IsWhitespace(wchar_t c)
{
    return c != 0 && std::wcschr(CGallery::WhitespaceChars, c) != nullptr;
}

// The primary subtag ends at the first "-" or "_".
size_t PrimaryLength(const wchar_t *code)
{
    size_t n = 0;
    while (code[n] && code[n] != L'-' && code[n] != L'_')
        ++n;
    return n;
}

bool EqualNoCasePrefix(const wchar_t *a, size_t aLen, const wchar_t *b, size_t bLen)
{
    const size_t n = aLen < bLen ? aLen : bLen;
    for (size_t i = 0; i < n; ++i)
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
    return true;
}

struct Subtag {
    const wchar_t *text;
    size_t length;
};

// The non-empty subtags after the primary one.
std::vector<Subtag> Subtags(const wchar_t *code)
{
    std::vector<Subtag> out;
    const wchar_t *p = code + PrimaryLength(code);
    while (*p) {
        ++p; // the separator
        const wchar_t *start = p;
        while (*p && *p != L'-' && *p != L'_')
            ++p;
        if (p > start) out.push_back({start, static_cast<size_t>(p - start)});
    }
    return out;
}

// Decimal value of a version part, saturating instead of wrapping.
unsigned long long VersionPartValue(const CAtlString &part)
{
    unsigned long long value = 0;
    for (wchar_t c : part) {
        if (c < L'0' || c > L'9') break;
        const unsigned digit = static_cast<unsigned>(c - L'0');
        if (value > (~0ull - digit) / 10) return ~0ull;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

bool CGallery::IsEmptyString(const wchar_t *text)
{
    return !text || text[0] == 0 || (text[0] == 0xFEFF && text[1] == 0);
}

int CGallery::CompareStrings(const wchar_t *a, const wchar_t *b)
{
    const bool emptyA = IsEmptyString(a), emptyB = IsEmptyString(b);
    if (emptyA || emptyB) return emptyA == emptyB ? 0 : (emptyA ? 1 : -1);
    const CAtlString lowerA = Text::ToLower(a), lowerB = Text::ToLower(b);
    const int collated = std::wcscoll(lowerA.c_str(), lowerB.c_str());
    if (collated != 0) return collated < 0 ? -1 : 1;
    const int raw = std::wcscmp(a, b);
    return raw < 0 ? -1 : (raw > 0 ? 1 : 0);
}

// 0: no match or an empty code; 3: same primary and no subtags on either side, or a subtag in common;
// 2: same primary and exactly one side has subtags; 1: same primary, both have subtags, none in common.
// Primaries and subtags compare without regard to case over the shorter length.
int CGallery::MatchLanguages(const wchar_t *a, const wchar_t *b)
{
    if (IsEmptyString(a) || IsEmptyString(b)) return 0;
    if (!EqualNoCasePrefix(a, PrimaryLength(a), b, PrimaryLength(b))) return 0;
    const std::vector<Subtag> subA = Subtags(a), subB = Subtags(b);
    if (subA.empty() && subB.empty()) return 3;
    if (subA.empty() || subB.empty()) return 2;
    for (const Subtag &x : subA)
        for (const Subtag &y : subB)
            if (EqualNoCasePrefix(x.text, x.length, y.text, y.length)) return 3;
    return 1;
}

HRESULT CGallery::Trim(const wchar_t *text, CAtlString &out)
{
    out.clear();
    if (!text) return S_FALSE;
    const wchar_t *begin = text;
    while (IsWhitespace(*begin))
        ++begin;
    const wchar_t *end = begin + std::wcslen(begin);
    while (end > begin && IsWhitespace(end[-1]))
        --end;
    out.assign(begin, end);
    return out.empty() ? S_FALSE : S_OK;
}

HRESULT CGallery::Trim(CAtlString &inOut)
{
    CAtlString trimmed;
    const HRESULT hr = Trim(inOut.c_str(), trimmed);
    inOut.swap(trimmed);
    return hr;
}

HRESULT CGallery::Split(const wchar_t *text, std::vector<CAtlString> &out, const wchar_t *separators, uint32_t flags)
{
    if (!text || !separators) return E_INVALIDARG;
    const size_t before = out.size();
    const wchar_t *p = text;
    for (;;) {
        const size_t n = std::wcscspn(p, separators);
        CAtlString token(p, n);
        if (flags & eSplitFlagsTrim) (void)Trim(token); // fails only without text
        if (!(token.empty() && (flags & eSplitFlagsRemoveEmpty))) out.push_back(std::move(token));
        if (!p[n]) break;
        p += n + 1;
    }
    return out.size() > before ? S_OK : S_FALSE;
}

CAtlString CGallery::NewGuid()
{
    uuid_t uuid;
    uuid_generate(uuid);
    char text[37];
    uuid_unparse_upper(uuid, text);
    return Text::FromUtf8(text);
}

CAtlString CGallery::NewIdentifier(const wchar_t *type)
{
    const wchar_t *word = IsEmptyString(type) ? L"unknown" : type;
    return Text::Format(L"%ls?type=%ls&id=%ls", IdentifierPrefix, word, NewGuid().c_str());
}

uint64_t CGallery::GetHashFromString(const wchar_t *text)
{
    uint64_t h = 5381;
    if (text)
        for (const wchar_t *p = text; *p; ++p)
            h = h * 33 + static_cast<uint32_t>(*p);
    return h;
}

CAtlString CGallery::EncodeFileURI(const wchar_t *path, const wchar_t *base, wchar_t separator)
{
    static const char safe[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz-_.!~*'():/";
    CAtlString out = base ? base : L"file://";
    if (!path) return out;
    static const wchar_t hex[] = L"0123456789ABCDEF";
    for (const wchar_t *p = path; *p; ++p) {
        const wchar_t c = *p == separator ? L'/' : *p;
        if (c < 0x80 && std::strchr(safe, static_cast<char>(c))) {
            out += c;
            continue;
        }
        for (unsigned char byte : Text::ToUtf8(std::wstring_view(&c, 1))) {
            out += L'%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
    return out;
}

CAtlString CGallery::GetFileNameFromTitle(const wchar_t *title)
{
    const wchar_t *source = IsEmptyString(title) ? UntitledForFilenames : title;
    const size_t limit = std::min<size_t>(30, std::wcslen(source));
    CAtlString out;
    bool inSpace = false;
    for (const wchar_t *p = source; *p && out.size() < limit; ++p) {
        const wchar_t c = *p;
        if (std::iswspace(static_cast<wint_t>(c)) || IsWhitespace(c)) {
            if (!inSpace) out += L'_';
            inSpace = true;
            continue;
        }
        inSpace = false;
        if (c >= L'a' && c <= L'z')
            out += static_cast<wchar_t>(c - L'a' + L'A');
        else if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'))
            out += c;
    }
    return out;
}

HRESULT CGallery::AllocateMemory(size_t count, size_t size, void **out)
{
    if (!out) return E_POINTER;
    if (*out) return E_INVALIDARG;
    if (size == 0 || count == 0) return S_FALSE;
    if (count > SIZE_MAX / size) return E_OUTOFMEMORY;
    NoteManagedWrite(out);
    *out = std::calloc(count, size);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CGallery::ReallocateMemory(size_t count, size_t size, void **inOut, size_t oldCount)
{
    if (!inOut) return E_POINTER;
    if (size == 0 || count == 0) {
        FreeMemory(inOut);
        return S_FALSE;
    }
    if (count > SIZE_MAX / size) return E_OUTOFMEMORY;
    NoteManagedWrite(inOut);
    if (IsManagedMemory(*inOut) && *inOut) {
        // A block inside a cache image cannot grow in place: copy it out. The array's owner may hold
        // it through a local copy of the pointer, so the image it came from is told as well.
        NoteManagedWrite(*inOut);
        void *fresh = std::calloc(count, size);
        if (!fresh) return E_OUTOFMEMORY;
        std::memcpy(fresh, *inOut, (oldCount < count ? oldCount : count) * size);
        *inOut = fresh;
        return S_OK;
    }
    void *grown = std::realloc(*inOut, count * size);
    if (!grown) return E_OUTOFMEMORY;
    if (oldCount < count)
        std::memset(static_cast<unsigned char *>(grown) + oldCount * size, 0, (count - oldCount) * size);
    *inOut = grown;
    return S_OK;
}

void CGallery::FreeMemory(void **inOut)
{
    if (!inOut) return;
    if (!IsManagedMemory(*inOut)) std::free(*inOut);
    *inOut = nullptr;
}

HRESULT CGallery::AllocateString(const wchar_t *text, size_t length, const wchar_t **out)
{
    if (!out) return E_POINTER;
    const wchar_t *old = *out;
    if (!text || length == 0) {
        *out = EmptyString;
    } else {
        auto *copy = static_cast<wchar_t *>(std::malloc((length + 1) * sizeof(wchar_t)));
        if (!copy) return E_OUTOFMEMORY;
        NoteManagedWrite(out);
        std::wmemcpy(copy, text, length);
        copy[length] = 0;
        *out = copy;
    }
    if (old && old != *out && !IsManagedMemory(old)) std::free(const_cast<wchar_t *>(old));
    return S_OK;
}

HRESULT CGallery::AllocateString(const wchar_t *text, const wchar_t **out)
{
    return AllocateString(text, text ? std::wcslen(text) : 0, out);
}

void CGallery::FreeString(const wchar_t **inOut)
{
    if (!inOut) return;
    if (!IsManagedMemory(*inOut)) std::free(const_cast<wchar_t *>(*inOut));
    *inOut = EmptyString;
}

HRESULT CGallery::CheckStringSanity(const wchar_t *text)
{
    return text ? S_OK : E_POINTER;
}

bool CGallery::IsManagedMemory(const void *address)
{
    return CGalleryMemory::IsManagedMemory(address);
}
void CGallery::NoteManagedWrite(const void *address)
{
    CGalleryMemory::NoteWrite(address);
}
bool CGallery::IsInCleanBlock(const void *address)
{
    return CGalleryMemory::IsInCleanBlock(address);
}

CAtlString CGallery::GetCurrentLanguage()
{
    std::lock_guard<std::mutex> guard(LanguageMutex());
    return CurrentLanguage();
}

void CGallery::SetCurrentLanguage(const wchar_t *language, bool notify)
{
    CGalleryLock lock;
    {
        std::lock_guard<std::mutex> guard(LanguageMutex());
        CurrentLanguage() = IsEmptyString(language) ? DefaultLanguage : language;
    }
    // The online entries are named in the current language (texts 21 and 36).
    GalleryFacade::State &state = GalleryFacade::TheState();
    if (state.onlineResources) state.onlineResources->SetName(GetDisplayText(CGalleryOnlineResources::kNameText));
    if (state.onlineMarketplace) state.onlineMarketplace->SetName(GetDisplayText(CGalleryOnlineMarketplace::kNameText));
    if (notify) NotifyObservers(eGalleryNotificationLanguageChanged, std::vector<CGalleryObject *>());
}

HRESULT CGallery::Lock()
{
    try {
        GalleryMutex().lock();
    } catch (...) {
        return E_FAIL;
    }
    return S_OK;
}

void CGallery::Unlock()
{
    GalleryMutex().unlock();
}

CGalleryKeyedStringCollection *CGallery::GetProgramVersions()
{
    static CGalleryKeyedStringCollection *versions = [] {
        // Null when out of memory; callers take a missing collection as no versions known.
        CGalleryKeyedStringCollection *created = nullptr;
        (void)CGalleryKeyedStringCollection::CreateInstance(&created);
        return created;
    }();
    return versions;
}

// Versions are split on ".-/_,"; a "*" on either side matches any part; a missing installed part is
// lower. A required text with ":" or ";" is a platform:version list of which "unix" applies here.
int CGallery::CompareProgramVersion(const wchar_t *installed, const wchar_t *required)
{
    if (IsEmptyString(installed) || IsEmptyString(required)) return 0;
    if (std::wcspbrk(required, L":;")) {
        CGalleryKeyedStringCollection *pairs = nullptr;
        if (FAILED(CGalleryKeyedStringCollection::CreateInstance(&pairs))) return 0;
        const HRESULT hr = pairs->SplitAddUnique(required, L":;");
        int result = 0;
        if (hr == S_OK) {
            const CAtlString unixVersion = pairs->GetString(L"unix");
            result = unixVersion.empty() ? 0 : CompareProgramVersion(installed, unixVersion.c_str());
        }
        CGalleryKeyedStringCollection::DeleteInstance(&pairs);
        if (hr == S_OK) return result;
        // No pair: compare the whole text as a plain version below.
    }
    std::vector<CAtlString> have, want;
    // S_FALSE (no parts) leaves the list empty, which compares as such.
    (void)Split(installed, have, L".-/_,", eSplitFlagsRemoveEmpty);
    (void)Split(required, want, L".-/_,", eSplitFlagsRemoveEmpty);
    for (size_t i = 0; i < want.size(); ++i) {
        if (want[i] == L"*") continue;
        if (i >= have.size()) return -1;
        if (have[i] == L"*") continue;
        const unsigned long long a = VersionPartValue(have[i]), b = VersionPartValue(want[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    return 0;
}

bool CGallery::CurrentUserCanWriteFile(const wchar_t *path)
{
    if (!path) return false;
    return ::access(Text::ToUtf8(path).c_str(), W_OK) == 0;
}

CAtlString CGallery::GetCacheFolderPath()
{
    return Text::FromUtf8(HomeDirectory::Path()) + L"/.Kelda Labs Inc/Kelda Board Software/Gallery";
}

CAtlString CGallery::GetCachePath(const CAtlString &xmlPath)
{
    const CAtlString full = StandardizePath(xmlPath);
    CAtlString directory = full.substr(0, full.rfind(L'/') == CAtlString::npos ? 0 : full.rfind(L'/'));
    while (!directory.empty() && directory.back() == L'/')
        directory.pop_back();
    const size_t slash = directory.rfind(L'/');
    const CAtlString last = slash == CAtlString::npos ? directory : directory.substr(slash + 1);
    const uint32_t hash = static_cast<uint32_t>(GetHashFromString(full.c_str()));
    const CAtlString name = Text::ToLower(last + Text::Format(L"_%08x.cache", hash));
    return GetCacheFolderPath() + L"/" + name;
}

CAtlString CGallery::GetDisplayText(int number)
{
    switch (number) {
    case 21:
        return L"Online Resources";
    case 33:
        return L"Folder";
    case 36:
        return L"Marketplace";
    default:
        return CAtlString();
    }
}
