// Archive bytes built field by field for tests.

#include "PboBytes.h"

#include "Compressor.h"
#include "frame/Sha1.h"

namespace testsupport
{
PboBytes& PboBytes::U32(uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return *this;
}

PboBytes& PboBytes::Str(const std::string& s)
{
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.push_back(0);
    return *this;
}

PboBytes& PboBytes::Raw(const Bytes& b)
{
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
}

PboBytes& PboBytes::Raw(const std::string& s)
{
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
}

PboBytes& PboBytes::Entry(const std::string& name, uint32_t method, uint32_t originalSize, uint32_t reserved,
                          uint32_t timestamp, uint32_t dataSize)
{
    return Str(name).U32(method).U32(originalSize).U32(reserved).U32(timestamp).U32(dataSize);
}

PboBytes& PboBytes::Product(const std::string& type, const std::string& name)
{
    return Entry("", 0x56657273, 0, 0, 0, 0).Str(type).Str(name).Str("");
}

PboBytes& PboBytes::Terminator()
{
    return Entry("", 0, 0, 0, 0, 0);
}

Bytes MakeArchive(const std::vector<TestEntry>& entries, const std::string& productType, const std::string& productName,
                  const Bytes& residual)
{
    PboBytes pbo;
    if (!productType.empty())
        pbo.Product(productType, productName);
    for (const TestEntry& e : entries)
        pbo.Entry(e.name, e.method, e.originalSize, 0, e.timestamp, static_cast<uint32_t>(e.data.size()));
    pbo.Terminator();
    for (const TestEntry& e : entries)
        pbo.Raw(e.data);
    pbo.Raw(residual);
    return pbo.Get();
}

Bytes ChecksumTrailer(const Bytes& archive)
{
    Bytes trailer(1 + Sha1::DigestSize, 0);
    Sha1 sha;
    sha.Update(archive.data(), archive.size());
    sha.Final(trailer.data() + 1);
    return trailer;
}

Bytes WithChecksum(Bytes archive)
{
    Bytes trailer = ChecksumTrailer(archive);
    archive.insert(archive.end(), trailer.begin(), trailer.end());
    return archive;
}

TestEntry CompressedEntry(const std::string& name, const Bytes& contents)
{
    TestEntry e;
    e.name = name;
    e.data = Compress(contents);
    e.method = 0x43707273;
    e.originalSize = static_cast<uint32_t>(contents.size());
    return e;
}

TestEntry StoredEntry(const std::string& name, const std::string& contents)
{
    TestEntry e;
    e.name = name;
    e.data = ToBytes(contents);
    return e;
}

Bytes ToBytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}
} // namespace testsupport
