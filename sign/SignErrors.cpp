// Messages of the signing results.
#include "Signing.h"

namespace sign
{
const char* ErrorText(Result result)
{
    switch (result)
    {
    case Ok:
        return "no error";
    case Truncated:
        return "file ends early";
    case NoAuthority:
        return "no zero byte ends the authority name";
    case BadBlobLength:
        return "key blob length does not match the key's bit length";
    case BadBlobHeader:
        return "key blob header is not an RSA signature key's";
    case BadMagic:
        return "RSA key magic is wrong";
    case BadBitLength:
        return "key bit length is not a multiple of 16 from 512 to 16384";
    case BadExponent:
        return "public exponent is not an odd number of 3 or more";
    case BadSignatureLength:
        return "signature length field does not match the key's width";
    case UnknownVersion:
        return "signature version is neither 2 nor 3";
    case TrailingBytes:
        return "bytes follow the end of the file's layout";
    case ArchiveTruncated:
        return "archive ends inside its entry table or data";
    case ArchiveBadTail:
        return "archive bytes after the entry data are not a checksum";
    case BadAuthorityName:
        return "authority cannot name a file (separator, '..', control or reserved character, reserved or "
               "overlong name)";
    case BadKeySize:
        return "key size must be a multiple of 16 bits from 512 to 16384";
    case KeyInconsistent:
        return "private key numbers do not belong together";
    case CannotRead:
        return "cannot read file";
    case CannotWrite:
        return "cannot write file";
    case CryptoFailure:
        return "cryptographic library failure";
    case AuthorityDiffers:
        return "signature authority differs from the key's";
    case KeyDiffers:
        return "signature was made with a different key (modulus or exponent differs)";
    case SignatureFails:
        return "signature does not match the archive";
    }
    return "unknown error";
}
} // namespace sign
