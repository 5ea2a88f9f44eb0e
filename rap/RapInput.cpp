#include "RapInput.h"

#include <cstdlib>
#include <cstring>

#include "RapFormat.h"
#include "RapMemory.h"

RapInput::RapInput()
    : data(nullptr), size(0), position(0), ownsData(false), layout(rapformat::LayoutInline), spaceSignature(false), strings(nullptr),
      stringsTail(nullptr), stringIndex(nullptr), stringIndexSize(0), outOfMemory(false)
{
}

RapInput::~RapInput()
{
    CloseInput();
}

int RapInput::GetByte()
{
    if (position >= size)
        return -1;
    return data[position++];
}

int RapInput::GetShort()
{
    if (position >= size || size - position < 2)
        return -1;
    int value = data[position] | (data[position + 1] << 8);
    position += 2;
    return value;
}

int RapInput::GetLong()
{
    if (position >= size || size - position < 4)
        return -1;
    uint32_t value = static_cast<uint32_t>(data[position]) | (static_cast<uint32_t>(data[position + 1]) << 8) |
                     (static_cast<uint32_t>(data[position + 2]) << 16) |
                     (static_cast<uint32_t>(data[position + 3]) << 24);
    position += 4;
    return static_cast<int32_t>(value);
}

float RapInput::GetFloat()
{
    if (position >= size || size - position < 4)
        return -1.0f;
    float value;
    std::memcpy(&value, data + position, sizeof value);
    position += 4;
    return value;
}

int RapInput::GetRazShort()
{
    int first = GetByte();
    const int step = static_cast<int>(rapformat::CountStep);
    if (first < step)
        return first; // the value, or -1 at the end
    int second = GetByte();
    if (second < 0)
        return -1;
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
        void* block = rapmemory::Reallocate(stringIndex, grown * sizeof(const char*));
        if (!block)
            return false;
        stringIndex = static_cast<const char**>(block);
        for (uint32_t i = stringIndexSize; i < grown; ++i)
            stringIndex[i] = nullptr;
        stringIndexSize = grown;
    }
    StringNode* node = static_cast<StringNode*>(rapmemory::Allocate(sizeof(StringNode)));
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
