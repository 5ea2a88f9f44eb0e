// Case-insensitive word lookup in the script command table through an
// open-addressed hash index built once from the table.
#include <cstring>

#include "../frame/Text.h"
#include "SqsCommand.h"

namespace
{
// Power of two, well above twice the number of rows, so probe runs stay short.
constexpr size_t Slots = 1024;

uint32_t HashLower(const char* word, size_t length)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < length; ++i)
    {
        h ^= static_cast<unsigned char>(text::Lower(word[i]));
        h *= 16777619u;
    }
    return h;
}

bool NameEquals(const char* name, const char* word, size_t length)
{
    for (size_t i = 0; i < length; ++i)
    {
        if (!name[i] || text::Lower(name[i]) != text::Lower(word[i]))
            return false;
    }
    return name[length] == 0;
}

// Each slot holds a row number + 1 (0: empty). A name already present keeps
// its earlier row, which is the row a scan in table order would find first.
class CommandIndex
{
public:
    CommandIndex()
    {
        const SqsCommand* rows = SqsCommandTable();
        for (size_t r = 0; rows[r].identifier != 0; ++r)
        {
            size_t length = std::strlen(rows[r].name);
            if (length > longest)
                longest = length;
            size_t s = Probe(rows[r].name, length);
            if (slots[s] == 0)
                slots[s] = static_cast<uint16_t>(r + 1);
        }
    }

    const SqsCommand* Find(const char* word, size_t length) const
    {
        if (length == 0 || length > longest)
            return nullptr;
        uint16_t row = slots[Probe(word, length)];
        return row ? SqsCommandTable() + (row - 1) : nullptr;
    }

private:
    // The slot holding word, or the empty slot where it would go.
    size_t Probe(const char* word, size_t length) const
    {
        const SqsCommand* rows = SqsCommandTable();
        size_t s = HashLower(word, length) & (Slots - 1);
        while (slots[s] != 0 && !NameEquals(rows[slots[s] - 1].name, word, length))
            s = (s + 1) & (Slots - 1);
        return s;
    }

    uint16_t slots[Slots] = {};
    size_t longest = 0;
};

const CommandIndex& Index()
{
    static const CommandIndex index;
    return index;
}
} // namespace

const SqsCommand* FindCommand(const char* word, size_t length)
{
    return word ? Index().Find(word, length) : nullptr;
}

const SqsCommand* FindCommand(const char* word)
{
    return word ? Index().Find(word, std::strlen(word)) : nullptr;
}
