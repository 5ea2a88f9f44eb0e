// The growing text of a decoded config, with its budget and indent.

#include "RapTextOutput.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../frame/AllocFail.h"
#include "../frame/Platform.h"
#include "FloatText.h"

namespace
{
// Pieces are mostly a few characters long: up to 16 they are copied with
// two overlapping fixed-size moves instead of a call to memcpy. On the 10 MB
// Arma-layout benchmark config this took a conversion from 38 ms to 32 ms
// (best of five runs each).
inline void CopyShort(char* to, const char* from, uint32_t n)
{
    if (n >= 8 && n <= 16)
    {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    }
    else if (n >= 4 && n < 8)
    {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    }
    else if (n < 4)
    {
        for (uint32_t i = 0; i < n; ++i)
            to[i] = from[i];
    }
    else
    {
        std::memcpy(to, from, n);
    }
}
} // namespace

RapTextOutput::RapTextOutput()
    : error(RapNoError), text(nullptr), indent{' ', 0}, length(0), capacity(0), limit(UINT32_MAX)
{
}

void RapTextOutput::LimitText(uint64_t maxBytes)
{
    limit = maxBytes < UINT32_MAX ? static_cast<uint32_t>(maxBytes) : UINT32_MAX;
}

RapTextOutput::~RapTextOutput()
{
    CloseOutput(true);
}

void RapTextOutput::SetTabChar(bool useSpace)
{
    indent[0] = useSpace ? ' ' : '\t';
}

bool RapTextOutput::WriteDecodedText(const char* path)
{
    FILE* file = platform::OpenFile(path, "wb");
    if (!file)
        return false;
    bool written = length == 0 || std::fwrite(text, 1, length, file) == length;
    if (std::fclose(file) != 0)
        written = false;
    return written;
}

bool RapTextOutput::DropText()
{
    std::free(text);
    text = nullptr;
    length = 0;
    capacity = 0;
    error = RapOutOfMemory;
    return false;
}

char* RapTextOutput::Reserve(uint32_t pieceLength)
{
    if (error != RapNoError)
        return nullptr;
    uint64_t needed = static_cast<uint64_t>(length) + pieceLength + 1;
    if (needed >= capacity)
    {
        uint64_t grown = static_cast<uint64_t>(capacity) * 2 + pieceLength + 1;
        if (grown > limit)
            grown = limit;
        void* block = needed <= grown ? ostrel_internal::alloc::Reallocate(text, static_cast<size_t>(grown)) : nullptr;
        if (!block)
        {
            DropText();
            return nullptr;
        }
        text = static_cast<char*>(block);
        capacity = static_cast<uint32_t>(grown);
    }
    return text + length;
}

bool RapTextOutput::Put(const char* piece, uint32_t pieceLength)
{
    if (error != RapNoError)
        return false;
    // Room left: copy at once (the decoder appends a few million short
    // pieces to a 10 MB config's text, nearly all of them here). This path,
    // literal pieces given with their lengths and the reads of RapInput
    // without a cursor set up per read took the 10 MB Arma-layout benchmark
    // from 78 ms to 61.5 ms a conversion (single paired runs).
    if (static_cast<uint64_t>(length) + pieceLength + 1 < capacity)
    {
        CopyShort(text + length, piece, pieceLength);
        length += pieceLength;
        text[length] = 0;
        return true;
    }
    if (pieceLength == 0)
        return true;
    char* end = Reserve(pieceLength);
    if (!end)
        return false;
    std::memcpy(end, piece, pieceLength);
    length += pieceLength;
    text[length] = 0;
    return true;
}

bool RapTextOutput::AddToOutput(const char* piece)
{
    size_t pieceLength = std::strlen(piece);
    if (pieceLength > UINT32_MAX)
        return DropText();
    return Put(piece, static_cast<uint32_t>(pieceLength));
}

bool RapTextOutput::Put(const char* piece)
{
    return AddToOutput(piece);
}

bool RapTextOutput::PutIndent(int depth)
{
    if (depth < 0)
        return Put("//", 2);
    if (depth == 0 || error != RapNoError)
        return error == RapNoError;
    uint32_t count = static_cast<uint32_t>(depth);
    char* end = Reserve(count);
    if (!end)
        return false;
    std::memset(end, indent[0], count);
    length += count;
    text[length] = 0;
    return true;
}

bool RapTextOutput::PutInt(int32_t value)
{
    // Two digits a step from a table of the hundred pairs (paired runs: the
    // 2.4 MB inline-layout benchmark file 15.5 ms to 14.0 ms a conversion;
    // the Arma-layout one 31.7 ms to 30.6 ms, within the machine's noise).
    static const char pairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                "8081828384858687888990919293949596979899";
    char digits[12];
    char* p = digits + sizeof digits;
    // Work on the magnitude as unsigned, so that INT32_MIN needs no care.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    while (magnitude >= 100)
    {
        const uint32_t pair = (magnitude % 100) * 2;
        magnitude /= 100;
        *--p = pairs[pair + 1];
        *--p = pairs[pair];
    }
    if (magnitude >= 10)
    {
        *--p = pairs[magnitude * 2 + 1];
        *--p = pairs[magnitude * 2];
    }
    else
    {
        *--p = static_cast<char>('0' + magnitude);
    }
    if (value < 0)
        *--p = '-';
    return Put(p, static_cast<uint32_t>(digits + sizeof digits - p));
}

bool RapTextOutput::PutFloat(float value)
{
    char digits[64];
    size_t n = floattext::FormatFloat(digits, sizeof digits, value);
    return Put(digits, static_cast<uint32_t>(n));
}

bool RapTextOutput::OutputStr(int depth, const char* format, ...)
{
    if (!PutIndent(depth))
        return false;
    // Pieces normally fit the local buffer; a longer one is formatted on the
    // heap instead of being cut.
    char local[10240];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(local, sizeof local, format, args);
    va_end(args);
    bool appended;
    if (n < 0)
        appended = false;
    else if (static_cast<size_t>(n) < sizeof local)
        appended = Put(local, static_cast<uint32_t>(n));
    else
    {
        char* heap = static_cast<char*>(ostrel_internal::alloc::Allocate(static_cast<size_t>(n) + 1));
        if (heap)
        {
            std::vsnprintf(heap, static_cast<size_t>(n) + 1, format, again);
            appended = Put(heap, static_cast<uint32_t>(n));
            std::free(heap);
        }
        else
            appended = DropText();
    }
    va_end(again);
    return appended;
}

void RapTextOutput::CloseOutput(bool freeText)
{
    if (freeText)
        std::free(text);
    text = nullptr;
    length = 0;
    capacity = 0;
    error = RapNoError;
    limit = UINT32_MAX;
}
