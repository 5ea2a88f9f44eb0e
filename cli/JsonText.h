// Archive texts (8-bit, no fixed code page) made fit for JSON, which is
// UTF-8: valid UTF-8 is kept; any other text is read as Latin-1.
#pragma once

#include <string>

namespace cli
{
bool IsUtf8(const char* text);
// The text as UTF-8 (unchanged when it already is).
std::string JsonText(const char* text);
// Upper-case hexadecimal digits of the text's bytes.
std::string HexText(const char* text);
} // namespace cli
