// The one-buffer layout shared by the language and keyed string collections:
// first, 0, second, 0, ... repeated, then one extra 0. The first text of a pair is never empty, so a 0
// where a pair would start ends the buffer. An empty collection is the shared empty string.
#pragma once

#include "support/Result.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace GalleryPairBuffer
{

struct Pair {
    std::wstring_view first;
    std::wstring_view second;
};

// Every pair of the buffer, in order.
std::vector<Pair> Parse(const wchar_t *buffer);
uint32_t Count(const wchar_t *buffer);
// Pair i, or false past the end (first and second are then left as they are, so callers preset a default).
bool At(const wchar_t *buffer, uint32_t index, const wchar_t **first, const wchar_t **second);
// Characters in use, the final extra 0 included.
size_t Length(const wchar_t *buffer);
// Appends one pair (first must be non-empty).
[[nodiscard]] HRESULT Append(const wchar_t **buffer, std::wstring_view first, std::wstring_view second);
// Replaces the whole buffer by the given pairs (the views may point into the old buffer).
[[nodiscard]] HRESULT Build(const wchar_t **buffer, const std::vector<Pair> &pairs);
// Frees the buffer unless managed and leaves the shared empty string.
void Release(const wchar_t **buffer);

} // namespace GalleryPairBuffer
