// ostrel list: an archive's flavour, product strings, residual bytes and
// entry table, as text or as JSON for scripts.

#include <CLI/CLI.hpp>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "Command.h"
#include "cli/ArchiveFacts.h"
#include "cli/Console.h"
#include "cli/JsonText.h"

namespace cli
{
namespace
{
struct ListOptions
{
    std::string archive;
    bool json = false;
};

void PrintText(const std::string& path, Ostrel& archive)
{
    uint64_t stored = 0;
    for (pbo_entry* entry = archive.firstEntry; entry; entry = entry->next)
        stored += entry->dataSize;
    std::printf("Archive:  %s\n", path.c_str());
    std::printf("Flavour:  %s\n", FlavourTitle(archive.GetPboType()));
    if (*archive.GetProductType())
        std::printf("Product:  \"%s\" \"%s\"\n", archive.GetProductType(), archive.GetProductName());
    if (*archive.GetAsciiSig())
        std::printf("Residual: %s\n", archive.GetAsciiSig());
    if (archive.StrangeValues())
        std::printf("Note:     a product or terminator entry carries non-zero values\n");
    std::printf("Entries:  %d, %" PRIu64 " bytes stored\n\n", archive.GetEntryCount(), stored);
    std::printf("%10s %10s  %-6s  %-19s  %s\n", "Stored", "Unpacked", "Method", "Date", "Name");
    for (pbo_entry* entry = archive.firstEntry; entry; entry = entry->next)
    {
        const std::string date = DateText(entry->timestamp);
        std::printf("%10" PRIu32 " %10" PRIu32 "  %-6s  %-19s  %s\n", entry->dataSize, UnpackedSize(*entry),
                    IsPacked(*entry) ? "packed" : "stored", date.empty() ? "-" : date.c_str(), entry->name);
    }
}

void PrintJson(const std::string& path, Ostrel& archive)
{
    using json = nlohmann::ordered_json;
    json entries = json::array();
    for (pbo_entry* entry = archive.firstEntry; entry; entry = entry->next)
    {
        json item = {{"name", JsonText(entry->name)},         {"storedSize", entry->dataSize},
                     {"unpackedSize", UnpackedSize(*entry)},  {"packed", IsPacked(*entry)},
                     {"packingMethod", entry->packingMethod}, {"timestamp", entry->timestamp}};
        const std::string date = DateText(entry->timestamp);
        item["date"] = date.empty() ? json(nullptr) : json(date);
        if (!IsUtf8(entry->name))
            item["nameHex"] = HexText(entry->name);
        entries.push_back(std::move(item));
    }
    json product = nullptr;
    if (*archive.GetProductType())
        product = {{"type", JsonText(archive.GetProductType())}, {"name", JsonText(archive.GetProductName())}};
    const json document = {{"archive", JsonText(path.c_str())},
                           {"flavour", FlavourKey(archive.GetPboType())},
                           {"flavourCode", static_cast<int>(archive.GetPboType())},
                           {"product", product},
                           {"residual", archive.GetAsciiSig()},
                           {"strangeValues", archive.StrangeValues() != 0},
                           {"entries", entries}};
    std::printf("%s\n", document.dump(2).c_str());
}
} // namespace

Action DefineList(CLI::App& command)
{
    auto options = std::make_shared<ListOptions>();
    command.add_option("ARCHIVE", options->archive, "Archive to list (.pbo may be left out)")->required();
    command.add_flag("--json", options->json, "Write the listing as JSON");
    return [options]() {
        Ostrel archive;
        std::string error;
        if (!OpenArchive(archive, options->archive, error))
            return Fail(error);
        if (options->json)
            PrintJson(options->archive, archive);
        else
            PrintText(options->archive, archive);
        return std::fflush(stdout) == 0 ? Success : Fail("cannot write the listing");
    };
}
} // namespace cli
