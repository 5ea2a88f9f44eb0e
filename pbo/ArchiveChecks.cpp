// Reading an archive's prefix file and checking the SHA-1 an Arma archive
// stores after its data.

#include <cstring>
#include <memory>
#include <new>

#include "../frame/Platform.h"
#include "../frame/Sha1.h"
#include "Ostrel.h"
#include "PboErrors.h"

namespace
{
// A prefix longer than the archive can store is never needed; the first line
// is read up to this many bytes.
const size_t PrefixReadLimit = 1024;
// Size of the block the archive is read through when its checksum is checked.
const size_t ChecksumBlockSize = 64u << 10;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
} // namespace

bool Ostrel::ReadPrefixFile(const char* path, char* prefix, size_t size)
{
    if (!path || !prefix || size == 0)
        return false;
    FILE* file = platform::OpenFile(path, "rb");
    if (!file)
        return false;
    char line[PrefixReadLimit + 1];
    size_t got = std::fread(line, 1, PrefixReadLimit, file);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return false;
    // The first line without its line end (LF, CR LF or a lone CR) and
    // without the blanks around it.
    size_t end = 0;
    while (end < got && line[end] != '\n' && line[end] != '\r')
        ++end;
    if (end == got && got == PrefixReadLimit)
        return false;
    size_t begin = 0;
    while (begin < end && IsBlank(line[begin]))
        ++begin;
    while (end > begin && IsBlank(line[end - 1]))
        --end;
    if (end - begin >= size)
        return false;
    std::memcpy(prefix, line + begin, end - begin);
    prefix[end - begin] = 0;
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
