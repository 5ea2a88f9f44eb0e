// The signing key of ostrel build (one given, or one kept in the project for
// an authority and made on its first build) and the check of the signed
// archives against its public key.
#pragma once

#include <string>
#include <vector>

#include "Signing.h"

namespace cli
{
namespace modbuild
{
// Loads keyFile, or, with an authority, PROJECT/.ostrel/keys/AUTHORITY
// .biprivatekey, made (and said so in made) when it is not there yet.
bool ObtainKey(const std::string& keyFile, const std::string& authority, const std::string& project,
               sign::PrivateKey& key, bool& made, std::string& error);
// Writes the public key into folder as AUTHORITY.bikey; false with a message.
bool WritePublicKeyFile(const sign::PrivateKey& key, const std::string& folder, std::string& error);
// Checks each archive against the signature of the key's authority beside
// it, as a server admits a mod; one line per failure.
std::vector<std::string> VerifySigned(const sign::PublicKey& key, const std::vector<std::string>& archives);
} // namespace modbuild
} // namespace cli
