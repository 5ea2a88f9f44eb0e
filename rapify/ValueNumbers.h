// Numbers of config value texts as the binarised config stores them: a
// 32-bit long for integer texts, a single-precision float for float texts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace valuenumbers
{
// The decimal value of an integer text (an optional '-' and digits). False
// when it does not fit in 32 signed bits.
bool IntegerFromText(const char* text, int32_t& value);
// The text read as a double-precision number and rounded to single precision
// (beyond the single range: an infinity of the text's sign). A text without
// digits, such as ".", gives 0. Independent of the C locale.
float FloatFromText(const char* text);
// A hexadecimal integer text (an optional '-', "0x" or "0X", hex digits) as
// decimal digits, written to out (room for size bytes). False for any other
// text and for values a double cannot hold.
bool DecimalFromHex(const char* text, char* out, size_t size);
} // namespace valuenumbers
