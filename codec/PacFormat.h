// Layout constants of ".paa"/".pac" textures and the texture inspector's
// result codes, shared by the inspector, the pixel codec and their tests.
#pragma once

#include <cstdint>

namespace pac
{
// Result codes of the layout check; DePac::ErrorString has their messages.
enum Code : int
{
    Ok = 0,
    PrematureEnd = 1,
    OutOfMemory = 2, // has a message, never produced
    InvalidFile = 3,
    UnknownFormat = 4,
    UnknownTag = 5,
    NoOffsets = 6,
    NoEndingZeroes = 7,
    ExcessBytes = 8 // has a message, never produced
};

// Type words, the first two bytes of a texture. An index-palette file has
// none: its first tag's "GG" stands there.
enum TypeWord : uint16_t
{
    TypeRgba5551 = 0x1555,
    TypeRgba4444 = 0x4444,
    TypeIndexPalette = 0x4747,
    TypeLumAlpha = 0x8080,
    TypeDxt1 = 0xFF01,
    TypeDxt5 = 0xFF05
};

// A tag: its 8-letter name (stored reversed, "GGATCGVA" for AVGC), a 32-bit
// payload length, the payload. Two zero bytes where a name would begin end
// the list.
const int TagNameSize = 8;
// The OFFS tag's payload: 16 mipmap offsets of 4 bytes.
const int OffsetCount = 16;
// After the mipmaps listed by offsets: six zero bytes.
const int EndMarkerSize = 6;
} // namespace pac
