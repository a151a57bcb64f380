// Parsing and comparison of program versions.
#include "settings/VersionString.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

CVersionString::CVersionString()
{
    Combine();
}

CVersionString::CVersionString(const CAtlString &text)
{
    Reset(text);
}

CVersionString::CVersionString(const CAtlStringA &text)
{
    Reset(Text::FromUtf8(text));
}

CVersionString &CVersionString::operator=(const CAtlString &text)
{
    Reset(text);
    return *this;
}

CVersionString &CVersionString::operator=(const CAtlStringA &text)
{
    Reset(Text::FromUtf8(text));
    return *this;
}

void CVersionString::Reset(const CAtlString &text)
{
    m_major = m_minor = m_build = m_revision = 0;
    m_source = text;
    m_parsed = Parse(text);
    Combine();
}

bool CVersionString::ReadInt(const CAtlString &text, int *out)
{
    if (text.empty()) {
        if (out) *out = -1;
        return false;
    }
    size_t first = text.find_first_not_of(L'0');
    const CAtlString digits = first == CAtlString::npos ? CAtlString(L"0") : text.substr(first);
    // "%i" semantics: optional sign, then a decimal, octal or hexadecimal prefix of the text.
    const CAtlStringA narrow = Text::ToUtf8(digits);
    errno = 0;
    char *end = nullptr;
    const long long value = std::strtoll(narrow.c_str(), &end, 0);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX) {
        if (out) *out = 0;
        return false;
    }
    if (out) *out = end == narrow.c_str() ? 0 : static_cast<int>(value);
    return true;
}

bool CVersionString::Parse(const CAtlString &text)
{
    CAtlString pieces[4]; // major, minor, build, revision
    const size_t length = text.size();
    auto lastOf = [](const CAtlString &rest, size_t count) {
        return rest.size() <= count ? rest : rest.substr(rest.size() - count);
    };
    if (text.find(L'.') != CAtlString::npos) {
        size_t start = 0;
        for (int i = 0; i < 3; ++i) {
            const size_t dot = text.find(L'.', start);
            if (dot == CAtlString::npos) {
                pieces[i] = text.substr(start);
                start = length;
                break;
            }
            pieces[i] = text.substr(start, dot - start);
            start = dot + 1;
        }
        if (start < length) pieces[3] = text.substr(start);
    } else if (length >= 12) { // 3-3-4-4, counted from the end
        pieces[3] = text.substr(length - 4);
        pieces[2] = text.substr(length - 8, 4);
        pieces[1] = text.substr(length - 11, 3);
        pieces[0] = lastOf(text.substr(0, length - 11), 3);
    } else if (length >= 8) { // 2-2-3-2, counted from the end
        pieces[3] = text.substr(length - 2);
        pieces[2] = text.substr(length - 5, 3);
        pieces[1] = text.substr(length - 7, 2);
        pieces[0] = lastOf(text.substr(0, length - 7), 2);
    } else if (length == 7) { // major, minor, revision, build
        pieces[2] = text.substr(5, 2);
        pieces[3] = text.substr(3, 2);
        pieces[1] = text.substr(1, 2);
        pieces[0] = text.substr(0, 1);
    } else {
        return false;
    }
    for (const CAtlString &piece : pieces)
        if (piece.empty()) return false;
    int parts[4] = {};
    for (int i = 0; i < 4; ++i)
        if (!ReadInt(pieces[i], &parts[i])) return false; // a part that overflows
    m_major = parts[0];
    m_minor = parts[1];
    m_build = parts[2];
    m_revision = parts[3];
    return true;
}

CAtlString CVersionString::Combine()
{
    m_combined = Text::Format(L"%i.%i.%i.%i", m_major, m_minor, m_build, m_revision);
    return m_combined;
}

bool CVersionString::operator<(const CVersionString &other) const
{
    if (m_parsed != other.m_parsed) return !m_parsed;
    if (!m_parsed) return m_source < other.m_source;
    if (m_major != other.m_major) return m_major < other.m_major;
    if (m_minor != other.m_minor) return m_minor < other.m_minor;
    if (m_build != other.m_build) return m_build < other.m_build;
    return m_revision < other.m_revision;
}

bool CVersionString::operator==(const CVersionString &other) const
{
    if (m_parsed != other.m_parsed) return false;
    if (!m_parsed) return m_source == other.m_source;
    return m_major == other.m_major && m_minor == other.m_minor && m_build == other.m_build &&
           m_revision == other.m_revision;
}

bool CVersionString::operator>(const CVersionString &other) const
{
    return other < *this;
}

CVersionString::operator CAtlString() const
{
    return m_parsed ? m_combined : m_source;
}

CVersionStringRange::CVersionStringRange(const CVersionString &low, const CVersionString &high)
    : m_low(low), m_high(high)
{
    if (m_low > m_high) std::swap(m_low, m_high);
}

bool CVersionStringRange::IsInRange(const CVersionString &version) const
{
    return !(version < m_low) && !(m_high < version);
}

bool CVersionStringRange::operator<(const CVersionStringRange &other) const
{
    return m_low < other.m_low;
}

bool CVersionStringRange::operator==(const CVersionStringRange &other) const
{
    return m_low == other.m_low && m_high == other.m_high;
}
