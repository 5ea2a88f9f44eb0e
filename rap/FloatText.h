#pragma once

#include <cstddef>

namespace floattext
{
// "%g" of value, written the way the Windows C runtime writes it on every
// platform: an exponent, when there is one, has at least three digits
// (1e+010, 1.5e-005); a value exactly halfway between two six-digit numbers
// rounds away from zero (0.0009765625 gives 0.000976563); infinities and NaNs
// read 1.#INF, -1.#INF, 1.#QNAN, -1.#IND. Writes at most capacity - 1
// characters and a NUL (capacity >= 32 always suffices); answers the number
// of characters.
size_t FormatG(char* out, size_t capacity, double value);
} // namespace floattext
