#pragma once

// Result codes of the world reader.

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
} // namespace wrp
