// The order in which folder listings deliver their items, the same on every
// platform, so that one folder always builds the same archive.
#pragma once

#include <string>

namespace platform
{
// Name a is listed before name b: compared byte by byte with ASCII letters
// folded to lower case, a shorter name first, ties by the exact bytes.
bool ListsBefore(const std::string& a, const std::string& b);
} // namespace platform
