// The one-buffer pair layout of the string collections.
#include "gallery/records/GalleryPairBuffer_p.h"

#include "gallery/facade/Gallery.h"

#include <algorithm>
#include <cstdint>
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

namespace
{

// A buffer this file allocates sits behind a small header that records the characters in use (final 0
// included) and the capacity, so an append neither re-walks nor copies the pairs before it. Buffers in
// managed memory (the cache image) and the shared empty string have no header.
struct Header {
    size_t used;
    size_t capacity;
};
static_assert(sizeof(Header) % alignof(wchar_t) == 0, "the text must stay aligned behind the header");

Header *HeaderOf(const wchar_t *buffer)
{
    return reinterpret_cast<Header *>(const_cast<char *>(reinterpret_cast<const char *>(buffer)) - sizeof(Header));
}

bool Owned(const wchar_t *buffer)
{
    return buffer && buffer != CGallery::EmptyString && !CGallery::IsManagedMemory(buffer);
}

wchar_t *Allocate(size_t capacity)
{
    if (capacity > (SIZE_MAX - sizeof(Header)) / sizeof(wchar_t)) return nullptr;
    auto *header = static_cast<Header *>(std::malloc(sizeof(Header) + capacity * sizeof(wchar_t)));
    if (!header) return nullptr;
    header->used = 0;
    header->capacity = capacity;
    return reinterpret_cast<wchar_t *>(reinterpret_cast<char *>(header) + sizeof(Header));
}

void Free(const wchar_t *buffer)
{
    if (Owned(buffer)) std::free(HeaderOf(buffer));
}

size_t Walk(const wchar_t *buffer)
{
    if (!buffer) return 1;
    const wchar_t *p = buffer;
    while (*p) {
        p += std::wcslen(p) + 1;
        p += std::wcslen(p) + 1;
    }
    return static_cast<size_t>(p - buffer) + 1;
}

wchar_t *Put(wchar_t *q, std::wstring_view text)
{
    if (!text.empty()) std::wmemcpy(q, text.data(), text.size());
    q += text.size();
    *q++ = 0;
    return q;
}

} // namespace

size_t Length(const wchar_t *buffer)
{
    return Owned(buffer) ? HeaderOf(buffer)->used : Walk(buffer);
}

HRESULT Append(const wchar_t **buffer, std::wstring_view first, std::wstring_view second)
{
    if (first.empty()) return E_INVALIDARG;
    const size_t used = Length(*buffer) - 1; // without the final 0
    const size_t total = used + first.size() + 1 + second.size() + 1 + 1;
    CGallery::NoteManagedWrite(buffer);
    wchar_t *target = nullptr;
    if (Owned(*buffer) && HeaderOf(*buffer)->capacity >= total) {
        target = const_cast<wchar_t *>(*buffer);
    } else {
        // Geometric growth keeps a run of appends linear in the total size.
        size_t capacity = Owned(*buffer) ? HeaderOf(*buffer)->capacity : 0;
        capacity = capacity > SIZE_MAX / 2 ? total : std::max(total, capacity * 2);
        target = Allocate(std::max<size_t>(capacity, 16));
        if (!target) return E_OUTOFMEMORY;
        if (used) std::wmemcpy(target, *buffer, used);
        Free(*buffer);
        *buffer = target;
    }
    wchar_t *q = Put(Put(target + used, first), second);
    *q = 0;
    HeaderOf(target)->used = total;
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
    wchar_t *fresh = Allocate(total);
    if (!fresh) return E_OUTOFMEMORY;
    CGallery::NoteManagedWrite(buffer);
    wchar_t *q = fresh;
    for (const Pair &pair : pairs)
        q = Put(Put(q, pair.first), pair.second);
    *q = 0;
    HeaderOf(fresh)->used = total;
    Release(buffer);
    *buffer = fresh;
    return S_OK;
}

void Release(const wchar_t **buffer)
{
    Free(*buffer);
    *buffer = CGallery::EmptyString;
}

} // namespace GalleryPairBuffer
