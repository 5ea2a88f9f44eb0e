// Archive signing beside the library: key and signature files read and
// written byte for byte, the archive hashes, signing, verification with its
// reasons, and key generation. Numbers, SHA-1 and randomness from libgcrypt.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "SecretBytes.h"
#include "SignFormat.h"

namespace sign
{
using Bytes = std::vector<unsigned char>;
using Digest = std::array<unsigned char, DigestSize>;

enum Result
{
    Ok = 0,
    // Layout of key and signature files.
    Truncated,
    NoAuthority,
    BadBlobLength,
    BadBlobHeader,
    BadMagic,
    BadBitLength,
    BadExponent,
    BadSignatureLength,
    UnknownVersion,
    TrailingBytes,
    // Archives.
    ArchiveTruncated,
    ArchiveBadTail,
    // Keys, names and files.
    BadAuthorityName,
    BadKeySize,
    KeyInconsistent,
    CannotRead,
    CannotWrite,
    CryptoFailure,
    // Verification.
    AuthorityDiffers,
    KeyDiffers,
    SignatureFails
};
const char* ErrorText(Result result);

// A public key: the authority (any bytes but zero) and the RSA numbers, each
// stored least significant byte first in its fixed width (bits / 8).
struct PublicKey
{
    std::string authority;
    uint32_t bits = 0;
    uint32_t exponent = 0;
    Bytes modulus;

    size_t Width() const { return bits / 8; }
};

// A private key; the secret numbers are wiped when the key goes. Half-size
// numbers take bits / 16 bytes.
struct PrivateKey
{
    std::string authority;
    uint32_t bits = 0;
    uint32_t exponent = 0;
    Bytes modulus;
    SecretBytes prime1;      // p, the larger prime in generated keys
    SecretBytes prime2;      // q
    SecretBytes exponent1;   // d mod (p - 1)
    SecretBytes exponent2;   // d mod (q - 1)
    SecretBytes coefficient; // q^-1 mod p
    SecretBytes privateExponent;

    size_t Width() const { return bits / 8; }
    PublicKey Public() const;
};

// A signature file: the signer's public key, the version, and three
// signature values of the key's width.
struct Signature
{
    PublicKey key;
    uint32_t version = SignatureV3;
    std::array<Bytes, SignatureCount> values;
};

// Readers check every field and refuse trailing bytes; writers give the
// exact bytes back.
Result ReadPublicKey(const unsigned char* data, size_t size, PublicKey& key);
Result ReadPrivateKey(const unsigned char* data, size_t size, PrivateKey& key);
Result ReadSignature(const unsigned char* data, size_t size, Signature& signature);
Bytes WritePublicKey(const PublicKey& key);
SecretBytes WritePrivateKey(const PrivateKey& key);
Bytes WriteSignature(const Signature& signature);

// Whether a stored archive checksum agrees with the content.
enum class Trailer
{
    Absent,
    Matches,
    Differs
};

// What a signature covers. hash1 is computed from the archive's bytes (the
// stored checksum is only compared with it).
struct ArchiveHashes
{
    Digest hash1{};
    Digest nameHash{};
    Digest fileHash{};
    std::string prefixPart;
    Digest hash2{};
    Digest hash3{};
    Trailer trailer = Trailer::Absent;
};
Result HashArchive(const unsigned char* data, size_t size, uint32_t version, ArchiveHashes& hashes);
// SHA-1 of first, then names, then the prefix part: hash2 and hash3.
Digest CombineHashes(const Digest& first, const Digest& names, const std::string& prefixPart);
Digest Sha1(const void* data, size_t size);

// The k-byte block a digest is signed as, most significant byte first.
Bytes PaddedDigest(const Digest& digest, size_t width);

// Signs an archive's bytes with the version's three hashes.
Result SignArchive(const PrivateKey& key, const unsigned char* archive, size_t size, uint32_t version,
                   Signature& signature);

// The outcome of a verification: result is Ok, or the reason that stopped it
// (AuthorityDiffers, KeyDiffers, an archive layout error), or SignatureFails
// with the failing signatures marked.
struct Verdict
{
    Result result = Ok;
    std::array<bool, SignatureCount> fails{};
    std::array<bool, SignatureCount> outOfRange{}; // value not below the modulus
    Trailer trailer = Trailer::Absent;

    // Passed when every signature holds and no stored checksum disagrees.
    bool Passed() const { return result == Ok && trailer != Trailer::Differs; }
    // "" when passed, else every reason in one line.
    std::string Reason() const;
};
Verdict VerifyArchive(const PublicKey& key, const Signature& signature, const unsigned char* archive, size_t size);

// A new key: exponent 65537, p > q, d = e^-1 mod (p - 1)(q - 1).
Result GenerateKey(const std::string& authority, uint32_t bits, PrivateKey& key);

// An authority that can name files: no separator, no "..", no control
// character, none of the characters or names some file system refuses, and
// short enough to leave room for the longest file name made from it.
bool UsableAsFileName(const std::string& authority);

// Whole files. Private keys are created readable by their owner only;
// everything goes through a temporary file renamed into place.
Result ReadWholeFile(const std::string& path, size_t limit, Bytes& bytes);
Result WriteFileBytes(const std::string& path, const unsigned char* data, size_t size, bool secret);
} // namespace sign
