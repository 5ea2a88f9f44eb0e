// Reading and writing .bikey, .biprivatekey and .bisign files, every field
// checked on the way in and given back byte for byte on the way out.
#include <cstring>

#include "Signing.h"

namespace sign
{
namespace
{
// Bounds-checked reading over a file's bytes.
class Cursor
{
public:
    Cursor(const unsigned char* data, size_t size) : data(data), size(size) {}

    bool Take(size_t n, const unsigned char*& out)
    {
        if (n > size - at)
            return false;
        out = data + at;
        at += n;
        return true;
    }
    bool U32(uint32_t& value)
    {
        const unsigned char* p = nullptr;
        if (!Take(4, p))
            return false;
        value = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        return true;
    }
    bool Number(size_t n, Bytes& out)
    {
        const unsigned char* p = nullptr;
        if (!Take(n, p))
            return false;
        out.assign(p, p + n);
        return true;
    }
    bool Number(size_t n, SecretBytes& out)
    {
        const unsigned char* p = nullptr;
        if (!Take(n, p))
            return false;
        out = SecretBytes(p, n);
        return true;
    }
    // The zero-ended authority at the start of every file.
    Result Authority(std::string& authority)
    {
        const void* end = size ? std::memchr(data, 0, size) : nullptr;
        if (!end)
            return size ? NoAuthority : Truncated;
        at = static_cast<const unsigned char*>(end) - data + 1;
        authority.assign(reinterpret_cast<const char*>(data), at - 1);
        return Ok;
    }
    bool AtEnd() const { return at == size; }

private:
    const unsigned char* data;
    size_t size;
    size_t at = 0;
};

void PutU32(Bytes& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// Authority, blob length, blob header, magic, bit length, exponent and
// modulus: the start every file shares. fullNumbers and halfNumbers give the
// blob length the bit length implies.
Result ReadKeyStart(Cursor& in, unsigned char type, const char* magic, unsigned fullNumbers, unsigned halfNumbers,
                    PublicKey& key)
{
    Result result = in.Authority(key.authority);
    if (result != Ok)
        return result;
    uint32_t blobLength = 0;
    const unsigned char* header = nullptr;
    const unsigned char* magicBytes = nullptr;
    if (!in.U32(blobLength) || !in.Take(8, header))
        return Truncated;
    const unsigned char expected[8] = {type,
                                       BlobVersion,
                                       0,
                                       0,
                                       BlobAlgorithm & 0xFF,
                                       (BlobAlgorithm >> 8) & 0xFF,
                                       (BlobAlgorithm >> 16) & 0xFF,
                                       BlobAlgorithm >> 24};
    if (std::memcmp(header, expected, 8) != 0)
        return BadBlobHeader;
    if (!in.Take(4, magicBytes))
        return Truncated;
    if (std::memcmp(magicBytes, magic, 4) != 0)
        return BadMagic;
    if (!in.U32(key.bits) || !in.U32(key.exponent))
        return Truncated;
    if (key.bits < MinKeyBits || key.bits > MaxKeyBits || key.bits % 16 != 0)
        return BadBitLength;
    if (key.exponent < 3 || key.exponent % 2 == 0)
        return BadExponent;
    const size_t k = key.Width();
    if (blobLength != BlobFixedSize + fullNumbers * k + halfNumbers * (k / 2))
        return BadBlobLength;
    return in.Number(k, key.modulus) ? Ok : Truncated;
}

void WriteKeyStart(Bytes& out, unsigned char type, const char* magic, size_t blobLength, const std::string& authority,
                   uint32_t bits, uint32_t exponent, const Bytes& modulus)
{
    out.insert(out.end(), authority.begin(), authority.end());
    out.push_back(0);
    PutU32(out, static_cast<uint32_t>(blobLength));
    out.insert(out.end(), {type, BlobVersion, 0, 0});
    PutU32(out, BlobAlgorithm);
    out.insert(out.end(), magic, magic + 4);
    PutU32(out, bits);
    PutU32(out, exponent);
    out.insert(out.end(), modulus.begin(), modulus.end());
}
} // namespace

PublicKey PrivateKey::Public() const
{
    PublicKey key;
    key.authority = authority;
    key.bits = bits;
    key.exponent = exponent;
    key.modulus = modulus;
    return key;
}

Result ReadPublicKey(const unsigned char* data, size_t size, PublicKey& key)
{
    Cursor in(data, size);
    Result result = ReadKeyStart(in, BlobPublicType, PublicMagic, 1, 0, key);
    if (result == Ok && !in.AtEnd())
        result = TrailingBytes;
    return result;
}

Result ReadPrivateKey(const unsigned char* data, size_t size, PrivateKey& key)
{
    Cursor in(data, size);
    PublicKey start;
    Result result = ReadKeyStart(in, BlobPrivateType, PrivateMagic, 2, 5, start);
    if (result != Ok)
        return result;
    key.authority = start.authority;
    key.bits = start.bits;
    key.exponent = start.exponent;
    key.modulus = start.modulus;
    const size_t half = key.Width() / 2;
    if (!in.Number(half, key.prime1) || !in.Number(half, key.prime2) || !in.Number(half, key.exponent1) ||
        !in.Number(half, key.exponent2) || !in.Number(half, key.coefficient) ||
        !in.Number(key.Width(), key.privateExponent))
        return Truncated;
    return in.AtEnd() ? Ok : TrailingBytes;
}

Result ReadSignature(const unsigned char* data, size_t size, Signature& signature)
{
    Cursor in(data, size);
    Result result = ReadKeyStart(in, BlobPublicType, PublicMagic, 1, 0, signature.key);
    if (result != Ok)
        return result;
    const size_t k = signature.key.Width();
    for (int i = 0; i < SignatureCount; ++i)
    {
        // The version sits between the first and the second signature.
        if (i == 1)
        {
            if (!in.U32(signature.version))
                return Truncated;
            if (signature.version != SignatureV2 && signature.version != SignatureV3)
                return UnknownVersion;
        }
        uint32_t length = 0;
        if (!in.U32(length))
            return Truncated;
        if (length != k)
            return BadSignatureLength;
        if (!in.Number(k, signature.values[i]))
            return Truncated;
    }
    return in.AtEnd() ? Ok : TrailingBytes;
}

Bytes WritePublicKey(const PublicKey& key)
{
    Bytes out;
    WriteKeyStart(out, BlobPublicType, PublicMagic, BlobFixedSize + key.Width(), key.authority, key.bits, key.exponent,
                  key.modulus);
    return out;
}

SecretBytes WritePrivateKey(const PrivateKey& key)
{
    const size_t k = key.Width();
    Bytes start;
    WriteKeyStart(start, BlobPrivateType, PrivateMagic, BlobFixedSize + 9 * k / 2, key.authority, key.bits,
                  key.exponent, key.modulus);
    SecretBytes out;
    out.Append(start.data(), start.size());
    for (const SecretBytes* number :
         {&key.prime1, &key.prime2, &key.exponent1, &key.exponent2, &key.coefficient, &key.privateExponent})
        out.Append(number->data(), number->size());
    return out;
}

Bytes WriteSignature(const Signature& signature)
{
    Bytes out = WritePublicKey(signature.key);
    for (int i = 0; i < SignatureCount; ++i)
    {
        if (i == 1)
            PutU32(out, signature.version);
        PutU32(out, static_cast<uint32_t>(signature.values[i].size()));
        out.insert(out.end(), signature.values[i].begin(), signature.values[i].end());
    }
    return out;
}
} // namespace sign
