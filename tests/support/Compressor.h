// Test-side packer of the entry compression format, independent of the
// library's decoder.
#pragma once

#include <cstddef>

#include "TempDir.h"

namespace testsupport
{
// Packs bytes into the entry compression format: flag bytes, literals and
// back-references (12-bit offset, length 3 to 18), then the additive
// checksum. Greedy matching over a hash of three-byte sequences.
Bytes Compress(const Bytes& input);

// Text-like sample data (words, lines, numbers) of about n bytes,
// deterministic for a given seed.
Bytes TextLike(size_t n, unsigned seed);
// Highly repetitive data of n bytes.
Bytes Repetitive(size_t n);
} // namespace testsupport
