#pragma once

#include <cstddef>

namespace floattext
{
// "%g" of value, written the way the Windows C runtime writes it on every
// platform: an exponent, when there is one, has at least three digits
// (1e+010, 1.5e-005). Writes at most capacity - 1 characters and a NUL
// (capacity >= 32 always suffices); answers the number of characters.
size_t FormatG(char* out, size_t capacity, double value);
} // namespace floattext
