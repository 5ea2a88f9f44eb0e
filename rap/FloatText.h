// Float text of the config decoder: "%g" as the Windows C runtime writes it,
// and the shortest such text that reads back to the same 32-bit float.
#pragma once

#include <cstddef>

namespace floattext
{
// "%g" of value, written the way the Windows C runtime writes it on every
// platform: an exponent, when there is one, has at least three digits
// (1e+010, 1.5e-005). Writes at most capacity - 1 characters and a NUL
// (capacity >= 32 always suffices); answers the number of characters.
size_t FormatG(char* out, size_t capacity, double value);

// As FormatG, at the smallest precision from 6 up to 9 whose text reads
// back (strtof) to value itself: a value whose six-digit text reads back is
// written exactly as FormatG writes it, and every finite float reads back.
size_t FormatFloat(char* out, size_t capacity, float value);

// FormatG at the given precision through the C library's snprintf: the
// reference the faster formatting above is held to, and its fallback.
size_t FormatWithPrintf(char* out, size_t capacity, double value, int precision);
} // namespace floattext
