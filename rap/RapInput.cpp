// Reading primitives over a binarised config in memory, and the table of
// indexed strings of the inline layout.
#include "RapInput.h"

#include <cstdlib>
#include <cstring>

#include "../frame/AllocFail.h"
#include "../frame/ByteOrder.h"
#include "RapFormat.h"

namespace
{
// Whether n bytes are left at position.
inline bool Left(uint32_t size, uint32_t position, uint32_t n)
{
    return position <= size && size - position >= n;
}
} // namespace

RapInput::RapInput()
    : data(nullptr), size(0), position(0), ownsData(false), layout(rapformat::LayoutInline), spaceSignature(false),
      strings(nullptr), stringsTail(nullptr), stringIndex(nullptr), stringIndexSize(0), outOfMemory(false)
{
}

RapInput::~RapInput()
{
    CloseInput();
}

// The reads test the bytes left once and load in place: the decoder calls
// them for every entry, so they are kept free of any per-read set-up.
int RapInput::GetByte()
{
    return position < size ? data[position++] : -1;
}

int RapInput::GetShort()
{
    if (!Left(size, position, 2))
        return -1;
    int value = byteorder::LoadU16(data + position);
    position += 2;
    return value;
}

int RapInput::GetLong()
{
    if (!Left(size, position, 4))
        return -1;
    int32_t value = byteorder::LoadI32(data + position);
    position += 4;
    return value;
}

float RapInput::GetFloat()
{
    if (!Left(size, position, 4))
        return -1.0f;
    float value = byteorder::LoadF32(data + position);
    position += 4;
    return value;
}

int RapInput::GetRazShort()
{
    const int step = static_cast<int>(rapformat::CountStep);
    if (position >= size)
        return -1;
    int first = data[position++];
    if (first < step)
        return first;
    if (position >= size)
        return -1;
    int second = data[position++];
    return (first & (step - 1)) + second * step;
}

const char* RapInput::GetString()
{
    if (position >= size)
        return nullptr;
    const unsigned char* start = data + position;
    const void* end = std::memchr(start, 0, size - position);
    if (!end)
        return nullptr;
    position += static_cast<uint32_t>(static_cast<const unsigned char*>(end) - start) + 1;
    return reinterpret_cast<const char*>(start);
}

const char* RapInput::GetIndexedStr()
{
    if (layout != rapformat::LayoutInline)
        return GetString();
    int index = GetRazShort();
    if (index < 0)
        return nullptr;
    uint32_t slot = static_cast<uint32_t>(index);
    if (slot < stringIndexSize && stringIndex[slot])
        return stringIndex[slot];
    const char* text = GetString();
    if (!text)
        return nullptr;
    if (!AddIndexedString(index, text))
    {
        outOfMemory = true;
        return nullptr;
    }
    return text;
}

bool RapInput::AddIndexedString(int index, const char* text)
{
    uint32_t slot = static_cast<uint32_t>(index);
    if (slot >= stringIndexSize)
    {
        // Indices stay below 32768, so the lookup stays small.
        uint32_t grown = stringIndexSize ? stringIndexSize : 64;
        while (grown <= slot)
            grown *= 2;
        void* block = ostrel_internal::alloc::Reallocate(stringIndex, grown * sizeof(const char*));
        if (!block)
            return false;
        stringIndex = static_cast<const char**>(block);
        for (uint32_t i = stringIndexSize; i < grown; ++i)
            stringIndex[i] = nullptr;
        stringIndexSize = grown;
    }
    StringNode* node = static_cast<StringNode*>(ostrel_internal::alloc::Allocate(sizeof(StringNode)));
    if (!node)
        return false;
    node->index = index;
    node->text = text;
    node->next = nullptr;
    if (stringsTail)
        stringsTail->next = node;
    else
        strings = node;
    stringsTail = node;
    stringIndex[slot] = text;
    return true;
}

void RapInput::CloseInput()
{
    if (ownsData)
        std::free(data);
    while (strings)
    {
        StringNode* next = strings->next;
        std::free(strings);
        strings = next;
    }
    std::free(stringIndex);
    data = nullptr;
    strings = nullptr;
    stringsTail = nullptr;
    stringIndex = nullptr;
    stringIndexSize = 0;
    outOfMemory = false;
    ownsData = false;
    position = 0;
    size = 0;
}
