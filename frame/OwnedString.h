// A holder of one heap text, for names and messages of the format classes.
#pragma once

#include <cstdio>

#include "Export.h"

// Holder of one heap text (C allocator), null when empty.
class OSTREL_API OwnedString
{
public:
    OwnedString() = default;
    explicit OwnedString(char* owned) : text(owned) {}
    ~OwnedString();
    OwnedString(const OwnedString&) = delete;
    OwnedString& operator=(const OwnedString&) = delete;

    char* Get() const { return text; }
    const char* c_str() const { return text ? text : ""; }
    bool Empty() const { return text == nullptr; }
    // Frees the text; the holder becomes empty.
    void Reset();
    // Frees the old text and takes ownership of the new one.
    void Assign(char* owned);
    // Frees the old text and stores a heap copy of source (null for null).
    char* Copy(const char* source);
    // Gives up ownership without freeing.
    char* Release();

    // Formats into a fresh heap text stored in holder (old text freed first).
    // A null format leaves the holder empty. Returns the new text.
    static char* FormatString(OwnedString& holder, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // Same, for a holder known to be empty: its pointer is overwritten, not freed.
    static char* FormatNewString(OwnedString& holder, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // Appends the formatted text; an empty format changes nothing.
    static char* AppendFormat(OwnedString& holder, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // Reads a zero-terminated text of at most 253 characters from file.
    // Null (holder emptied) when the file ends first or the text is longer.
    static char* ReadCString(OwnedString& holder, FILE* file);

private:
    char* text = nullptr;
};
