// Layout constants of key and signature files (.bikey, .biprivatekey,
// .bisign) and the entry lists of the archive hashes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sign
{
// Key blobs: an 8-byte blob header, then the RSA magic, bit length and
// public exponent (20 bytes in all), then the numbers.
const unsigned char BlobPublicType = 0x06;
const unsigned char BlobPrivateType = 0x07;
const unsigned char BlobVersion = 0x02;
const uint32_t BlobAlgorithm = 0x00002400; // RSA signature
const size_t BlobFixedSize = 20;
const char PublicMagic[4] = {'R', 'S', 'A', '1'};
const char PrivateMagic[4] = {'R', 'S', 'A', '2'};

// Bit lengths a key may have: whole bytes for every number, half-size
// numbers included, and room for the signature padding.
const uint32_t MinKeyBits = 512;
const uint32_t MaxKeyBits = 16384;
const uint32_t DefaultKeyBits = 1024;
const uint32_t DefaultExponent = 65537;

// Signature versions: both sign hash1 and hash2 alike and differ in which
// entries feed the file hash.
const uint32_t SignatureV2 = 2;
const uint32_t SignatureV3 = 3;
const int SignatureCount = 3;

const size_t DigestSize = 20;
// PKCS #1 v1.5 DigestInfo for SHA-1, followed by the 20-byte digest.
const unsigned char Sha1DigestInfo[15] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E,
                                          0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14};

// Version 2 hashes every entry but these (media); version 3 only these
// (scripts, headers and configs in text form). Lower case, without dot.
const char* const V2SkippedExtensions[] = {"paa", "jpg", "p3d", "tga", "rvmat", "lip", "ogg",
                                           "wss", "png", "rtm", "pac", "fxy",   "wrp"};
const char* const V3HashedExtensions[] = {"sqf", "inc", "bikb", "ext", "fsm", "sqm", "hpp", "cfg", "sqs", "h", "sqfc"};
// Fed to the file hash when no entry qualifies.
const char NothingV2[] = "nothing";
const char NothingV3[] = "gnihton";

// The archive property whose value prefixes the entry names.
const char PrefixProperty[] = "prefix";
// Zero byte plus SHA-1 closing an archive that carries its checksum.
const size_t ArchiveTrailerSize = 21;

// File name extensions.
const char PublicKeyExtension[] = ".bikey";
const char PrivateKeyExtension[] = ".biprivatekey";
const char SignatureExtension[] = ".bisign";
} // namespace sign
