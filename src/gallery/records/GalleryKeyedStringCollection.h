// CGalleryKeyedStringCollection: (key, value) pairs in one buffer, keys compared exactly and
// case-sensitively. Used for requirements (program name to version) and the program versions.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

#include <cstdint>
#include <type_traits>
#include <vector>

class CGalleryKeyedStringCollection;

class CGalleryKeyedStringEnumerator
{
  public:
    explicit CGalleryKeyedStringEnumerator(const CGalleryKeyedStringCollection *collection)
        : m_collection(collection), m_index(-1)
    {
    }
    void Reset() { m_index = -1; }
    bool MoveNext();
    const wchar_t *GetCurrentKey() const;
    const wchar_t *GetCurrentString() const;

  private:
    const CGalleryKeyedStringCollection *m_collection;
    int64_t m_index;
};

class CGalleryKeyedStringCollection
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryKeyedStringCollection **out);
    static void DeleteInstance(CGalleryKeyedStringCollection **inOut);
    [[nodiscard]] HRESULT Initialize();
    void Finalize() { Dispose(); }
    void Dispose();
    [[nodiscard]] HRESULT PerformSanityChecks(bool deep) const;

    uint32_t GetCount() const;
    bool IsEmpty() const { return !m_buffer || !m_buffer[0]; }
    const wchar_t *GetKeyAt(uint32_t index) const;
    const wchar_t *GetStringAt(uint32_t index) const;
    // The value of the first pair with that key, or the empty string.
    const wchar_t *GetString(const wchar_t *key) const;
    bool ContainsKey(const wchar_t *key) const;
    // Appends (no replacement); E_INVALIDARG for an empty key.
    [[nodiscard]] HRESULT Add(const wchar_t *key, const wchar_t *value);
    // Sets the value of the first pair with that key, or appends the pair.
    [[nodiscard]] HRESULT ReplaceString(const wchar_t *key, const wchar_t *value);
    // S_FALSE when nothing was appended: informational, the list itself is the answer.
    HRESULT GetKeys(std::vector<CAtlString> &out) const;
    [[nodiscard]] HRESULT AddRange(const CGalleryKeyedStringCollection *other);
    [[nodiscard]] HRESULT RemoveAt(uint32_t index);
    void RemoveAll() { Dispose(); }
    // Splits at any separator and adds the tokens as consecutive key/value pairs whose key is not yet
    // present; S_FALSE for fewer than two tokens.
    [[nodiscard]] HRESULT SplitAddUnique(const wchar_t *text, const wchar_t *separators);
    CGalleryKeyedStringEnumerator GetEnumerator() const { return CGalleryKeyedStringEnumerator(this); }
    [[nodiscard]] HRESULT CopyFrom(const CGalleryKeyedStringCollection *other);
    const wchar_t *GetBuffer() const { return m_buffer; }

  private:
    const wchar_t *m_buffer;
};
static_assert(std::is_standard_layout_v<CGalleryKeyedStringCollection>);
static_assert(sizeof(CGalleryKeyedStringCollection) == sizeof(void *));
