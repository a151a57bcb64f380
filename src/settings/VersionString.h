// Program version values: CVersionString parses the dotted form "1.4.32.0" and the three compact
// all-digit forms of build identifiers, and compares versions part by part. Texts that do not parse
// still compare, as text, and sort below every parsed version. CVersionStringRange is an inclusive
// range of versions, used by the update descriptions to pick the offer for an installed version.
// Gallery versions are plain texts compared character by character; they never use these types.
#pragma once

#include "support/Text.h"

class CVersionString
{
  public:
    CVersionString();
    explicit CVersionString(const CAtlString &text);
    explicit CVersionString(const CAtlStringA &text);
    CVersionString(const CVersionString &) = default;
    CVersionString &operator=(const CVersionString &) = default;
    virtual ~CVersionString() = default;

    virtual bool operator<(const CVersionString &other) const;
    virtual bool operator==(const CVersionString &other) const;
    virtual bool operator>(const CVersionString &other) const;
    // The combined text of a parsed version, the source text otherwise.
    virtual operator CAtlString() const;
    virtual CVersionString &operator=(const CAtlString &text);
    virtual CVersionString &operator=(const CAtlStringA &text);

    bool operator!=(const CVersionString &other) const { return !(*this == other); }
    bool operator<=(const CVersionString &other) const { return !(*this > other); }
    bool operator>=(const CVersionString &other) const { return !(*this < other); }

    // Parses text, remembers it as the source text and rebuilds the combined text.
    void Reset(const CAtlString &text);
    // Fills the four parts from text; false (and nothing changed) when the text has no usable form.
    bool Parse(const CAtlString &text);
    // Formats the parts as "%i.%i.%i.%i" into the combined text and returns it.
    CAtlString Combine();
    // Reads one part: an empty text gives -1 and false; leading zeros are ignored. A number that
    // does not fit 32 bits also gives false.
    static bool ReadInt(const CAtlString &text, int *out);

    bool IsParsed() const { return m_parsed; }
    int Major() const { return m_major; }
    int Minor() const { return m_minor; }
    int Build() const { return m_build; }
    int Revision() const { return m_revision; }
    const CAtlString &CombinedText() const { return m_combined; }
    const CAtlString &SourceText() const { return m_source; }
    CAtlString ToString() const { return static_cast<CAtlString>(*this); }

  private:
    int m_major = 0;
    int m_minor = 0;
    int m_build = 0;
    int m_revision = 0;
    CAtlString m_combined;
    CAtlString m_source;
    bool m_parsed = false;
};

class CVersionStringRange
{
  public:
    // The ends are swapped when low is greater than high.
    CVersionStringRange(const CVersionString &low, const CVersionString &high);
    virtual ~CVersionStringRange() = default;
    CVersionStringRange(const CVersionStringRange &) = default;
    CVersionStringRange &operator=(const CVersionStringRange &) = default;

    // low <= version <= high, both ends inclusive.
    bool IsInRange(const CVersionString &version) const;

    // Ranges order by their low ends and are equal when both ends are.
    virtual bool operator<(const CVersionStringRange &other) const;
    virtual bool operator==(const CVersionStringRange &other) const;
    // Against a version: below when the whole range lies below it, equal when it contains it,
    // above when the whole range lies above it.
    bool operator<(const CVersionString &version) const { return m_high < version; }
    bool operator==(const CVersionString &version) const { return IsInRange(version); }
    bool operator>(const CVersionString &version) const { return m_low > version; }

    const CVersionString &Low() const { return m_low; }
    const CVersionString &High() const { return m_high; }

  private:
    CVersionString m_low;
    CVersionString m_high;
};
