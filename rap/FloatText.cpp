// Float text of the config decoder: the C library's %g digits with the
// Windows exponent form, and the shortest precision that reads back.
#include "FloatText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace floattext
{
namespace
{
size_t FormatAt(char* out, size_t capacity, double value, int precision)
{
    if (capacity == 0)
        return 0;
    // C libraries disagree on the sign of a NaN ("-nan" here, "nan" in
    // mingw's): it is written the same way everywhere.
    int written = std::isnan(value) ? std::snprintf(out, capacity, "%s", std::signbit(value) ? "-nan" : "nan")
                                    : std::snprintf(out, capacity, "%.*g", precision, value);
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
} // namespace

size_t FormatG(char* out, size_t capacity, double value)
{
    return FormatAt(out, capacity, value, 6);
}

size_t FormatFloat(char* out, size_t capacity, float value)
{
    // Nine significant digits tell every pair of floats apart, so the loop
    // always ends with a text that reads back; strtof reads the three-digit
    // exponent as well as the C library's own form.
    size_t n = FormatAt(out, capacity, value, 6);
    if (!std::isfinite(value))
        return n;
    for (int precision = 7; precision <= 9 && std::strtof(out, nullptr) != value; ++precision)
        n = FormatAt(out, capacity, value, precision);
    return n;
}
} // namespace floattext
