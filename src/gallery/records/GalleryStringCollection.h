// CGalleryStringCollection: an ordered array of (string, flag byte) entries, e.g. the languages of an
// organization.
#pragma once

#include "support/Result.h"

#include <cstdint>
#include <type_traits>

struct CGalleryStringEntry {
    const wchar_t *m_text;
    uint8_t m_flag;
};
static_assert(std::is_standard_layout_v<CGalleryStringEntry>);

class CGalleryStringCollection
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryStringCollection **out);
    static void DeleteInstance(CGalleryStringCollection **inOut);
    [[nodiscard]] HRESULT Initialize();
    void Finalize() { Dispose(); }
    void Dispose() { Clear(); }
    [[nodiscard]] HRESULT PerformSanityChecks(bool deep) const;

    uint32_t GetCount() const { return m_count; }
    const wchar_t *GetAt(uint32_t index) const;
    uint8_t GetFlagAt(uint32_t index) const;
    [[nodiscard]] HRESULT Add(const wchar_t *text, uint8_t flag = 0);
    [[nodiscard]] HRESULT InsertAt(uint32_t index, const wchar_t *text, uint8_t flag = 0);
    // Fails only for an index past the end.
    HRESULT RemoveAt(uint32_t index);
    void Clear();
    // Exact comparison; CGallery::MaxIndex when absent.
    uint32_t IndexOf(const wchar_t *text) const;
    bool Contains(const wchar_t *text) const { return IndexOf(text) != 0xFFFFFFFFu; }
    // Stable, by CGallery::CompareStrings.
    void Sort();
    // Keeps the first of equal strings.
    void FilterDuplicates();
    bool Equals(const CGalleryStringCollection *other) const;

    class Enumerator
    {
      public:
        explicit Enumerator(const CGalleryStringCollection *c) : m_collection(c), m_index(-1) {}
        void Reset() { m_index = -1; }
        bool MoveNext() { return m_collection && ++m_index < static_cast<int64_t>(m_collection->m_count); }
        const wchar_t *GetCurrent() const { return m_collection->GetAt(static_cast<uint32_t>(m_index)); }

      private:
        const CGalleryStringCollection *m_collection;
        int64_t m_index;
    };
    Enumerator GetEnumerator() const { return Enumerator(this); }

  private:
    CGalleryStringEntry *m_entries;
    uint32_t m_count;
    uint32_t m_capacity;
};
static_assert(std::is_standard_layout_v<CGalleryStringCollection>);
static_assert(sizeof(CGalleryStringCollection) == 16);
