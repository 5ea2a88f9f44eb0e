// Archive texts made fit for JSON.

#include "JsonText.h"

namespace cli
{
bool IsUtf8(const char* text)
{
    const unsigned char* c = reinterpret_cast<const unsigned char*>(text ? text : "");
    while (*c)
    {
        int follow = 0;
        unsigned long point = 0;
        if (*c < 0x80)
        {
            ++c;
            continue;
        }
        if ((*c & 0xE0) == 0xC0)
            follow = 1, point = *c & 0x1F;
        else if ((*c & 0xF0) == 0xE0)
            follow = 2, point = *c & 0x0F;
        else if ((*c & 0xF8) == 0xF0)
            follow = 3, point = *c & 0x07;
        else
            return false;
        ++c;
        for (int i = 0; i < follow; ++i, ++c)
        {
            if ((*c & 0xC0) != 0x80)
                return false;
            point = (point << 6) | (*c & 0x3F);
        }
        // Overlong forms, surrogates and points past U+10FFFF are not UTF-8.
        static const unsigned long smallest[] = {0, 0x80, 0x800, 0x10000};
        if (point < smallest[follow] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
    }
    return true;
}

std::string JsonText(const char* text)
{
    if (!text)
        return std::string();
    if (IsUtf8(text))
        return text;
    std::string utf8;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c)
    {
        if (*c < 0x80)
            utf8 += static_cast<char>(*c);
        else
        {
            utf8 += static_cast<char>(0xC0 | (*c >> 6));
            utf8 += static_cast<char>(0x80 | (*c & 0x3F));
        }
    }
    return utf8;
}

std::string HexText(const char* text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text ? text : ""); *c; ++c)
    {
        hex += digits[*c >> 4];
        hex += digits[*c & 15];
    }
    return hex;
}
} // namespace cli
