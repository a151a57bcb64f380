// The one-buffer pair layout of the string collections.
#include "gallery/records/GalleryPairBuffer_p.h"

#include "gallery/facade/Gallery.h"

#include <cstdlib>
#include <cwchar>

namespace GalleryPairBuffer
{

std::vector<Pair> Parse(const wchar_t *buffer)
{
    std::vector<Pair> pairs;
    if (!buffer) return pairs;
    const wchar_t *p = buffer;
    while (*p) {
        const size_t a = std::wcslen(p);
        const wchar_t *second = p + a + 1;
        const size_t b = std::wcslen(second);
        pairs.push_back({std::wstring_view(p, a), std::wstring_view(second, b)});
        p = second + b + 1;
    }
    return pairs;
}

uint32_t Count(const wchar_t *buffer)
{
    uint32_t n = 0;
    if (!buffer) return 0;
    for (const wchar_t *p = buffer; *p;) {
        p += std::wcslen(p) + 1;
        p += std::wcslen(p) + 1;
        ++n;
    }
    return n;
}

bool At(const wchar_t *buffer, uint32_t index, const wchar_t **first, const wchar_t **second)
{
    if (!buffer) return false;
    uint32_t n = 0;
    for (const wchar_t *p = buffer; *p; ++n) {
        const wchar_t *a = p;
        p += std::wcslen(p) + 1;
        const wchar_t *b = p;
        p += std::wcslen(p) + 1;
        if (n == index) {
            if (first) *first = a;
            if (second) *second = b;
            return true;
        }
    }
    return false;
}

size_t Length(const wchar_t *buffer)
{
    if (!buffer) return 1;
    const wchar_t *p = buffer;
    while (*p) {
        p += std::wcslen(p) + 1;
        p += std::wcslen(p) + 1;
    }
    return static_cast<size_t>(p - buffer) + 1;
}

HRESULT Append(const wchar_t **buffer, std::wstring_view first, std::wstring_view second)
{
    if (first.empty()) return E_INVALIDARG;
    const size_t used = Length(*buffer) - 1; // without the final 0
    const size_t total = used + first.size() + 1 + second.size() + 1 + 1;
    auto *fresh = static_cast<wchar_t *>(std::malloc(total * sizeof(wchar_t)));
    if (!fresh) return E_OUTOFMEMORY;
    CGallery::NoteManagedWrite(buffer);
    wchar_t *q = fresh;
    if (used) std::wmemcpy(q, *buffer, used);
    q += used;
    std::wmemcpy(q, first.data(), first.size());
    q += first.size();
    *q++ = 0;
    if (!second.empty()) std::wmemcpy(q, second.data(), second.size());
    q += second.size();
    *q++ = 0;
    *q = 0;
    Release(buffer);
    *buffer = fresh;
    return S_OK;
}

HRESULT Build(const wchar_t **buffer, const std::vector<Pair> &pairs)
{
    if (pairs.empty()) {
        Release(buffer);
        return S_OK;
    }
    size_t total = 1;
    for (const Pair &pair : pairs)
        total += pair.first.size() + pair.second.size() + 2;
    auto *fresh = static_cast<wchar_t *>(std::malloc(total * sizeof(wchar_t)));
    if (!fresh) return E_OUTOFMEMORY;
    CGallery::NoteManagedWrite(buffer);
    wchar_t *q = fresh;
    for (const Pair &pair : pairs) {
        if (!pair.first.empty()) std::wmemcpy(q, pair.first.data(), pair.first.size());
        q += pair.first.size();
        *q++ = 0;
        if (!pair.second.empty()) std::wmemcpy(q, pair.second.data(), pair.second.size());
        q += pair.second.size();
        *q++ = 0;
    }
    *q = 0;
    Release(buffer);
    *buffer = fresh;
    return S_OK;
}

void Release(const wchar_t **buffer)
{
    if (!CGallery::IsManagedMemory(*buffer)) std::free(const_cast<wchar_t *>(*buffer));
    *buffer = CGallery::EmptyString;
}

} // namespace GalleryPairBuffer
