// Terminated texts for fixed-width name fields.
#include "RtmFieldText.h"

#include <cstring>
#include <new>

const char* FieldText::Get(const unsigned char* field, size_t width)
{
    if (!field)
        return nullptr;
    if (std::memchr(field, 0, width))
        return reinterpret_cast<const char*>(field);
    try
    {
        std::unique_ptr<char[]>& copy = copies[field];
        if (!copy)
        {
            copy.reset(new char[width + 1]);
            std::memcpy(copy.get(), field, width);
            copy[width] = 0;
        }
        return copy.get();
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}
