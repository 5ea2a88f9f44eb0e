// What the signing commands share: key, signature and archive files read
// with a message on failure, the signature file name beside an archive, and
// signing one archive into its signature file.
#pragma once

#include <string>
#include <vector>

#include "Signing.h"

namespace cli
{
namespace signing
{
// Largest key or signature file read (a 16384-bit private key is 9 KiB).
const size_t KeyFileLimit = 1 << 20;

bool LoadPublicKey(const std::string& path, sign::PublicKey& key, std::string& error);
bool LoadPrivateKey(const std::string& path, sign::PrivateKey& key, std::string& error);
bool LoadSignature(const std::string& path, sign::Signature& signature, std::string& error);
bool LoadArchive(const std::string& path, sign::Bytes& bytes, std::string& error);

// "PATH: the authority ... cannot name a file" unless it can.
bool CheckAuthority(const std::string& authority, const std::string& path, std::string& error);

// NAME.pbo.AUTHORITY.bisign in folder, or beside the archive when folder is
// empty.
std::string SignaturePath(const std::string& archive, const std::string& authority, const std::string& folder);

// Signs the archive and writes its signature file; answers the file's path.
bool SignArchiveFile(const sign::PrivateKey& key, const std::string& archive, uint32_t version,
                     const std::string& folder, std::string& written, std::string& error);

// The signature files beside an archive (ARCHIVE.*.bisign), sorted.
std::vector<std::string> SignaturesBeside(const std::string& archive);
} // namespace signing
} // namespace cli
