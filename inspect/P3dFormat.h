// Layout constants of editable (MLOD) ".p3d" models and the model
// inspector's result codes, shared by the inspector and its tests.
#pragma once

#include <cstdint>

namespace p3d
{
// Result codes; DeP3d::ErrorString has their messages.
enum Code : int
{
    Ok = 0,
    PrematureEof = 1,
    OutOfMemory = 2,
    InvalidFile = 3,
    ResidualBytes = 4, // bytes after a header of no levels
    Undecodable = 5    // a binarised model
};

// The first four bytes of a model: editable or binarised.
const char EditableSignature[] = "MLOD";
const char BinarisedSignature[] = "ODOL";
// Header version after the signature: the float 1.1, or the integer 257 that
// editable models in circulation store for the same version.
const uint32_t VersionFloat = 0x3F8CCCCD;
const uint32_t VersionInteger = 257;
const float CurrentVersion = 1.1f;

// Every level starts with this signature and version pair.
const char LodSignature[] = "SP3X";
const uint32_t LodVersionHigh = 28;
const uint32_t LodVersionLow = 153;
} // namespace p3d
