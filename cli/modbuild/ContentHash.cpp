// The build cache's content hash: eight bytes a step, each mixed in with a
// multiply and a shift, the length mixed in at the end.

#include "ContentHash.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace cli
{
namespace modbuild
{
namespace
{
const uint64_t Multiplier = 0x9E3779B97F4A7C15ull;

uint64_t Mix(uint64_t value)
{
    value ^= value >> 31;
    value *= 0xBF58476D1CE4E5B9ull;
    value ^= value >> 29;
    return value;
}

uint64_t LittleWord(const unsigned char* bytes)
{
    uint64_t word = 0;
    for (int i = 7; i >= 0; --i)
        word = (word << 8) | bytes[i];
    return word;
}
} // namespace

void ContentHash::Word(uint64_t word)
{
    state = (state ^ word) * Multiplier;
    state ^= state >> 32;
}

void ContentHash::Update(const void* data, size_t size)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    total += size;
    if (pendingSize)
    {
        const size_t take = size < 8 - pendingSize ? size : 8 - pendingSize;
        std::memcpy(pending + pendingSize, bytes, take);
        pendingSize += take;
        bytes += take;
        size -= take;
        if (pendingSize < 8)
            return;
        Word(LittleWord(pending));
        pendingSize = 0;
    }
    // pendingSize == 0 here: whole words straight from the input.
    for (; size >= 8; bytes += 8, size -= 8)
        Word(LittleWord(bytes));
    std::memcpy(pending, bytes, size);
    pendingSize = size;
}

uint64_t ContentHash::Final() const
{
    uint64_t value = state;
    if (pendingSize)
    {
        unsigned char last[8] = {};
        std::memcpy(last, pending, pendingSize);
        value = (value ^ LittleWord(last)) * Multiplier;
    }
    return Mix(value ^ total * Multiplier);
}

uint64_t HashBytes(const void* data, size_t size)
{
    ContentHash hash;
    hash.Update(data, size);
    return hash.Final();
}

bool HashFile(const std::string& path, uint64_t& hash)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        return false;
    ContentHash content;
    unsigned char block[64 << 10];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0)
        content.Update(block, got);
    if (std::ferror(file.get()))
        return false;
    hash = content.Final();
    return true;
}

std::string HexOf(uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

bool ParseHex(const std::string& text, uint64_t& value)
{
    if (text.size() != 16)
        return false;
    value = 0;
    for (char c : text)
    {
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0)
            return false;
        value = (value << 4) | static_cast<uint64_t>(digit);
    }
    return true;
}
} // namespace modbuild
} // namespace cli
