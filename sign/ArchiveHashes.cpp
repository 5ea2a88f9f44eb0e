// The hashes a signature covers, from an archive's bytes: hash1 over the
// whole archive, the name hash, the file hash of versions 2 and 3, the prefix
// part, and hash2 and hash3 made from them.
#include <algorithm>
#include <cstring>
#include <gcrypt.h>

#include "Crypto.h"
#include "Signing.h"
#include "pbo/PboFormat.h"

namespace sign
{
namespace
{
struct Entry
{
    std::string name;
    uint32_t method = 0;
    uint32_t dataSize = 0;
    size_t dataAt = 0;
};

// Entry table, properties and data bounds of an archive.
struct Layout
{
    std::vector<Entry> entries;
    std::string prefix;
    bool hasPrefix = false;
    size_t dataEnd = 0;
};

uint32_t LoadU32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The zero-ended text at offset at; false when no zero byte follows.
bool TakeText(const unsigned char* data, size_t size, size_t& at, std::string& text)
{
    const void* end = at < size ? std::memchr(data + at, 0, size - at) : nullptr;
    if (!end)
        return false;
    const size_t length = static_cast<const unsigned char*>(end) - (data + at);
    text.assign(reinterpret_cast<const char*>(data + at), length);
    at += length + 1;
    return true;
}

// Every table entry (the properties entry and the terminator are not
// entries), the prefix property, and where the data of each entry lies.
Result ReadLayout(const unsigned char* data, size_t size, Layout& layout)
{
    size_t at = 0;
    for (bool first = true;; first = false)
    {
        Entry entry;
        if (!TakeText(data, size, at, entry.name) || size - at < 20)
            return ArchiveTruncated;
        entry.method = LoadU32(data + at);
        entry.dataSize = LoadU32(data + at + 16);
        at += 20;
        if (!entry.name.empty())
        {
            layout.entries.push_back(entry);
            continue;
        }
        if (!first || entry.method != PboMethodProduct)
            break;
        // Properties: name, value, ... ended by an empty name. The first
        // "prefix" counts.
        for (;;)
        {
            std::string key, value;
            if (!TakeText(data, size, at, key))
                return ArchiveTruncated;
            if (key.empty())
                break;
            if (!TakeText(data, size, at, value))
                return ArchiveTruncated;
            if (key == PrefixProperty && !layout.hasPrefix)
            {
                layout.prefix = value;
                layout.hasPrefix = true;
            }
        }
    }
    uint64_t end = at;
    for (Entry& entry : layout.entries)
    {
        entry.dataAt = static_cast<size_t>(end);
        end += entry.dataSize;
        if (end > size)
            return ArchiveTruncated;
    }
    layout.dataEnd = static_cast<size_t>(end);
    return Ok;
}

// The name as hashed: '/' as '\', ASCII letters in lower case.
std::string HashedName(const std::string& name)
{
    std::string out = name;
    for (char& c : out)
        c = c == '/' ? '\\' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
}

// Lower-case text after the last '.' of the last path component; empty
// when there is no dot.
std::string LowerExtension(const std::string& name)
{
    const std::string hashed = HashedName(name);
    const size_t slash = hashed.rfind('\\');
    const size_t dot = hashed.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return hashed.substr(dot + 1);
}

template <size_t N>
bool Listed(const std::string& extension, const char* const (&list)[N])
{
    return std::any_of(list, list + N, [&](const char* item) { return extension == item; });
}

bool FileHashed(const std::string& name, uint32_t version)
{
    const std::string extension = LowerExtension(name);
    return version == SignatureV2 ? !Listed(extension, V2SkippedExtensions) : Listed(extension, V3HashedExtensions);
}

// SHA-1 fed in pieces.
class Sha1Stream
{
public:
    Sha1Stream() { ok = CryptoReady() && gcry_md_open(&md, GCRY_MD_SHA1, 0) == 0; }
    ~Sha1Stream() { gcry_md_close(md); }
    Sha1Stream(const Sha1Stream&) = delete;
    Sha1Stream& operator=(const Sha1Stream&) = delete;
    void Write(const void* data, size_t size)
    {
        if (ok && size)
            gcry_md_write(md, data, size);
    }
    bool Finish(Digest& digest)
    {
        if (!ok)
            return false;
        std::memcpy(digest.data(), gcry_md_read(md, GCRY_MD_SHA1), DigestSize);
        return true;
    }

private:
    gcry_md_hd_t md = nullptr;
    bool ok = false;
};
} // namespace

Digest Sha1(const void* data, size_t size)
{
    Digest digest{};
    if (CryptoReady())
        gcry_md_hash_buffer(GCRY_MD_SHA1, digest.data(), data, size);
    return digest;
}

Digest CombineHashes(const Digest& first, const Digest& names, const std::string& prefixPart)
{
    std::string input(first.begin(), first.end());
    input.append(names.begin(), names.end());
    input += prefixPart;
    return Sha1(input.data(), input.size());
}

Result HashArchive(const unsigned char* data, size_t size, uint32_t version, ArchiveHashes& hashes)
{
    if (version != SignatureV2 && version != SignatureV3)
        return UnknownVersion;
    if (!CryptoReady())
        return CryptoFailure;
    Layout layout;
    Result result = ReadLayout(data, size, layout);
    if (result != Ok)
        return result;

    // hash1: the archive's own checksum, recomputed; a stored one is only
    // compared. Without one, every byte is hashed.
    const size_t tail = size - layout.dataEnd;
    if (tail == 0)
    {
        hashes.hash1 = Sha1(data, size);
        hashes.trailer = Trailer::Absent;
    }
    else if (tail == ArchiveTrailerSize && data[layout.dataEnd] == 0)
    {
        hashes.hash1 = Sha1(data, layout.dataEnd);
        hashes.trailer = std::memcmp(hashes.hash1.data(), data + layout.dataEnd + 1, DigestSize) == 0
                             ? Trailer::Matches
                             : Trailer::Differs;
    }
    else
        return ArchiveBadTail;

    // Names of the entries with data, sorted by unsigned byte value (the
    // order std::string compares in), joined without separators.
    std::vector<std::string> names;
    for (const Entry& entry : layout.entries)
    {
        if (entry.dataSize != 0)
            names.push_back(HashedName(entry.name));
    }
    std::sort(names.begin(), names.end());
    Sha1Stream nameHash;
    for (const std::string& name : names)
        nameHash.Write(name.data(), name.size());

    // Stored data of the version's entries, in table order.
    Sha1Stream fileHash;
    bool fed = false;
    for (const Entry& entry : layout.entries)
    {
        if (entry.dataSize != 0 && FileHashed(entry.name, version))
        {
            fileHash.Write(data + entry.dataAt, entry.dataSize);
            fed = true;
        }
    }
    if (!fed)
    {
        const char* nothing = version == SignatureV2 ? NothingV2 : NothingV3;
        fileHash.Write(nothing, std::strlen(nothing));
    }
    if (!nameHash.Finish(hashes.nameHash) || !fileHash.Finish(hashes.fileHash))
        return CryptoFailure;

    hashes.prefixPart = layout.prefix;
    if (!hashes.prefixPart.empty() && hashes.prefixPart.back() != '\\')
        hashes.prefixPart += '\\';
    hashes.hash2 = CombineHashes(hashes.hash1, hashes.nameHash, hashes.prefixPart);
    hashes.hash3 = CombineHashes(hashes.fileHash, hashes.nameHash, hashes.prefixPart);
    return Ok;
}
} // namespace sign
