// Reading primitives over a binarised config in memory, and the table of
// indexed strings of the inline layout.
#include "RapInput.h"

#include <cstdlib>
#include <cstring>

#include "../codec/Cursor.h"
#include "../frame/AllocFail.h"
#include "RapFormat.h"

namespace
{
// One read through a sticky cursor at position, which moves only when the
// read finds its bytes.
template <typename Value, typename Read>
bool ReadAt(const unsigned char* data, uint32_t size, uint32_t& position, Read read, Value& value)
{
    codec::Cursor at(data, size, position);
    value = read(at);
    if (at.Failed())
        return false;
    position = static_cast<uint32_t>(at.Position());
    return true;
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

int RapInput::GetByte()
{
    uint8_t value = 0;
    return ReadAt(
               data, size, position, [](codec::Cursor& at) { return at.U8(); }, value)
               ? value
               : -1;
}

int RapInput::GetShort()
{
    uint16_t value = 0;
    return ReadAt(
               data, size, position, [](codec::Cursor& at) { return at.U16(); }, value)
               ? value
               : -1;
}

int RapInput::GetLong()
{
    int32_t value = 0;
    return ReadAt(
               data, size, position, [](codec::Cursor& at) { return at.I32(); }, value)
               ? value
               : -1;
}

float RapInput::GetFloat()
{
    float value = 0.0f;
    return ReadAt(
               data, size, position, [](codec::Cursor& at) { return at.F32(); }, value)
               ? value
               : -1.0f;
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
