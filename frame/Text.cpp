#include "Text.h"

#include <cstring>

bool ostrel_internal::text::EqualNoCase(const char* a, const char* b)
{
    using ::text::Lower;
    if (!a || !b)
        return a == b;
    for (; *a && *b; ++a, ++b)
    {
        if (Lower(*a) != Lower(*b))
            return false;
    }
    return *a == *b;
}

namespace text
{
const char* BaseName(const char* path)
{
    if (!path)
        return path;
    const char* back = std::strrchr(path, '\\');
    const char* slash = std::strrchr(path, '/');
    const char* cut = back ? back : slash;
    return cut ? cut + 1 : path;
}
} // namespace text
