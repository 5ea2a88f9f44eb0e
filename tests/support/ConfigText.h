// Generator of config source texts for the compiler's round-trip tests and
// benchmarks: classes nested deep and wide, arrays nested several levels,
// inheritance, extern and delete statements, enums, and values whose text
// comes back unchanged from the decoder (floats of at most six significant
// digits that are not whole, strings that keep their meaning unquoted).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport
{
struct ConfigTextOptions
{
    // Also `class X;` declarations, which the inline layout cannot hold.
    bool declarations = true;
    // Stop adding statements once the text is this long (a small file
    // when 0).
    size_t targetBytes = 0;
};

std::string GenerateConfigText(uint32_t seed, const ConfigTextOptions& options);
} // namespace testsupport
