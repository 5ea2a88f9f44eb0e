// Archive bytes built field by field for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TempDir.h"

namespace testsupport
{
// Builds archive bytes by hand, field by field, independent of the library's
// writer.
class PboBytes
{
public:
    PboBytes& U32(uint32_t v);
    PboBytes& Str(const std::string& s); // characters and a zero byte
    PboBytes& Raw(const Bytes& b);
    PboBytes& Raw(const std::string& s);
    // Header entry: name, method, original size, reserved, timestamp, data size.
    PboBytes& Entry(const std::string& name, uint32_t method, uint32_t originalSize, uint32_t reserved,
                    uint32_t timestamp, uint32_t dataSize);
    PboBytes& Product(const std::string& type, const std::string& name);
    PboBytes& Terminator();
    const Bytes& Get() const { return bytes; }
    size_t Size() const { return bytes.size(); }

private:
    Bytes bytes;
};

struct TestEntry
{
    std::string name;
    Bytes data;          // bytes as stored in the archive
    uint32_t method = 0; // 0 or compressed
    uint32_t originalSize = 0;
    uint32_t timestamp = 0;
};

// A complete archive: optional product strings, entries, terminator, data,
// residual bytes.
Bytes MakeArchive(const std::vector<TestEntry>& entries, const std::string& productType = "",
                  const std::string& productName = "", const Bytes& residual = {});
// An Arma archive's closing 21 bytes for the bytes before them: a zero byte
// and their SHA-1.
Bytes ChecksumTrailer(const Bytes& archive);
// The archive with that trailer added.
Bytes WithChecksum(Bytes archive);
// A compressed entry whose stored bytes pack the given contents.
TestEntry CompressedEntry(const std::string& name, const Bytes& contents);
TestEntry StoredEntry(const std::string& name, const std::string& contents);
Bytes ToBytes(const std::string& s);
} // namespace testsupport
