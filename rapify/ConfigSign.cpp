// The Xbox layout's signature: HMAC-SHA1 over everything after it, written
// into the 20 bytes at offset 4 once the rest of the file stands.

#include <cstdint>

#include "../frame/Platform.h"
#include "../frame/Sha1.h"
#include "ConfigWriter.h"

namespace
{
// The signing key of Xbox configs.
const unsigned char SigningKey[16] = {0x3b, 0x9e, 0x51, 0xc0, 0x7a, 0x2d, 0x84, 0xf6,
                                      0xe1, 0x05, 0x8c, 0x3d, 0xa9, 0x72, 0x4b, 0x1e};

// The signed part starts after the signature.
constexpr int64_t SignedFrom = rapformat::XboxSignatureOffset + rapformat::XboxSignatureSize;
} // namespace

bool ConfigWriter::SignFile()
{
    FILE* file = stream.OutputFile();
    if (!file)
        return false;
    int64_t length = platform::TellOf(file);
    if (length < SignedFrom || !platform::SeekTo(file, static_cast<uint64_t>(SignedFrom)))
        return false;
    // Read back in pieces: the file may be larger than is worth holding.
    HmacSha1 mac(SigningKey, sizeof SigningKey);
    unsigned char piece[4096];
    for (int64_t left = length - SignedFrom; left > 0;)
    {
        size_t want = left < static_cast<int64_t>(sizeof piece) ? static_cast<size_t>(left) : sizeof piece;
        if (std::fread(piece, 1, want, file) != want)
            return false;
        mac.Update(piece, want);
        left -= static_cast<int64_t>(want);
    }
    unsigned char digest[Sha1::DigestSize];
    mac.Final(digest);
    return platform::SeekTo(file, rapformat::XboxSignatureOffset) &&
           std::fwrite(digest, 1, sizeof digest, file) == sizeof digest;
}
