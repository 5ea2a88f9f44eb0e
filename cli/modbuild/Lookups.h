// What a compile's game-path lookups depend on besides the files they found:
// the mounts in their order, and the files they looked for and did not find.
#pragma once

#include <string>
#include <vector>

#include "rapify/RapifyDiagnostic.h"

namespace cli
{
namespace modbuild
{
// The mounts' prefixes and folders in order, hashed (hexadecimal).
std::string MountsFingerprint(const std::vector<RapifyMount>& mounts);
// No file lies at path in any letter case (as a lookup would see it).
bool StillMissing(const std::string& path);
// Whether a compiled text may look a name up (an include or __has_include).
bool MayLookUp(const std::string& text);
} // namespace modbuild
} // namespace cli
