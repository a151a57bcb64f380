// CGalleryLanguageStringCollection: multilingual text as an ordered list of (language code, text) pairs
// held in one wide-character buffer. Duplicate languages are allowed (keywords use several entries per
// language). GetString picks the text to show with the fallback: requested language, "en", first code
// without region, first entry.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

#include <cstdint>
#include <type_traits>
#include <vector>

class CGalleryLanguageStringCollection;

// Walks the pairs of a collection, optionally only those matching a language at least as well as
// matchType.
class CGalleryLanguageStringEnumerator
{
  public:
    CGalleryLanguageStringEnumerator(const CGalleryLanguageStringCollection *collection, const wchar_t *language,
                                     int matchType);
    void Reset() { m_index = -1; }
    bool MoveNext();
    const wchar_t *GetCurrentLanguage() const;
    const wchar_t *GetCurrentString() const;
    uint32_t GetCurrentIndex() const { return static_cast<uint32_t>(m_index); }

  private:
    const CGalleryLanguageStringCollection *m_collection;
    CAtlString m_language;
    int m_matchType;
    int64_t m_index;
};

class CGalleryLanguageStringCollection
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryLanguageStringCollection **out);
    static void DeleteInstance(CGalleryLanguageStringCollection **inOut);
    [[nodiscard]] HRESULT Initialize();
    void Finalize() { Dispose(); }
    void Dispose();
    [[nodiscard]] HRESULT PerformSanityChecks(bool deep) const;

    uint32_t GetCount() const;
    bool IsEmpty() const { return !m_buffer || !m_buffer[0]; }
    // The empty string past the end (or for CGallery::MaxIndex).
    const wchar_t *GetLanguageAt(uint32_t index) const;
    const wchar_t *GetStringAt(uint32_t index) const;

    // E_INVALIDARG for an empty language (nothing changes); a null text is stored as empty.
    [[nodiscard]] HRESULT Add(const wchar_t *language, const wchar_t *text);
    // S_OK when something was added, S_FALSE when the other was empty.
    [[nodiscard]] HRESULT AddRange(const CGalleryLanguageStringCollection *other);
    [[nodiscard]] HRESULT RemoveAt(uint32_t index);
    [[nodiscard]] HRESULT RemoveStringsAt(const uint32_t *indices, uint32_t count);
    void RemoveAll() { Dispose(); }
    // Removes every entry matching the language with score 3 or 2 (a "zh" entry is first copied to
    // "zh-CN" and "zh-TW", a "pt" entry to "pt-PT" and "pt-BR"), then appends the texts under it.
    [[nodiscard]] HRESULT ReplaceStrings(const wchar_t *language, const std::vector<CAtlString> &texts);
    [[nodiscard]] HRESULT ReplaceString(const wchar_t *language, const wchar_t *text);
    [[nodiscard]] HRESULT ReplaceStringAt(uint32_t index, const wchar_t *text);
    // Appends the texts of every entry matching the language with score 3; S_FALSE when none.
    // These two append to out and return S_FALSE when nothing was appended: the list is the answer.
    HRESULT GetAllStringsForLanguage(const wchar_t *language, std::vector<CAtlString> &out) const;
    HRESULT GetLanguages(std::vector<CAtlString> &out) const;
    // Splits text at the separators into consecutive language/text pairs and adds those whose language
    // is not yet present; S_FALSE for fewer than two tokens.
    [[nodiscard]] HRESULT SplitAddUnique(const wchar_t *text, const wchar_t *separators);

    bool Contains(const wchar_t *language) const;
    // First index with score 3; else (matchType < 3) with 2; else (matchType < 2) with 1; else MaxIndex.
    uint32_t IndexOf(const wchar_t *language, int matchType) const;
    // The text to show for a language (empty: the current language).
    const wchar_t *GetString(const wchar_t *language = nullptr) const;
    CGalleryLanguageStringEnumerator GetEnumerator() const { return {this, nullptr, 0}; }
    CGalleryLanguageStringEnumerator GetEnumerator(const wchar_t *language, int matchType) const
    {
        return {this, language, matchType};
    }

    // Replaces this collection's pairs by copies of the other's.
    [[nodiscard]] HRESULT CopyFrom(const CGalleryLanguageStringCollection *other);
    bool Equals(const CGalleryLanguageStringCollection *other) const;
    const wchar_t *GetBuffer() const { return m_buffer; }

  private:
    const wchar_t *m_buffer; // the pairs; the shared empty string when there are none
};
static_assert(std::is_standard_layout_v<CGalleryLanguageStringCollection>);
static_assert(sizeof(CGalleryLanguageStringCollection) == sizeof(void *));
