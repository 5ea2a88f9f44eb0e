// The build cache's content hash: 64 bits over a file's bytes, to tell a
// changed input from one that was only touched. Not a cryptographic hash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cli
{
namespace modbuild
{
class ContentHash
{
public:
    void Update(const void* data, size_t size);
    uint64_t Final() const;

private:
    void Word(uint64_t word);

    uint64_t state = 0x243F6A8885A308D3ull;
    uint64_t total = 0;
    unsigned char pending[8] = {};
    size_t pendingSize = 0;
};

uint64_t HashBytes(const void* data, size_t size);
// Hashes a file's bytes; false when it cannot be read.
bool HashFile(const std::string& path, uint64_t& hash);
// Sixteen lower-case hexadecimal digits, and back (false when not so).
std::string HexOf(uint64_t value);
bool ParseHex(const std::string& text, uint64_t& value);
} // namespace modbuild
} // namespace cli
