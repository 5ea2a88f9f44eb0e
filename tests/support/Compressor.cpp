// Test-side packer of the entry compression format.

#include "Compressor.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace testsupport
{
namespace
{
const size_t Window = 4095;
const size_t MinMatch = 3;
const size_t MaxMatch = 18;
const size_t HashSize = 1 << 15;
const size_t ChainDepth = 16;

size_t Hash(const unsigned char* p)
{
    return ((p[0] << 10) ^ (p[1] << 5) ^ p[2]) & (HashSize - 1);
}
} // namespace

Bytes Compress(const Bytes& input)
{
    Bytes out;
    const size_t n = input.size();
    std::vector<int64_t> head(HashSize, -1);
    std::vector<int64_t> prev(n, -1);
    size_t flagAt = 0;
    int bit = 8;
    auto token = [&](bool literal) {
        if (bit == 8)
        {
            flagAt = out.size();
            out.push_back(0);
            bit = 0;
        }
        if (literal)
            out[flagAt] = static_cast<unsigned char>(out[flagAt] | (1 << bit));
        ++bit;
    };
    auto insert = [&](size_t pos) {
        if (pos + MinMatch <= n)
        {
            size_t h = Hash(&input[pos]);
            prev[pos] = head[h];
            head[h] = static_cast<int64_t>(pos);
        }
    };
    size_t pos = 0;
    while (pos < n)
    {
        size_t bestLength = 0;
        size_t bestOffset = 0;
        if (pos + MinMatch <= n)
        {
            int64_t candidate = head[Hash(&input[pos])];
            for (size_t depth = 0; candidate >= 0 && depth < ChainDepth; ++depth)
            {
                size_t c = static_cast<size_t>(candidate);
                if (pos - c > Window)
                    break;
                size_t length = 0;
                while (length < MaxMatch && pos + length < n && input[c + length] == input[pos + length])
                    ++length;
                if (length > bestLength)
                {
                    bestLength = length;
                    bestOffset = pos - c;
                }
                candidate = prev[c];
            }
        }
        if (bestLength >= MinMatch)
        {
            token(false);
            out.push_back(static_cast<unsigned char>(bestOffset & 0xFF));
            out.push_back(static_cast<unsigned char>(((bestOffset >> 8) << 4) | (bestLength - MinMatch)));
            for (size_t k = 0; k < bestLength; ++k)
                insert(pos + k);
            pos += bestLength;
        }
        else
        {
            token(true);
            out.push_back(input[pos]);
            insert(pos);
            ++pos;
        }
    }
    uint32_t sum = 0;
    for (unsigned char c : input)
        sum += c;
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(sum >> (8 * i)));
    return out;
}

Bytes TextLike(size_t n, unsigned seed)
{
    static const char* const words[] = {
        "class", "units", "weapons", "vehicles", "scope", "model", "displayName", "author",   "requiredAddons",
        "armor", "speed", "{",       "};",       "=",     "\"",    "cfgPatches",  "magazines"};
    std::mt19937 random(seed);
    std::string text;
    text.reserve(n + 64);
    while (text.size() < n)
    {
        int count = 3 + static_cast<int>(random() % 6);
        for (int w = 0; w < count; ++w)
        {
            text += words[random() % (sizeof words / sizeof words[0])];
            if (random() % 4 == 0)
                text += std::to_string(random() % 10000);
            text += ' ';
        }
        text += "\r\n";
    }
    text.resize(n);
    return Bytes(text.begin(), text.end());
}

Bytes Repetitive(size_t n)
{
    Bytes data(n);
    for (size_t i = 0; i < n; ++i)
        data[i] = static_cast<unsigned char>("abcabcabcxyz"[i % 12]);
    return data;
}
} // namespace testsupport
