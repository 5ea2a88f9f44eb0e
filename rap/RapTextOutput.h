// The growing text of a decoded config.
#pragma once

#include <cstdint>

#include "../frame/Export.h"
#include "RapError.h"

// The growing text of a decoded config: a C-allocator block, NUL-terminated,
// with an indent character for nested lines. Once a growth fails the text is
// dropped, `error` holds 5 and nothing more is appended.
class OSTREL_API RapTextOutput
{
public:
    RapTextOutput();
    ~RapTextOutput();
    RapTextOutput(const RapTextOutput&) = delete;
    RapTextOutput& operator=(const RapTextOutput&) = delete;

    // true: indent with spaces (the default); false: with tabs.
    void SetTabChar(bool useSpace);
    // Writes the text (without its NUL) to path, mode "wb". False when the
    // file cannot be opened or not every character was written. With no text
    // held the file is created empty.
    bool WriteDecodedText(const char* path);

protected:
    // Appends "//" for a negative depth or the indent character depth times
    // for a positive one, then the printf-formatted text. False once an
    // append fails.
    bool OutputStr(int depth, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    // Unformatted appends producing the same text as OutputStr would.
    bool PutIndent(int depth);
    bool Put(const char* piece);
    bool Put(const char* piece, uint32_t pieceLength);
    bool PutInt(int32_t value);
    // "%g" of the value, exponent with at least 3 digits, at the smallest
    // precision (6 to 9) that reads back to the same float.
    bool PutFloat(float value);

    // Frees the text when freeText (else the caller owns it now); empties the
    // output either way.
    void CloseOutput(bool freeText);
    // Bounds the text to maxBytes (its NUL included); growing past the bound
    // fails like an allocation would. Cleared by CloseOutput.
    void LimitText(uint64_t maxBytes);
    const char* GetOutBuffer() const
    {
        return text;
    }

    RapError error;
    char* text;
    char indent[2];
    uint32_t length;
    uint32_t capacity;

private:
    // Largest capacity the text may grow to.
    uint32_t limit;

    bool AddToOutput(const char* piece);
    // Room for pieceLength more characters and the NUL; the buffer grows to
    // capacity * 2 + pieceLength + 1 when it is short. Null when it cannot.
    char* Reserve(uint32_t pieceLength);
    // Out of memory: drops the text and latches error 5; answers false.
    bool DropText();
};
