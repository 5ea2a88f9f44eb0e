// ostrel cat: one entry's unpacked bytes to standard output; with --text a
// binarised config is decoded to config text first.

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "Command.h"
#include "RazDLL.h"
#include "cli/ArchiveFacts.h"
#include "cli/Console.h"

namespace cli
{
namespace
{
struct CatOptions
{
    std::string archive;
    std::string entry;
    bool text = false;
};
} // namespace

Action DefineCat(CLI::App& command)
{
    auto options = std::make_shared<CatOptions>();
    command.add_option("ARCHIVE", options->archive, "Archive (.pbo may be left out)")->required();
    command.add_option("ENTRY", options->entry, "Entry name, letter case ignored (folders with \\ or /)")->required();
    command.add_flag("--text", options->text, "Decode a binarised config to config text");
    return [options]() {
        // The aggregate: text access decodes through its config decoder.
        std::unique_ptr<RazDLL> library(new RazDLL);
        Ostrel& archive = library->ostrel;
        std::string error;
        if (!OpenArchive(archive, options->archive, error))
            return Fail(error);
        std::string name = options->entry;
        pbo_entry* entry = archive.FindEntry(name.c_str());
        if (!entry)
        {
            // Entry names separate folders with backslashes; a slash finds
            // them too.
            for (char& c : name)
            {
                if (c == '/')
                    c = '\\';
            }
            entry = archive.FindEntry(name.c_str());
        }
        if (!entry)
            return Fail(options->archive + ": no entry " + options->entry);
        int size = options->text ? archive.GetAscData(entry, false) : archive.GetBinData(entry, false);
        if (size < 0)
            return Fail(options->archive + ": " + entry->name + ": " + archive.strError());
        // Decoded text is held with its terminating zero byte.
        if (archive.WasEncrypted(entry) && size > 0)
            --size;
        if (!WriteOut(archive.GetDataPtr(entry), static_cast<size_t>(size)))
            return Fail("cannot write to standard output");
        return static_cast<int>(Success);
    };
}
} // namespace cli
