// Signing and verifying archives (PKCS #1 v1.5 blocks over SHA-1 digests,
// raised to the private or public exponent) and generating keys.
#include <cstring>

#include "Crypto.h"

namespace sign
{
namespace
{
// s = m^d mod n for one digest, checked by raising it back to e.
Result SignDigest(const PrivateKey& key, const Mpi& modulus, const Mpi& privateExponent, const Mpi& exponent,
                  const Digest& digest, Bytes& value)
{
    const size_t k = key.Width();
    const Bytes block = PaddedDigest(digest, k);
    Mpi message;
    {
        gcry_mpi_t scanned = nullptr;
        if (gcry_mpi_scan(&scanned, GCRYMPI_FMT_USG, block.data(), block.size(), nullptr) != 0)
            return CryptoFailure;
        message = Mpi(scanned);
    }
    if (gcry_mpi_cmp(message.Get(), modulus.Get()) >= 0)
        return KeyInconsistent;
    Mpi signature(gcry_mpi_new(key.bits));
    gcry_mpi_powm(signature.Get(), message.Get(), privateExponent.Get(), modulus.Get());
    Mpi back(gcry_mpi_new(key.bits));
    gcry_mpi_powm(back.Get(), signature.Get(), exponent.Get(), modulus.Get());
    if (gcry_mpi_cmp(back.Get(), message.Get()) != 0)
        return KeyInconsistent;
    value.assign(k, 0);
    return ToLittleEndian(signature, k, value.data()) ? Ok : CryptoFailure;
}

// Whether value^e mod n is the block of the digest.
bool Holds(const Mpi& modulus, const Mpi& exponent, const Bytes& value, const Digest& digest, size_t width,
           bool& outOfRange)
{
    Mpi signature = FromLittleEndian(value.data(), value.size(), false);
    if (!signature)
        return false;
    outOfRange = gcry_mpi_cmp(signature.Get(), modulus.Get()) >= 0;
    if (outOfRange)
        return false;
    Mpi message(gcry_mpi_new(static_cast<unsigned>(width * 8)));
    gcry_mpi_powm(message.Get(), signature.Get(), exponent.Get(), modulus.Get());
    Bytes block(width, 0);
    if (!ToLittleEndian(message, width, block.data()))
        return false;
    const Bytes expected = PaddedDigest(digest, width);
    return std::equal(expected.rbegin(), expected.rend(), block.begin());
}

Mpi SmallNumber(uint32_t value)
{
    return Mpi(gcry_mpi_set_ui(nullptr, value));
}

bool SameKey(const PublicKey& a, const PublicKey& b)
{
    return a.bits == b.bits && a.exponent == b.exponent && a.modulus == b.modulus;
}

// The digest each signature signs.
std::array<Digest, SignatureCount> Signed(const ArchiveHashes& hashes)
{
    return {hashes.hash1, hashes.hash2, hashes.hash3};
}
} // namespace

Bytes PaddedDigest(const Digest& digest, size_t width)
{
    const size_t fixed = 3 + sizeof Sha1DigestInfo + DigestSize;
    Bytes block(width < fixed ? fixed : width, 0xFF);
    block[0] = 0x00;
    block[1] = 0x01;
    const size_t infoAt = block.size() - DigestSize - sizeof Sha1DigestInfo;
    block[infoAt - 1] = 0x00;
    std::memcpy(block.data() + infoAt, Sha1DigestInfo, sizeof Sha1DigestInfo);
    std::memcpy(block.data() + infoAt + sizeof Sha1DigestInfo, digest.data(), DigestSize);
    return block;
}

Result SignArchive(const PrivateKey& key, const unsigned char* archive, size_t size, uint32_t version,
                   Signature& signature)
{
    if (!CryptoReady())
        return CryptoFailure;
    ArchiveHashes hashes;
    Result result = HashArchive(archive, size, version, hashes);
    if (result != Ok)
        return result;
    Mpi modulus = FromLittleEndian(key.modulus.data(), key.modulus.size(), false);
    Mpi privateExponent = FromLittleEndian(key.privateExponent.data(), key.privateExponent.size(), true);
    Mpi exponent = SmallNumber(key.exponent);
    if (!modulus || !privateExponent || !exponent)
        return CryptoFailure;
    Signature made;
    made.key = key.Public();
    made.version = version;
    const std::array<Digest, SignatureCount> digests = Signed(hashes);
    for (int i = 0; i < SignatureCount; ++i)
    {
        result = SignDigest(key, modulus, privateExponent, exponent, digests[i], made.values[i]);
        if (result != Ok)
            return result;
    }
    signature = made;
    return Ok;
}

Verdict VerifyArchive(const PublicKey& key, const Signature& signature, const unsigned char* archive, size_t size)
{
    Verdict verdict;
    if (!CryptoReady())
    {
        verdict.result = CryptoFailure;
        return verdict;
    }
    if (key.authority != signature.key.authority)
        verdict.result = AuthorityDiffers;
    else if (!SameKey(key, signature.key))
        verdict.result = KeyDiffers;
    if (verdict.result != Ok)
        return verdict;
    ArchiveHashes hashes;
    verdict.result = HashArchive(archive, size, signature.version, hashes);
    if (verdict.result != Ok)
        return verdict;
    verdict.trailer = hashes.trailer;
    Mpi modulus = FromLittleEndian(key.modulus.data(), key.modulus.size(), false);
    Mpi exponent = SmallNumber(key.exponent);
    if (!modulus || !exponent)
    {
        verdict.result = CryptoFailure;
        return verdict;
    }
    const std::array<Digest, SignatureCount> digests = Signed(hashes);
    for (int i = 0; i < SignatureCount; ++i)
    {
        bool outOfRange = false;
        verdict.fails[i] = !Holds(modulus, exponent, signature.values[i], digests[i], key.Width(), outOfRange);
        verdict.outOfRange[i] = outOfRange;
        if (verdict.fails[i])
            verdict.result = SignatureFails;
    }
    return verdict;
}

std::string Verdict::Reason() const
{
    std::string reason;
    if (result == SignatureFails)
    {
        // "signature 3 does not match ...", "signatures 1, 2 and 3 do not ..."
        std::vector<std::string> failed;
        for (int i = 0; i < SignatureCount; ++i)
        {
            if (fails[i])
                failed.push_back(std::to_string(i + 1) + (outOfRange[i] ? " (value not below the modulus)" : ""));
        }
        reason = failed.size() == 1 ? "signature " : "signatures ";
        for (size_t i = 0; i < failed.size(); ++i)
            reason += (i == 0 ? "" : i + 1 == failed.size() ? " and " : ", ") + failed[i];
        reason += failed.size() == 1 ? " does not match the archive" : " do not match the archive";
    }
    else if (result != Ok)
        reason = ErrorText(result);
    if (trailer == Trailer::Differs)
    {
        if (!reason.empty())
            reason += "; ";
        reason += "the archive's stored checksum does not match its content";
    }
    return reason;
}

Result GenerateKey(const std::string& authority, uint32_t bits, PrivateKey& key)
{
    if (bits < MinKeyBits || bits > MaxKeyBits || bits % 16 != 0)
        return BadKeySize;
    if (!CryptoReady())
        return CryptoFailure;
    gcry_sexp_t parameters = nullptr;
    if (gcry_sexp_build(&parameters, nullptr, "(genkey (rsa (nbits %d)(rsa-use-e %d)))", static_cast<int>(bits),
                        static_cast<int>(DefaultExponent)) != 0)
        return CryptoFailure;
    const size_t k = bits / 8, half = k / 2;
    Result result = CryptoFailure;
    // libgcrypt's primes have bits / 2 bits each; a pair whose product falls
    // short of the full length is drawn again.
    for (int attempt = 0; attempt < 8 && result == CryptoFailure; ++attempt)
    {
        gcry_sexp_t pair = nullptr;
        if (gcry_pk_genkey(&pair, parameters) != 0)
            break;
        gcry_sexp_t p = gcry_sexp_find_token(pair, "p", 0);
        gcry_sexp_t q = gcry_sexp_find_token(pair, "q", 0);
        Mpi prime1(p ? gcry_sexp_nth_mpi(p, 1, GCRYMPI_FMT_USG) : nullptr);
        Mpi prime2(q ? gcry_sexp_nth_mpi(q, 1, GCRYMPI_FMT_USG) : nullptr);
        gcry_sexp_release(p);
        gcry_sexp_release(q);
        gcry_sexp_release(pair);
        if (!prime1 || !prime2)
            break;
        if (gcry_mpi_cmp(prime1.Get(), prime2.Get()) < 0)
            std::swap(prime1, prime2);
        Mpi n(gcry_mpi_new(bits)), p1(gcry_mpi_snew(bits)), q1(gcry_mpi_snew(bits)), phi(gcry_mpi_snew(bits)),
            d(gcry_mpi_snew(bits)), dp(gcry_mpi_snew(bits)), dq(gcry_mpi_snew(bits)), u(gcry_mpi_snew(bits));
        Mpi e = SmallNumber(DefaultExponent);
        gcry_mpi_mul(n.Get(), prime1.Get(), prime2.Get());
        if (gcry_mpi_get_nbits(n.Get()) != bits || gcry_mpi_get_nbits(prime1.Get()) > half * 8 ||
            gcry_mpi_get_nbits(prime2.Get()) > half * 8)
            continue;
        gcry_mpi_sub_ui(p1.Get(), prime1.Get(), 1);
        gcry_mpi_sub_ui(q1.Get(), prime2.Get(), 1);
        gcry_mpi_mul(phi.Get(), p1.Get(), q1.Get());
        if (!gcry_mpi_invm(d.Get(), e.Get(), phi.Get()) || !gcry_mpi_invm(u.Get(), prime2.Get(), prime1.Get()))
            continue;
        gcry_mpi_mod(dp.Get(), d.Get(), p1.Get());
        gcry_mpi_mod(dq.Get(), d.Get(), q1.Get());

        PrivateKey made;
        made.authority = authority;
        made.bits = bits;
        made.exponent = DefaultExponent;
        made.modulus.assign(k, 0);
        made.prime1 = SecretBytes(half);
        made.prime2 = SecretBytes(half);
        made.exponent1 = SecretBytes(half);
        made.exponent2 = SecretBytes(half);
        made.coefficient = SecretBytes(half);
        made.privateExponent = SecretBytes(k);
        if (!ToLittleEndian(n, k, made.modulus.data()) || !ToLittleEndian(prime1, half, made.prime1.data()) ||
            !ToLittleEndian(prime2, half, made.prime2.data()) || !ToLittleEndian(dp, half, made.exponent1.data()) ||
            !ToLittleEndian(dq, half, made.exponent2.data()) || !ToLittleEndian(u, half, made.coefficient.data()) ||
            !ToLittleEndian(d, k, made.privateExponent.data()))
            break;
        key = std::move(made);
        result = Ok;
    }
    gcry_sexp_release(parameters);
    return result;
}
} // namespace sign
