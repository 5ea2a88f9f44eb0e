// ostrel sign: NAME.pbo.AUTHORITY.bisign beside each archive (or in a
// folder), version 3 unless --v2 is asked for.
#include <CLI/CLI.hpp>
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

namespace cli
{
namespace
{
struct SignOptions
{
    std::string key;
    std::vector<std::string> archives;
    bool v2 = false;
    bool v3 = false;
    std::string folder;
    bool json = false;
    bool quiet = false;
};

int Sign(const SignOptions& options)
{
    std::string error;
    sign::PrivateKey key;
    if (!signing::LoadPrivateKey(options.key, key, error) ||
        !signing::CheckAuthority(key.authority, options.key, error))
        return Fail(error);
    const uint32_t version = options.v2 ? sign::SignatureV2 : sign::SignatureV3;
    using json = nlohmann::ordered_json;
    json results = json::array();
    int status = Success;
    // Two archives of one name (from two folders, signed into one) would
    // share a signature file: the later one is refused, not written over.
    std::set<std::string> targets;
    for (const std::string& archive : options.archives)
    {
        if (interrupt::Requested())
            return Interrupted;
        std::string written;
        const std::string target = signing::SignaturePath(archive, key.authority, options.folder);
        bool signedOk = targets.insert(target).second;
        if (!signedOk)
            error = archive + ": its signature " + target + " is already written for an earlier archive";
        else
            signedOk = signing::SignArchiveFile(key, archive, version, options.folder, written, error);
        if (!signedOk)
            status = Failure;
        if (options.json)
        {
            json item = {{"archive", JsonText(archive.c_str())}, {"version", version}, {"ok", signedOk}};
            item[signedOk ? "signature" : "error"] = JsonText((signedOk ? written : error).c_str());
            results.push_back(item);
        }
        else if (!signedOk)
            Fail(error);
        else
            Note(options.quiet, "Signed " + archive + " into " + written);
    }
    if (options.json)
        std::printf("%s\n", results.dump(2).c_str());
    return std::fflush(stdout) == 0 ? status : Fail("cannot write the results");
}
} // namespace

Action DefineSign(CLI::App& command)
{
    auto options = std::make_shared<SignOptions>();
    command.add_option("KEY", options->key, "Private key (.biprivatekey)")->required();
    command.add_option("ARCHIVE", options->archives, "Archives to sign")->required();
    CLI::Option* v2 = command.add_flag("--v2", options->v2, "Signature version 2");
    command.add_flag("--v3", options->v3, "Signature version 3 (the default)")->excludes(v2);
    command.add_option("-o,--output", options->folder, "Folder for the signatures (default: beside each archive)");
    command.add_flag("--json", options->json, "Write the results as JSON");
    command.add_flag("-q,--quiet", options->quiet, "No message per archive");
    return [options]() {
        return Sign(*options);
    };
}
} // namespace cli
