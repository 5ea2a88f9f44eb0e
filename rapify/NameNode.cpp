// The inline layout's string table: texts in index order and their
// case-insensitive index.

#include "NameNode.h"

#include <new>

#include "../frame/Text.h"

size_t NameTable::NoCaseHash::operator()(const char* s) const
{
    // FNV-1a over the lower-cased bytes.
    uint64_t h = 1469598103934665603ull;
    for (; *s; ++s)
    {
        h ^= static_cast<unsigned char>(text::Lower(*s));
        h *= 1099511628211ull;
    }
    return static_cast<size_t>(h);
}

bool NameTable::NoCaseEqual::operator()(const char* a, const char* b) const
{
    return text::EqualNoCase(a, b);
}

int32_t NameTable::Find(const char* text) const
{
    auto found = index.find(text ? text : "");
    return found == index.end() ? -1 : found->second;
}

int32_t NameTable::Add(const char* text)
{
    NameNode* node = new (std::nothrow) NameNode;
    if (!node)
        return -1;
    if (!node->text.Copy(text ? text : ""))
    {
        delete node;
        return -1;
    }
    strings.Append(node);
    index.emplace(node->text.Get(), count);
    return count++;
}

void NameTable::Clear()
{
    index.clear();
    strings.Clear();
    count = 0;
}
