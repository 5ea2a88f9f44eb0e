// Heap texts: formatting into a block of exactly the needed size.

#include "OwnedString.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
// Formats into a heap block of exactly the needed size; null on failure.
// The historical working buffer was 2000 bytes; longer texts simply grow.
char* FormatHeap(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    char small[2000];
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0)
        return nullptr;
    char* out = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
    if (!out)
        return nullptr;
    if (static_cast<size_t>(n) < sizeof small)
        std::memcpy(out, small, static_cast<size_t>(n) + 1);
    else
        std::vsnprintf(out, static_cast<size_t>(n) + 1, format, args);
    return out;
}
} // namespace

OwnedString::~OwnedString()
{
    std::free(text);
}

void OwnedString::Reset()
{
    std::free(text);
    text = nullptr;
}

void OwnedString::Assign(char* owned)
{
    if (owned != text)
        std::free(text);
    text = owned;
}

char* OwnedString::Copy(const char* source)
{
    char* copy = nullptr;
    if (source)
    {
        size_t n = std::strlen(source);
        copy = static_cast<char*>(std::malloc(n + 1));
        if (copy)
            std::memcpy(copy, source, n + 1);
    }
    Assign(copy);
    return text;
}

char* OwnedString::Release()
{
    char* t = text;
    text = nullptr;
    return t;
}

char* OwnedString::FormatString(OwnedString& holder, const char* format, ...)
{
    holder.Reset();
    if (!format)
        return nullptr;
    va_list args;
    va_start(args, format);
    holder.text = FormatHeap(format, args);
    va_end(args);
    return holder.text;
}

char* OwnedString::FormatNewString(OwnedString& holder, const char* format, ...)
{
    holder.text = nullptr;
    if (!format)
        return nullptr;
    va_list args;
    va_start(args, format);
    holder.text = FormatHeap(format, args);
    va_end(args);
    return holder.text;
}

char* OwnedString::AppendFormat(OwnedString& holder, const char* format, ...)
{
    if (!format || !*format)
        return holder.text;
    va_list args;
    va_start(args, format);
    char* piece = FormatHeap(format, args);
    va_end(args);
    if (!piece)
        return holder.text;
    if (!holder.text)
    {
        holder.text = piece;
        return holder.text;
    }
    size_t oldLength = std::strlen(holder.text);
    size_t pieceLength = std::strlen(piece);
    char* joined = static_cast<char*>(std::malloc(oldLength + pieceLength + 1));
    if (joined)
    {
        std::memcpy(joined, holder.text, oldLength);
        std::memcpy(joined + oldLength, piece, pieceLength + 1);
        holder.Assign(joined);
    }
    std::free(piece);
    return holder.text;
}

char* OwnedString::ReadCString(OwnedString& holder, FILE* file)
{
    holder.Reset();
    if (!file)
        return nullptr;
    char buffer[254];
    for (size_t i = 0; i < sizeof buffer; ++i)
    {
        int c = std::fgetc(file);
        if (c == EOF)
            return nullptr;
        buffer[i] = static_cast<char>(c);
        if (c == 0)
            return holder.Copy(buffer);
    }
    return nullptr;
}
