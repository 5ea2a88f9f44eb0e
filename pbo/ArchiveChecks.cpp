// Reading an archive's prefix file and checking the SHA-1 an Arma archive
// stores after its data.

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "../frame/Platform.h"
#include "../frame/PrefixFile.h"
#include "../frame/Sha1.h"
#include "Ostrel.h"
#include "PboErrors.h"

namespace
{
// Size of the block the archive is read through when its checksum is checked.
const size_t ChecksumBlockSize = 64u << 10;
} // namespace

bool Ostrel::ReadPrefixFile(const char* path, char* prefix, size_t size)
{
    if (!path || !prefix || size == 0)
        return false;
    // One line, or the "prefix=" line among key=value lines.
    std::string text;
    if (!ostrel_internal::prefixfile::ReadPrefixFile(path, text) || text.size() >= size)
        return false;
    std::memcpy(prefix, text.c_str(), text.size() + 1);
    return true;
}

int Ostrel::VerifyChecksum()
{
    FILE* file = stream.InputFile();
    if (!file)
        return errorCode = PboNoFile;
    const uint64_t size = stream.FileSize();
    const int stored = PboArmaTrailerSize;
    if (info.residualCount != stored || size < static_cast<uint64_t>(stored) || info.keyStore[0] != 0)
        return PboChecksumAbsent;
    static const unsigned char zeros[PboArmaTrailerSize] = {};
    if (std::memcmp(info.keyStore, zeros, stored) == 0)
        return PboChecksumAbsent;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[ChecksumBlockSize]);
    if (!block)
        return errorCode = PboNoMemory;
    const int64_t resume = platform::TellOf(file);
    Sha1 sha;
    bool ok = resume >= 0 && platform::SeekTo(file, 0);
    for (uint64_t left = size - stored; ok && left > 0;)
    {
        size_t piece = left < ChecksumBlockSize ? static_cast<size_t>(left) : ChecksumBlockSize;
        ok = std::fread(block.get(), 1, piece, file) == piece;
        sha.Update(block.get(), piece);
        left -= piece;
    }
    ok = platform::SeekTo(file, static_cast<uint64_t>(resume)) && ok;
    if (!ok)
        return errorCode = PboTruncated;
    unsigned char digest[Sha1::DigestSize];
    sha.Final(digest);
    return std::memcmp(digest, info.keyStore + 1, sizeof digest) == 0 ? PboChecksumMatches : PboChecksumDiffers;
}
