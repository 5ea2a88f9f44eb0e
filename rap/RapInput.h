// Bounded reads over a binarised config held in memory.
#pragma once

#include <cstdint>

#include "../frame/Export.h"

// Reading primitives over a binarised config held in memory, and the table of
// indexed strings of the inline layout. Every read is checked against `size`;
// reads past the end answer the "end of data" value of each primitive.
class OSTREL_API RapInput
{
public:
    RapInput();
    ~RapInput();
    RapInput(const RapInput&) = delete;
    RapInput& operator=(const RapInput&) = delete;

    // One string of the inline layout's table; `text` points into `data`.
    struct StringNode
    {
        int32_t index;
        const char* text;
        StringNode* next;
    };

protected:
    // 0 to 255, or -1 at the end of the data.
    int GetByte();
    // Unsigned 16-bit little-endian, or -1 (position kept) when fewer than 2
    // bytes are left.
    int GetShort();
    // Signed 32-bit little-endian, or -1 (position kept) when fewer than 4
    // bytes are left.
    int GetLong();
    // Single-precision float, or -1.0 (position kept) when fewer than 4 bytes
    // are left.
    float GetFloat();
    // Compressed count: one byte below 0x80, else (first & 0x7F) + second * 128.
    // -1 when a needed byte is missing.
    int GetRazShort();
    // The zero-terminated string at the position (inside `data`), or null
    // (position kept) when no zero byte follows within the data.
    const char* GetString();
    // Arma and Xbox layouts: GetString. Inline layout: an index, followed by
    // the string itself the first time the index occurs. Null when the index
    // or a needed string cannot be read, or when the table cannot grow (then
    // `outOfMemory` is set).
    const char* GetIndexedStr();
    // Releases owned data and the string table; nothing is held afterwards.
    void CloseInput();

    unsigned char* data;
    uint32_t size;
    uint32_t position;
    bool ownsData;
    int32_t layout;
    bool spaceSignature;
    StringNode* strings;

    // Last node of `strings`, where new ones are appended.
    StringNode* stringsTail;
    // Direct lookup of the table by index (indices are below 32768).
    const char** stringIndex;
    uint32_t stringIndexSize;
    // A string-table node or the lookup could not be allocated.
    bool outOfMemory;

private:
    bool AddIndexedString(int index, const char* text);
};
