// The inline layout's string table: texts in index order and their
// case-insensitive index.

#include "NameNode.h"

#include <cstring>
#include <new>

#include "../frame/Text.h"

uint64_t NameTable::Hash(const char* s)
{
    uint64_t h = 1469598103934665603ull;
    for (; *s; ++s)
    {
        h ^= static_cast<unsigned char>(text::Lower(*s));
        h *= 1099511628211ull;
    }
    return h;
}

void NameTable::Grow()
{
    std::vector<Slot> old;
    old.swap(slots);
    slots.assign(old.empty() ? 256 : old.size() * 2, Slot{0, nullptr, -1});
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
    uint64_t hash = Hash(text);
    size_t mask = slots.size() - 1;
    size_t i = static_cast<size_t>(hash) & mask;
    // Linear probing; the table is at most half full, so a free slot ends
    // every search.
    for (; slots[i].text; i = (i + 1) & mask)
    {
        // Texts used again are mostly in the same case: the plain comparison
        // first.
        if (slots[i].hash == hash && (std::strcmp(slots[i].text, text) == 0 || text::EqualNoCase(slots[i].text, text)))
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
    slots[i] = Slot{hash, node->text.Get(), count};
    added = true;
    return count++;
}

void NameTable::Clear()
{
    slots.clear();
    strings.Clear();
    count = 0;
}
