// The binarised config decoder, from the raP layouts back to config text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../frame/Export.h"
#include "RapError.h"
#include "RapInput.h"
#include "RapTextOutput.h"

// Decoder of binarised ("raP") configs back to config text. Reads the inline,
// Arma and Xbox layouts; the text is a C-allocator block that the decoder
// frees on Close(true), the next open or destruction, or that the caller takes
// over with Close(false) and releases with free().
//
// Hostile data ends with an error code and the text produced so far. Class
// bodies and arrays nest at most MaxDepth levels, and following body offsets
// never reads more bytes in total than the data holds (a sound file reads each
// byte once); passing either bound, as offsets that lead back into bodies
// already read do, ends the walk with "Derap: Unexpected EOF".
class OSTREL_API DeRap : public RapInput, public RapTextOutput
{
public:
    DeRap();
    ~DeRap();
    DeRap(const DeRap&) = delete;
    DeRap& operator=(const DeRap&) = delete;

    // Loads the whole file and detects its layout. RapNoFile when it cannot be
    // found, opened or read, RapOutOfMemory when its bytes cannot be
    // allocated, else the detection code (the bytes are kept for RapNoError
    // and RapXboxTextMeta).
    RapError OpenRapFile(const char* path);
    // Reads from the caller's buffer in place; it is neither copied nor owned
    // and must outlive the conversion, as must name. True only when the layout
    // was recognised and can be converted.
    // Note: although the buffer is taken as const, data whose byte 0 is a
    // space (a config whose zero bytes were turned into spaces) is restored in
    // place: every space byte from offset 4 on is rewritten to a zero byte.
    bool SetAsRapData(const unsigned char* buffer, unsigned int byteCount, const char* name);
    // Converts the open data and stores the text's address through textOut
    // (null when no text could be kept). On an error the text ends with the
    // message as a comment line. RapXboxTextMeta produces nothing.
    RapError ConvertRapData(const char** textOut);
    // Releases the input; the text is freed when freeText, else left to the
    // caller.
    void Close(bool freeText);

    static const char* ErrorString(RapError code);
    // 40 upper-case hexadecimal digits of the 20 bytes at bytes, or of the
    // Xbox signature (20 bytes at offset 4 of the data) when bytes is null
    // (empty text when no such data is held). Valid until the next call.
    const char* GetAsciiSig(const unsigned char* bytes);

    // Deepest nesting of class bodies and arrays that is read.
    static constexpr int MaxDepth = 256;
    // The text of a conversion holds at most TextPerInputByte characters for
    // each byte of data plus TextAllowance; a longer one answers
    // RapOutOfMemory.
    static constexpr uint64_t TextPerInputByte = 64;
    static constexpr uint64_t TextAllowance = 1u << 20;

    // Header line says "#pragma" instead of "#define" (Arma and Xbox layouts).
    bool usePragma;
    // Annotate the text with body offsets (Arma and Xbox layouts).
    bool showOffsets;
    // Detection found an Xbox text meta file, which is not converted.
    bool xboxTextMeta;
    // Name given to the last open; the pointer is held, not a copy.
    const char* fileName;

private:
    RapError CheckMagic();
    bool IsHeader8();
    RapError ProcessClasses();
    RapError XBox_ProcessBlock(int depth, uint32_t returnOffset);
    // True when the root body at the position inherits nothing and holds no
    // entries; reads nothing.
    bool RootBodyIsEmpty();
    uint32_t MoveTo(uint32_t offset);
    RapError ProcessEntryType(int depth);
    RapError ReadClassBody(int depth);
    RapError ReadInlineClass(int depth);
    RapError ReadVariables(int depth);
    // An array entry; append: the "name[] += {...}" form.
    RapError ReadArrayPacket(int depth, bool append = false);
    RapError ReadArray(int depth);
    RapError WriteCommonType(int subtype, int depth, const char* name);
    RapError WriteStringValue();
    RapError ProcessEnumList();
    char* DoubleUpQuotes(const char* s);
    // The code for a name or string GetIndexedStr could not give:
    // RapOutOfMemory when the string table could not grow, else usual.
    RapError IndexedFailure(RapError usual) const;

    // Working buffer of DoubleUpQuotes (C allocator), grown as needed.
    char* quoteBuffer;
    size_t quoteCapacity;
    // Text answered by GetAsciiSig.
    char signatureText[41];
    // Bytes read through body offsets so far: every jump closes a segment
    // that started at segmentStart. A sound file reads each byte once.
    uint64_t consumed;
    uint32_t segmentStart;
};
