// The signing key of ostrel build and the verification of what it signed.

#include "ModKeys.h"

#include <filesystem>

#include "cli/Outputs.h"
#include "cli/Signatures.h"

namespace fs = std::filesystem;

namespace cli
{
namespace modbuild
{
bool ObtainKey(const std::string& keyFile, const std::string& authority, const std::string& project,
               sign::PrivateKey& key, bool& made, std::string& error)
{
    made = false;
    if (authority.empty())
        return signing::LoadPrivateKey(keyFile, key, error) && signing::CheckAuthority(key.authority, keyFile, error);
    if (!signing::CheckAuthority(authority, authority, error))
        return false;
    const fs::path folder = fs::path(project) / ".ostrel" / "keys";
    const std::string path = (folder / (authority + sign::PrivateKeyExtension)).string();
    std::error_code code;
    if (fs::symlink_status(path, code).type() != fs::file_type::not_found)
        return signing::LoadPrivateKey(path, key, error);
    fs::create_directories(folder, code);
    if (code)
    {
        error = Describe(folder, code);
        return false;
    }
    sign::Result result = sign::GenerateKey(authority, sign::DefaultKeyBits, key);
    if (result == sign::Ok)
    {
        const sign::SecretBytes bytes = sign::WritePrivateKey(key);
        result = sign::WriteFileBytes(path, bytes.data(), bytes.size(), true);
    }
    if (result != sign::Ok)
    {
        error = path + ": " + sign::ErrorText(result);
        return false;
    }
    made = true;
    return true;
}

bool WritePublicKeyFile(const sign::PrivateKey& key, const std::string& folder, std::string& error)
{
    const sign::Bytes bytes = sign::WritePublicKey(key.Public());
    const std::string path = (fs::path(folder) / (key.authority + sign::PublicKeyExtension)).string();
    return WriteWholeFile(path, bytes.data(), bytes.size(), error);
}

std::vector<std::string> VerifySigned(const sign::PublicKey& key, const std::vector<std::string>& archives)
{
    std::vector<std::string> failures;
    for (const std::string& archive : archives)
    {
        std::string error;
        sign::Bytes bytes;
        sign::Signature signature;
        if (!signing::LoadArchive(archive, bytes, error) ||
            !signing::LoadSignature(signing::SignaturePath(archive, key.authority, ""), signature, error))
        {
            failures.push_back(error);
            continue;
        }
        const sign::Verdict verdict = sign::VerifyArchive(key, signature, bytes.data(), bytes.size());
        if (!verdict.Passed())
            failures.push_back(archive + ": " + verdict.Reason());
    }
    return failures;
}
} // namespace modbuild
} // namespace cli
