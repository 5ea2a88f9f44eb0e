#include "FloatText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace floattext
{
namespace
{
// A positive value cut to six significant digits: the digits as one integer
// (100000 to 999999) and the decimal exponent of the first.
struct Scientific
{
    uint32_t digits;
    int exponent;
};

// True when value is exactly the decimal digits × 10^place. Such a decimal is
// a double only when its odd part fits in 53 bits: for place >= 0 it is
// digits × 5^place × 2^place, for place < 0 5^-place must divide digits.
bool IsExactDecimal(double value, uint64_t digits, int place)
{
    uint64_t odd = digits;
    for (int i = 0; i < place; ++i)
    {
        if (odd > (uint64_t(1) << 53) / 5)
            return false;
        odd *= 5;
    }
    for (int i = 0; i < -place; ++i)
    {
        if (odd % 5 != 0)
            return false;
        odd /= 5;
    }
    return std::ldexp(static_cast<double>(odd), place) == value;
}

// The six significant digits of a positive finite value, rounded the way the
// Windows C runtime rounds them: a value exactly halfway between two six-digit
// numbers goes away from zero (0.0009765625 gives 0.000976563). "%.5e" rounds
// every other value the same way, and a halfway value to the even neighbour,
// so only an even result that lies exactly half a unit below the value moves.
Scientific SixDigits(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.5e", value); // d.ddddde+XX
    Scientific six{static_cast<uint32_t>(text[0] - '0'), std::atoi(text + 8)};
    for (int i = 2; i <= 6; ++i)
        six.digits = six.digits * 10 + static_cast<uint32_t>(text[i] - '0');
    if (six.digits % 2 == 0 && IsExactDecimal(value, uint64_t(six.digits) * 10 + 5, six.exponent - 6))
    {
        if (++six.digits == 1000000)
        {
            six.digits = 100000;
            ++six.exponent;
        }
    }
    return six;
}

// What the Windows C runtime prints for an infinity or a NaN: the x86
// "indefinite" NaN (sign set, quiet bit only) is -1.#IND.
const char* NonFiniteText(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    bool negative = (bits >> 63) != 0;
    uint64_t mantissa = bits & ((uint64_t(1) << 52) - 1);
    if (mantissa == 0)
        return negative ? "-1.#INF" : "1.#INF";
    uint64_t quietBit = uint64_t(1) << 51;
    if (!(mantissa & quietBit))
        return negative ? "-1.#SNAN" : "1.#SNAN";
    if (negative && mantissa == quietBit)
        return "-1.#IND";
    return negative ? "-1.#QNAN" : "1.#QNAN";
}

// "%g" from six rounded digits: exponent form below 1e-4 and from 1e6 on,
// otherwise fixed; trailing zeros of the fraction are dropped.
size_t WriteG(char* out, bool negative, Scientific six)
{
    char digits[6];
    for (int i = 5; i >= 0; --i, six.digits /= 10)
        digits[i] = static_cast<char>('0' + six.digits % 10);
    int last = 5;
    while (last > 0 && digits[last] == '0')
        --last;
    char* p = out;
    if (negative)
        *p++ = '-';
    int e = six.exponent;
    if (e < -4 || e >= 6)
    {
        *p++ = digits[0];
        if (last > 0)
        {
            *p++ = '.';
            for (int i = 1; i <= last; ++i)
                *p++ = digits[i];
        }
        *p++ = 'e';
        *p++ = e < 0 ? '-' : '+';
        int magnitude = e < 0 ? -e : e; // below 1000 for any double
        *p++ = static_cast<char>('0' + magnitude / 100);
        *p++ = static_cast<char>('0' + magnitude / 10 % 10);
        *p++ = static_cast<char>('0' + magnitude % 10);
    }
    else if (e >= 0)
    {
        for (int i = 0; i <= e; ++i)
            *p++ = digits[i];
        if (last > e)
        {
            *p++ = '.';
            for (int i = e + 1; i <= last; ++i)
                *p++ = digits[i];
        }
    }
    else
    {
        *p++ = '0';
        *p++ = '.';
        for (int i = 0; i < -e - 1; ++i)
            *p++ = '0';
        for (int i = 0; i <= last; ++i)
            *p++ = digits[i];
    }
    *p = 0;
    return static_cast<size_t>(p - out);
}
} // namespace

size_t FormatG(char* out, size_t capacity, double value)
{
    if (capacity == 0)
        return 0;
    char text[32];
    size_t n;
    if (!std::isfinite(value))
        n = static_cast<size_t>(std::snprintf(text, sizeof text, "%s", NonFiniteText(value)));
    else if (value == 0)
        n = static_cast<size_t>(std::snprintf(text, sizeof text, "%s", std::signbit(value) ? "-0" : "0"));
    else
        n = WriteG(text, std::signbit(value), SixDigits(std::fabs(value)));
    if (n >= capacity)
        n = capacity - 1;
    std::memcpy(out, text, n);
    out[n] = 0;
    return n;
}
} // namespace floattext
