// ostrel keygen: a new signing key pair, AUTHORITY.bikey for the servers and
// AUTHORITY.biprivatekey (owner-only) for the signer; an existing private key
// is never replaced.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <string>

#include "Command.h"
#include "cli/Console.h"
#include "cli/Signatures.h"

namespace fs = std::filesystem;

namespace cli
{
namespace
{
struct KeygenOptions
{
    std::string authority;
    std::string folder = ".";
    uint32_t bits = sign::DefaultKeyBits;
    bool quiet = false;
};

int Keygen(const KeygenOptions& options)
{
    std::string error;
    if (!signing::CheckAuthority(options.authority, options.authority, error))
        return Fail(error);
    const fs::path folder(options.folder);
    std::error_code code;
    if (!fs::is_directory(folder, code))
        return Fail(options.folder + ": no such folder");
    const std::string privatePath = (folder / (options.authority + sign::PrivateKeyExtension)).string();
    const std::string publicPath = (folder / (options.authority + sign::PublicKeyExtension)).string();
    // Anything at the private key's name, a dangling link included, stays.
    if (fs::symlink_status(privatePath, code).type() != fs::file_type::not_found)
        return Fail(privatePath + ": a private key is already there; not replaced");

    sign::PrivateKey key;
    sign::Result result = sign::GenerateKey(options.authority, options.bits, key);
    if (result != sign::Ok)
        return Fail(options.authority + ": " + sign::ErrorText(result));
    const sign::SecretBytes privateBytes = sign::WritePrivateKey(key);
    result = sign::WriteFileBytes(privatePath, privateBytes.data(), privateBytes.size(), true);
    if (result != sign::Ok)
        return Fail(privatePath + ": " + sign::ErrorText(result));
    const sign::Bytes publicBytes = sign::WritePublicKey(key.Public());
    result = sign::WriteFileBytes(publicPath, publicBytes.data(), publicBytes.size(), false);
    if (result != sign::Ok)
        return Fail(publicPath + ": " + sign::ErrorText(result));
    Note(options.quiet, "Wrote " + publicPath + " and " + privatePath + " (" + std::to_string(options.bits) + " bits)");
    return Success;
}
} // namespace

Action DefineKeygen(CLI::App& command)
{
    auto options = std::make_shared<KeygenOptions>();
    command.add_option("AUTHORITY", options->authority, "Authority name, also the key files' name")->required();
    command.add_option("-o,--output", options->folder, "Folder for the key files (default: here)");
    command.add_option("--bits", options->bits, "Key size: 1024 (default), 2048 or 4096")
        ->check(CLI::IsMember({1024, 2048, 4096}));
    command.add_flag("-q,--quiet", options->quiet, "No message on success");
    return [options]() {
        return Keygen(*options);
    };
}
} // namespace cli
