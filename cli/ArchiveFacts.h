// Facts of an open archive as the ostrel tool shows them: flavour names,
// entry sizes and dates.
#pragma once

#include <cstdint>
#include <string>

#include "pbo/Ostrel.h"

namespace cli
{
// "CWC", "Resistance", "Arma, no key bytes", "Elite", "Arma".
const char* FlavourTitle(PboFlags flavour);
// The option value of the same flavour: "cwc", "resistance", "arma-nokey",
// "elite", "arma".
const char* FlavourKey(PboFlags flavour);
// The entry's size after unpacking.
uint32_t UnpackedSize(const pbo_entry& entry);
bool IsPacked(const pbo_entry& entry);
// A time stamp as "YYYY-MM-DD HH:MM:SS" (UTC); empty for 0.
std::string DateText(uint32_t timestamp);
// Opens an archive with a message on failure ("ARCHIVE: MESSAGE").
bool OpenArchive(Ostrel& archive, const std::string& path, std::string& error);
} // namespace cli
