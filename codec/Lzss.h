// The LZSS token decoder of archive entries, world cell blocks and token-packed
// texture pixels; the caller's policy says how a stream ends and what its faults
// are called. Internal to Ostrel's own programs, not part of the public interface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../frame/Export.h"

namespace ostrel_internal
{
namespace codec
{
// A stream is a run of groups: one flag byte, then eight tokens, low bit
// first. A set bit is a literal byte; a clear bit a back-reference of two
// bytes b0 b1: offset b0 | (b1 & 0xF0) << 4 behind the output position,
// length (b1 & 0x0F) + 3, copied byte by byte (a run longer than its offset
// repeats itself). A 32-bit sum of the unpacked bytes follows the stream.

// What a reference reaching before the first output byte means.
enum class BeforeStart : unsigned char
{
    Spaces, // the missing bytes read as spaces
    Fail    // the stream is damaged
};

enum class StopAt : unsigned char
{
    // The tokens take the whole input but its last four bytes (the sum);
    // flag bits after the last token byte are ignored, and a reference met at
    // the last token byte takes its second byte from the sum. The output may
    // hold one byte more than size; a stream that writes past capacity fails.
    InputEnd,
    // Decoding stops when size bytes are out (a reference is cut there; flag
    // bits set after that token are a fault); the sum follows the last token.
    OutputFull
};

enum class ByteSum : unsigned char
{
    Unsigned,
    Signed // bytes sum as values -128..127
};

// The caller's result code for each fault.
struct LzssCodes
{
    int inputEnds;   // InputEnd: 4 bytes or fewer; OutputFull: tokens or sum missing
    int overrun;     // the stream writes past capacity
    int zeroOffset;  // a reference of offset 0
    int beforeStart; // a reference before the start under BeforeStart::Fail
    int excessBits;  // OutputFull: flag bits set after the last token
    int shortOutput; // InputEnd: the stream ends before size bytes
    int badChecksum; // the sum differs
};

struct LzssPolicy
{
    BeforeStart beforeStart;
    StopAt stop;
    ByteSum sum;
    LzssCodes codes;
};

// Decodes the stream at in (inSize bytes) into out, which holds capacity
// bytes (InputEnd: size + 1; OutputFull: size, or less where the input cannot
// produce size bytes); the sum covers the first size bytes. Answers 0 or a code of the policy. Bytes of
// out the stream did not produce are zero. used (when given) receives the
// bytes read: 0 after a fault in the tokens, else the tokens and, when all
// four are there, the sum.
OSTREL_API int LzssDecode(const unsigned char* in, size_t inSize, unsigned char* out, size_t size, size_t capacity,
                          const LzssPolicy& policy, size_t* used = nullptr);

// Most bytes a stream read from inSize bytes can produce.
OSTREL_API uint64_t LzssMaxOutput(uint64_t inSize, StopAt stop);
} // namespace codec
} // namespace ostrel_internal

namespace codec = ostrel_internal::codec;
