// libFuzzer target for the signing library's readers: any bytes as a public
// key, private key, signature and archive; whatever reads must write back
// the same bytes.
#include <cstddef>
#include <cstdint>

#include "Signing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    sign::PublicKey publicKey;
    if (sign::ReadPublicKey(data, size, publicKey) == sign::Ok &&
        sign::WritePublicKey(publicKey) != sign::Bytes(data, data + size))
        __builtin_trap();
    sign::PrivateKey privateKey;
    if (sign::ReadPrivateKey(data, size, privateKey) == sign::Ok && sign::WritePrivateKey(privateKey).size() != size)
        __builtin_trap();
    sign::Signature signature;
    if (sign::ReadSignature(data, size, signature) == sign::Ok)
    {
        if (sign::WriteSignature(signature) != sign::Bytes(data, data + size))
            __builtin_trap();
        // A signature checked against its own key and itself as the archive.
        sign::VerifyArchive(signature.key, signature, data, size);
    }
    sign::ArchiveHashes hashes;
    sign::HashArchive(data, size, 3, hashes);
    return 0;
}
