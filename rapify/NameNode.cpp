// The inline layout's string table: texts in index order and their
// case-insensitive index.

#include "NameNode.h"

#include <cstring>
#include <new>

#include "../frame/Text.h"

namespace
{
// Eight bytes with their ASCII capitals made small, the way text::Lower
// does it byte by byte: a byte below 0x80 whose value lies in 'A'..'Z' gains
// 0x20; every other byte stays.
uint64_t LowerEight(uint64_t w)
{
    const uint64_t ones = 0x0101010101010101ull;
    const uint64_t seven = w & (0x7F * ones);
    const uint64_t atLeastA = seven + (0x80 - 'A') * ones;
    const uint64_t aboveZ = seven + (0x80 - 'Z' - 1) * ones;
    const uint64_t capital = atLeastA & ~aboveZ & ~w & (0x80 * ones);
    return w | (capital >> 2);
}

uint64_t Mix(uint64_t h, uint64_t w)
{
    h = (h ^ w) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
}
} // namespace

uint64_t NameTable::Hash(const char* s, size_t length)
{
    uint64_t h = length * 0xC2B2AE3D27D4EB4Full;
    size_t i = 0;
    for (; i + 8 <= length; i += 8)
    {
        uint64_t w;
        std::memcpy(&w, s + i, 8);
        h = Mix(h, LowerEight(w));
    }
    if (i < length)
    {
        uint64_t w = 0;
        std::memcpy(&w, s + i, length - i);
        h = Mix(h, LowerEight(w));
    }
    return h ^ (h >> 32);
}

void NameTable::Grow()
{
    std::vector<Slot> old;
    old.swap(slots);
    slots.assign(old.empty() ? 256 : old.size() * 2, Slot{0, nullptr, 0, -1});
    size_t mask = slots.size() - 1;
    for (const Slot& slot : old)
    {
        if (!slot.text)
            continue;
        size_t i = static_cast<size_t>(slot.hash) & mask;
        while (slots[i].text)
            i = (i + 1) & mask;
        slots[i] = slot;
    }
}

int32_t NameTable::Intern(const char* text, bool& added)
{
    added = false;
    if (!text)
        text = "";
    if (static_cast<size_t>(count) * 2 >= slots.size())
        Grow();
    const size_t length = std::strlen(text);
    uint64_t hash = Hash(text, length);
    size_t mask = slots.size() - 1;
    size_t i = static_cast<size_t>(hash) & mask;
    // Linear probing; the table is at most half full, so a free slot ends
    // every search.
    for (; slots[i].text; i = (i + 1) & mask)
    {
        // Texts used again are mostly in the same case: the plain comparison
        // first.
        if (slots[i].hash == hash && slots[i].length == length &&
            (std::memcmp(slots[i].text, text, length) == 0 || text::EqualNoCase(slots[i].text, text)))
            return slots[i].index;
    }
    NameNode* node = new (std::nothrow) NameNode;
    if (!node)
        return -1;
    if (!node->text.Copy(text))
    {
        delete node;
        return -1;
    }
    strings.Append(node);
    slots[i] = Slot{hash, node->text.Get(), static_cast<uint32_t>(length), count};
    added = true;
    return count++;
}

void NameTable::Clear()
{
    slots.clear();
    strings.Clear();
    count = 0;
}
