// Result codes and layout constants of the world reader.
#pragma once

#include <cstdint>

namespace wrp
{
enum Code : int
{
    Ok = 0,
    PrematureEof = 1,
    OutOfMemory = 2,
    NameTooLong = 3,
    NotWrp = 4,
    BadVersion = 5,
    ExcessBits = 6,
    BadReference = 7,
    BadChecksum = 8,
    InvalidFile = 9,
    BadModelIndex = 10,
    NoModelName = 11,
    RegressiveId = 12,
    BadTextureIndex = 13,
    NoTextureName = 14,
};

// The first four bytes of a world: the cell-block layout, whose version
// follows (2, or 3 and 17 with the four map sizes; 17 stores its blocks
// plain), and the older memory-image layout, version 1.
const char CellLayoutId[] = "OPRW";
const char ImageLayoutId[] = "4WVR";
const int IdSize = 4;
const int ImageVersion = 1;
const uint32_t CellVersionFixedSize = 2;
const uint32_t CellVersionSized = 3;
const uint32_t CellVersionPlain = 17;
} // namespace wrp
