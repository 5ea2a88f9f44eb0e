// Texts kept in fixed-width, NUL-padded name fields of loaded animation and
// world bytes, handed out as terminated C texts.
#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>

// A field that holds a NUL is served in place. A field filled to its last
// byte gets a terminated copy, made on first request and kept (at the same
// address) until Clear, so a caller never reads past the field.
class FieldText
{
public:
    // The field's text, or null when a copy cannot be allocated.
    const char* Get(const unsigned char* field, size_t width);
    void Clear() { copies.clear(); }

private:
    std::unordered_map<const unsigned char*, std::unique_ptr<char[]>> copies;
};
