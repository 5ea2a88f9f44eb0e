// ostrel verify: archives against a public key and the signatures beside
// them, or a whole mod (FOLDER/addons against the keys in FOLDER/keys) the
// way a server admits it; OK or FAIL with the reason per archive.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "Command.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/JsonText.h"
#include "cli/Signatures.h"
#include "frame/Text.h"

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

namespace cli
{
namespace
{
struct VerifyOptions
{
    std::string key;
    std::vector<std::string> archives;
    std::string signature;
    std::string mod;
    std::string keys;
    bool json = false;
};

// One archive's outcome.
struct Outcome
{
    std::string archive;
    bool ok = false;
    std::string signature; // the one that held
    std::string reason;
};

struct Report
{
    std::vector<Outcome> outcomes;
    std::vector<std::string> orphanSignatures;
    std::vector<std::string> unusedKeys;
    std::vector<std::string> unreadable; // key or signature files refused, with why
    bool mod = false;

    int Print(bool asJson) const
    {
        if (asJson)
        {
            json archives = json::array();
            for (const Outcome& outcome : outcomes)
            {
                json item = {{"archive", JsonText(outcome.archive.c_str())}, {"ok", outcome.ok}};
                item[outcome.ok ? "signature" : "reason"] =
                    JsonText((outcome.ok ? outcome.signature : outcome.reason).c_str());
                archives.push_back(item);
            }
            json document = {{"archives", archives}};
            if (mod)
            {
                auto texts = [](const std::vector<std::string>& list) {
                    json array = json::array();
                    for (const std::string& item : list)
                        array.push_back(JsonText(item.c_str()));
                    return array;
                };
                document["signaturesWithoutArchive"] = texts(orphanSignatures);
                document["unusedKeys"] = texts(unusedKeys);
                document["unreadable"] = texts(unreadable);
            }
            std::printf("%s\n", document.dump(2).c_str());
        }
        else
        {
            for (const Outcome& outcome : outcomes)
                std::printf("%s: %s\n", outcome.archive.c_str(),
                            outcome.ok ? "OK" : ("FAIL: " + outcome.reason).c_str());
            for (const std::string& path : orphanSignatures)
                std::printf("signature without archive: %s\n", path.c_str());
            for (const std::string& path : unusedKeys)
                std::printf("key no archive uses: %s\n", path.c_str());
            for (const std::string& line : unreadable)
                Warn(line);
        }
        bool passed = !outcomes.empty();
        for (const Outcome& outcome : outcomes)
            passed = passed && outcome.ok;
        if (std::fflush(stdout) != 0)
            return Fail("cannot write the results");
        return passed ? Success : Failure;
    }
};

void AddReason(std::string& reasons, const std::string& reason)
{
    reasons += reasons.empty() ? reason : "; " + reason;
}

// Checks the archive against every signature given; the first that holds
// passes it. keyFor names the key of a signature's authority (null: none).
template <typename KeyFor>
Outcome Check(const std::string& archive, const std::vector<std::string>& signatures, KeyFor keyFor,
              std::vector<std::string>& unreadable)
{
    Outcome outcome;
    outcome.archive = archive;
    sign::Bytes bytes;
    if (!signing::LoadArchive(archive, bytes, outcome.reason))
        return outcome;
    for (const std::string& path : signatures)
    {
        sign::Signature signature;
        std::string error;
        if (!signing::LoadSignature(path, signature, error))
        {
            unreadable.push_back(error);
            AddReason(outcome.reason, error);
            continue;
        }
        const sign::PublicKey* key = keyFor(signature);
        if (!key)
            continue;
        const sign::Verdict verdict = sign::VerifyArchive(*key, signature, bytes.data(), bytes.size());
        if (verdict.Passed())
        {
            outcome.ok = true;
            outcome.signature = path;
            outcome.reason.clear();
            return outcome;
        }
        AddReason(outcome.reason, fs::path(path).filename().string() + ": " + verdict.Reason());
    }
    return outcome;
}

int VerifyArchives(const VerifyOptions& options)
{
    std::string error;
    sign::PublicKey key;
    if (!signing::LoadPublicKey(options.key, key, error))
        return Fail(error);
    if (!options.signature.empty() && options.archives.size() != 1)
    {
        Fail("--signature takes one archive only");
        return UsageError;
    }
    Report report;
    for (const std::string& archive : options.archives)
    {
        if (interrupt::Requested())
            return Interrupted;
        // A signature named on the command line is checked whatever its
        // authority; those found beside the archive only when theirs is the
        // key's.
        const bool named = !options.signature.empty();
        const std::vector<std::string> signatures =
            named ? std::vector<std::string>{options.signature} : signing::SignaturesBeside(archive);
        bool matching = false;
        Outcome outcome = Check(
            archive, signatures,
            [&](const sign::Signature& signature) -> const sign::PublicKey* {
                const bool same = signature.key.authority == key.authority;
                matching = matching || same;
                return named || same ? &key : nullptr;
            },
            report.unreadable);
        if (!outcome.ok && !named && !matching && fs::exists(archive))
            AddReason(outcome.reason, "no signature of authority " + key.authority + " beside it");
        report.outcomes.push_back(outcome);
    }
    report.unreadable.clear(); // already part of each archive's reason
    return report.Print(options.json);
}

// Regular files below a folder with the extension, sorted.
std::vector<std::string> FilesBelow(const fs::path& folder, const char* extension, bool recursive)
{
    std::vector<std::string> found;
    std::error_code code;
    auto take = [&](const fs::directory_entry& entry) {
        std::error_code ignored;
        if (entry.is_regular_file(ignored) && text::EndsWithNoCase(entry.path().filename().string(), extension))
            found.push_back(entry.path().string());
    };
    if (recursive)
    {
        for (fs::recursive_directory_iterator it(folder, code), end; !code && it != end; it.increment(code))
            take(*it);
    }
    else
    {
        for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code))
            take(*it);
    }
    std::sort(found.begin(), found.end());
    return found;
}

