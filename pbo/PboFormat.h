// Archive layout constants: flavours, builder option bits, header fields and
// trailer sizes, shared by reader, writer, builder, tool and tests.
#pragma once

#include <cstdint>

#include "../frame/Export.h"

// Archive flavour; the low three bits of a value are builder options.
enum PboFlags
{
    Cwc = 0,
    Resistance = 8,
    ArmaNoSha = 16,
    Elite = 32,
    Arma = 64
};

// Packing-method words of a header entry ("srpC" and "sreV" on disk).
const uint32_t PboMethodStored = 0;
const uint32_t PboMethodCompressed = 0x43707273;
const uint32_t PboMethodProduct = 0x56657273;
// Low bits of a PboFlags value that are builder options, not flavour: check
// the configs, binarise them, or keep their texts beside the binarised ones.
const int PboOptionMask = 7;
const int PboCheckOption = 1;
const int PboBinariseOption = 2;
const int PboKeepTextOption = 4;
// Bytes after the entry data: an Elite archive's key bytes, and an Arma
// archive's zero byte followed by the SHA-1 of everything before it.
const int PboEliteTrailerSize = 5;
const int PboArmaTrailerSize = 21;
inline int PboTrailerSize(int flavour)
{
    return flavour == Elite ? PboEliteTrailerSize : flavour == Arma ? PboArmaTrailerSize : 0;
}
// Archive base names that the writer prefixes with "ca\" when no prefix is
// given (compared without letter case).
inline constexpr const char* PboGamePrefixBases[] = {
    "air",  "animals", "anims", "buildings", "characters", "desert", "introanims", "language",
    "misc", "plants",  "roads", "rocks",     "sara",       "signs",  "sounds",     "tracked",
    "ui",   "uifonts", "voice", "water",     "weapons",    "wheeled"};

// Size of a header entry without its name (the name's zero byte included).
const int PboEntryFixedSize = 21;

// One archive header entry as stored: name, then five 32-bit words.
struct OSTREL_API PboHeaderEntry
{
    char* name = nullptr;
    uint32_t packingMethod = 0;
    uint32_t originalSize = 0;
    uint32_t reserved = 0;
    uint32_t timestamp = 0;
    uint32_t dataSize = 0;
};
