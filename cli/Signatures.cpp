// What the signing commands share: key, signature and archive files read
// with a message on failure, signature file names, signing one archive.
#include "Signatures.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "frame/Text.h"

namespace fs = std::filesystem;

namespace cli
{
namespace signing
{
namespace
{
template <typename Reader, typename Value>
bool Load(const std::string& path, Reader read, Value& value, std::string& error)
{
    sign::Bytes bytes;
    if (sign::ReadWholeFile(path, KeyFileLimit, bytes) != sign::Ok)
    {
        error = path + ": " + sign::ErrorText(sign::CannotRead);
        return false;
    }
    const sign::Result result = read(bytes.data(), bytes.size(), value);
    sign::Wipe(bytes.data(), bytes.size());
    if (result != sign::Ok)
        error = path + ": " + sign::ErrorText(result);
    return result == sign::Ok;
}
} // namespace

bool LoadPublicKey(const std::string& path, sign::PublicKey& key, std::string& error)
{
    return Load(path, sign::ReadPublicKey, key, error);
}

bool LoadPrivateKey(const std::string& path, sign::PrivateKey& key, std::string& error)
{
    return Load(path, sign::ReadPrivateKey, key, error);
}

bool LoadSignature(const std::string& path, sign::Signature& signature, std::string& error)
{
    return Load(path, sign::ReadSignature, signature, error);
}

bool LoadArchive(const std::string& path, sign::Bytes& bytes, std::string& error)
{
    if (sign::ReadWholeFile(path, UINT32_MAX, bytes) == sign::Ok)
        return true;
    error = path + ": " + sign::ErrorText(sign::CannotRead);
    return false;
}

bool CheckAuthority(const std::string& authority, const std::string& path, std::string& error)
{
    if (sign::UsableAsFileName(authority))
        return true;
    error = path + ": " + sign::ErrorText(sign::BadAuthorityName);
    return false;
}

std::string SignaturePath(const std::string& archive, const std::string& authority, const std::string& folder)
{
    const fs::path source(archive);
    const std::string name = source.filename().string() + "." + authority + sign::SignatureExtension;
    return ((folder.empty() ? source.parent_path() : fs::path(folder)) / name).string();
}

bool SignArchiveFile(const sign::PrivateKey& key, const std::string& archive, uint32_t version,
                     const std::string& folder, std::string& written, std::string& error)
{
    if (!CheckAuthority(key.authority, "key", error))
        return false;
    sign::Bytes bytes;
    if (!LoadArchive(archive, bytes, error))
        return false;
    sign::Signature signature;
    sign::Result result = sign::SignArchive(key, bytes.data(), bytes.size(), version, signature);
    if (result == sign::Ok)
    {
        written = SignaturePath(archive, key.authority, folder);
        const sign::Bytes file = sign::WriteSignature(signature);
        result = sign::WriteFileBytes(written, file.data(), file.size(), false);
        if (result != sign::Ok)
        {
            error = written + ": " + sign::ErrorText(result);
            return false;
        }
        return true;
    }
    error = archive + ": " + sign::ErrorText(result);
    return false;
}

std::vector<std::string> SignaturesBeside(const std::string& archive)
{
    const fs::path source(archive);
    const std::string start = source.filename().string() + ".";
    std::vector<std::string> found;
    std::error_code code;
    const fs::path folder = source.has_parent_path() ? source.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code))
    {
        const std::string name = it->path().filename().string();
        if (name.size() >= start.size() + std::strlen(sign::SignatureExtension) &&
            name.compare(0, start.size(), start) == 0 && text::EndsWithNoCase(name, sign::SignatureExtension) &&
            it->is_regular_file(code))
            found.push_back(source.has_parent_path() ? it->path().string() : name);
    }
    std::sort(found.begin(), found.end());
    return found;
}
} // namespace signing
} // namespace cli