int VerifyMod(const VerifyOptions& options)
{
    const fs::path addons = fs::path(options.mod) / "addons";
    const fs::path keysFolder = options.keys.empty() ? fs::path(options.mod) / "keys" : fs::path(options.keys);
    std::error_code code;
    if (!fs::is_directory(addons, code))
        return Fail(addons.string() + ": no such folder");
    if (!fs::is_directory(keysFolder, code))
        return Fail(keysFolder.string() + ": no such folder");

    Report report;
    report.mod = true;
    std::vector<std::pair<std::string, sign::PublicKey>> keys;
    for (const std::string& path : FilesBelow(keysFolder, sign::PublicKeyExtension, false))
    {
        sign::PublicKey key;
        std::string error;
        if (signing::LoadPublicKey(path, key, error))
            keys.emplace_back(path, key);
        else
            report.unreadable.push_back(error);
    }
    if (keys.empty())
        return Fail(keysFolder.string() + ": no readable public key (" + sign::PublicKeyExtension + ")");

    std::set<std::string> claimed, usedKeys;
    for (const std::string& archive : FilesBelow(addons, ".pbo", true))
    {
        if (interrupt::Requested())
            return Interrupted;
        const std::vector<std::string> signatures = signing::SignaturesBeside(archive);
        claimed.insert(signatures.begin(), signatures.end());
        std::string missingKeys;
        Outcome outcome = Check(
            archive, signatures,
            [&](const sign::Signature& signature) -> const sign::PublicKey* {
                for (const auto& key : keys)
                {
                    if (key.second.authority == signature.key.authority)
                    {
                        usedKeys.insert(key.first);
                        return &key.second;
                    }
                }
                AddReason(missingKeys, "no key of authority " + signature.key.authority);
                return nullptr;
            },
            report.unreadable);
        if (!outcome.ok)
        {
            if (!missingKeys.empty())
                AddReason(outcome.reason, missingKeys);
            if (signatures.empty())
                outcome.reason = "no signature";
        }
        report.outcomes.push_back(outcome);
    }
    if (report.outcomes.empty())
        return Fail(addons.string() + ": no archives");
    for (const std::string& path : FilesBelow(addons, sign::SignatureExtension, true))
    {
        if (!claimed.count(path))
            report.orphanSignatures.push_back(path);
    }
    for (const auto& key : keys)
    {
        if (!usedKeys.count(key.first))
            report.unusedKeys.push_back(key.first);
    }
    return report.Print(options.json);
}
} // namespace

Action DefineVerify(CLI::App& command)
{
    auto options = std::make_shared<VerifyOptions>();
    CLI::Option* key = command.add_option("KEY", options->key, "Public key (.bikey)");
    CLI::Option* archives = command.add_option("ARCHIVE", options->archives, "Archives to verify");
    command.add_option("--signature", options->signature,
                       "Signature to check (one archive; default: ARCHIVE.*.bisign of the key's authority)");
    CLI::Option* mod = command.add_option(
        "--mod", options->mod, "Mod folder: every archive under FOLDER/addons against every key in FOLDER/keys");
    command.add_option("--keys", options->keys, "Keys folder for --mod (default: FOLDER/keys)")->needs(mod);
    command.add_flag("--json", options->json, "Write the results as JSON");
    mod->excludes(key)->excludes(archives);
    return [options]() {
        if (options->mod.empty() && (options->key.empty() || options->archives.empty()))
        {
            Fail("verify needs KEY and ARCHIVE..., or --mod FOLDER");
            return static_cast<int>(UsageError);
        }
        return options->mod.empty() ? VerifyArchives(*options) : VerifyMod(*options);
    };
}
} // namespace cli
