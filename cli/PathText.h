#pragma once

// Small text helpers of the ostrel tool for file names (ASCII letter case,
// the way archive names compare).

#include <string>

namespace cli
{
std::string LowerAscii(std::string text);
// The text ends in suffix, ASCII letter case ignored.
bool EndsWithNoCase(const std::string& text, const std::string& suffix);
} // namespace cli
