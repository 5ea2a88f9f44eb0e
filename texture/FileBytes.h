// Whole-file writing for the texture codec, through the library's streams.
#pragma once

#include <vector>

namespace texture
{
// Ok, or CannotWrite when the file cannot be created or written in full.
int WriteWholeFile(const char* fileName, const std::vector<unsigned char>& bytes);
} // namespace texture
