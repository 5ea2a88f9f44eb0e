// Integer and float texts of config values to the numbers the binarised
// config stores.

#include "ValueNumbers.h"

#include <cfloat>
#include <charconv>
#include <cmath>
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
} // namespace valuenumbers
