#include "FloatText.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace floattext
{
size_t FormatG(char* out, size_t capacity, double value)
{
    if (capacity == 0)
        return 0;
    // C libraries disagree on the sign of a NaN ("-nan" here, "nan" in
    // mingw's): it is written the same way everywhere.
    int written = std::isnan(value) ? std::snprintf(out, capacity, "%s", std::signbit(value) ? "-nan" : "nan")
                                    : std::snprintf(out, capacity, "%g", value);
    if (written < 0)
    {
        out[0] = 0;
        return 0;
    }
    size_t n = static_cast<size_t>(written) < capacity ? static_cast<size_t>(written) : capacity - 1;
    char* e = static_cast<char*>(std::memchr(out, 'e', n));
    if (!e || e + 2 > out + n)
        return n;
    // e, sign, digits: pad the digits with leading zeros up to three.
    char* digits = e + 2;
    size_t digitCount = static_cast<size_t>(out + n - digits);
    if (digitCount >= 3)
        return n;
    size_t pad = 3 - digitCount;
    if (n + pad >= capacity)
        return n;
    std::memmove(digits + pad, digits, digitCount + 1);
    std::memset(digits, '0', pad);
    return n + pad;
}
} // namespace floattext
