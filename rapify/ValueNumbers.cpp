// Integer and float texts of config values to the numbers the binarised
// config stores.

#include "ValueNumbers.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace valuenumbers
{
bool IntegerFromText(const char* text, int32_t& value)
{
    if (!text)
        text = "";
    bool negative = *text == '-';
    if (negative)
        ++text;
    // 2^31 is the largest magnitude (of a negative value); stop counting
    // past it so that any number of digits is safe.
    const uint64_t limit = uint64_t(1) << 31;
    uint64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
    {
        magnitude = magnitude * 10 + static_cast<unsigned>(*text - '0');
        if (magnitude > limit)
            return false;
    }
    if (negative)
    {
        value = static_cast<int32_t>(-static_cast<int64_t>(magnitude));
        return true;
    }
    if (magnitude == limit)
        return false;
    value = static_cast<int32_t>(magnitude);
    return true;
}

float FloatFromText(const char* text)
{
    if (!text)
        return 0.0f;
    const char* end = text + std::strlen(text);
    double d = 0.0;
    std::from_chars_result r = std::from_chars(text, end, d, std::chars_format::fixed);
    if (r.ec == std::errc::result_out_of_range)
    {
        // Too large or too small for a double: an infinity when a digit other
        // than 0 stands before the point, else zero.
        const char* p = text + (*text == '-' ? 1 : 0);
        while (*p == '0')
            ++p;
        bool large = *p >= '1' && *p <= '9';
        d = large ? std::numeric_limits<double>::infinity() : 0.0;
        if (*text == '-')
            d = -d;
    }
    else if (r.ec != std::errc())
    {
        return 0.0f;
    }
    // Rounding to single precision: past FLT_MAX plus half its last place the
    // nearest value is the infinity (the halfway case rounds to even, which
    // is the infinity too); converting such doubles directly is undefined.
    const double overflow = static_cast<double>(FLT_MAX) + std::ldexp(1.0, 103);
    if (std::fabs(d) >= overflow)
        return d < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    if (std::fabs(d) > FLT_MAX)
        return d < 0 ? -FLT_MAX : FLT_MAX;
    return static_cast<float>(d);
}

bool DecimalFromHex(const char* text, char* out, size_t size)
{
    if (!text)
        return false;
    const bool negative = *text == '-';
    const char* p = text + (negative ? 1 : 0);
    if (p[0] != '0' || (p[1] != 'x' && p[1] != 'X') || !p[2])
        return false;
    // Exact up to 2^53; longer texts round as a double would, and texts
    // beyond the double range are no numbers.
    double value = 0;
    for (p += 2; *p; ++p)
    {
        const char c = *p;
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0)
            return false;
        value = value * 16 + digit;
        if (!std::isfinite(value))
            return false;
    }
    const int n = std::snprintf(out, size, "%s%.0f", negative && value != 0 ? "-" : "", value);
    return n > 0 && static_cast<size_t>(n) < size;
}
} // namespace valuenumbers
