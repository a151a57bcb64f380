// Number parsing for attribute values, independent of the process locale (a Qt application runs with
// the user's LC_NUMERIC, under which strtod would stop at the '.'). Like strtol: leading white space and
// a sign are accepted, text after the number is ignored and text without a number reads as 0; a value
// outside the target type's range is a failure, not a wrap. (An absent or empty attribute is the
// caller's to refuse.)
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace XmlNumbers
{

inline std::string_view SkipLeadingSpace(std::string_view text)
{
    while (!text.empty() && (text[0] == ' ' || text[0] == '\t' || text[0] == '\n' || text[0] == '\r'))
        text.remove_prefix(1);
    return text;
}

[[nodiscard]] inline bool ParseInt32(std::string_view text, int32_t *out)
{
    text = SkipLeadingSpace(text);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    int32_t value = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (r.ec == std::errc::invalid_argument)
        value = 0;
    else if (r.ec != std::errc())
        return false;
    *out = value;
    return true;
}

[[nodiscard]] inline bool ParseFloat(std::string_view text, float *out)
{
    text = SkipLeadingSpace(text);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    float value = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec == std::errc::invalid_argument)
        value = 0;
    else if (r.ec != std::errc() || !std::isfinite(value))
        return false;
    *out = value;
    return true;
}

} // namespace XmlNumbers
