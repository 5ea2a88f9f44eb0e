#include "Patcher.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "CommandLine.h"
#include "MergeList.h"
#include "Names.h"
#include "frame/RazDLL.h"

namespace
{
const double PatcherVersion = 1.41;
const double RequiredLibraryVersion = 1.55;

// The patch reader, the target reader and the writer. Every exit after the
// inputs are open closes them in this order.
struct Archives
{
    RazDLL patch;
    RazDLL target;
    RazDLL writer;

    // False when the output could not be finished.
    bool CloseAll()
    {
        patch.ostrel.ClosePbo();
        target.ostrel.ClosePbo();
        return writer.ostrel.ClosePbo();
    }
};

// The option's flavour, else the larger of the two inputs' flavours.
PboFlags ChooseFlavour(const CommandLine& line, const Ostrel& patch, const Ostrel& target)
{
    if (line.optionGiven)
        return line.flavour;
    return std::max(patch.GetPboType(), target.GetPboType());
}

// The option's prefix, else the patch's, else the target's; null lets the
// writer derive one from the output name.
const char* ChoosePrefix(const CommandLine& line, const Ostrel& patch, const Ostrel& target)
{
    if (line.prefix)
        return line.prefix;
    if (names::EqualNoCase(patch.GetProductType(), "Prefix"))
        return patch.GetProductName();
    if (names::EqualNoCase(target.GetProductType(), "prefix"))
        return target.GetProductName();
    return nullptr;
}

void PrintFlavour(PboFlags flavour)
{
    switch (flavour)
    {
    case Resistance:
        std::fputs("Creating RES type patch\n", stdout);
        break;
    case ArmaNoSha:
        std::fputs("Creating ARMA no shakey type patch\n", stdout);
        break;
    case Elite:
        std::fputs("Creating ELITE type patch\n", stdout);
        break;
    case Arma:
        std::fputs("Creating ARMA type patch\n", stdout);
        break;
    default:
        std::fputs("Creating CWC type patch\n", stdout);
        break;
    }
}

int CannotWrite(Archives& archives, const std::string& output)
{
    std::fprintf(stderr, "Cannot create or write to output pbo %s\n", output.c_str());
    archives.CloseAll();
    return 1;
}

// An output that is one of the inputs would destroy it before it is read.
bool OverwritesInput(const std::string& output, const CommandLine& line)
{
    return names::SameFile(output, names::ArchiveFile(line.patch)) ||
           names::SameFile(output, names::ArchiveFile(line.target));
}

bool WriteHeaders(const MergeList& list, Ostrel& writer)
{
    for (const MergeNode* node = list.First(); node; node = node->Next())
    {
        if (node->action != Delete && !writer.WriteEntry(node->entry))
            return false;
    }
    return true;
}

// Copies every entry's stored bytes, never unpacked. Answers 0, or the exit
// status of a failed run after closing the archives.
int CopyData(const MergeList& list, Archives& archives, const std::string& output)
{
    Ostrel& writer = archives.writer.ostrel;
    for (const MergeNode* node = list.First(); node; node = node->Next())
    {
        switch (node->action)
        {
        case Replace:
            std::printf("Replacing %s\n", node->entry->name);
            break;
        case Add:
            std::printf("Adding %s\n", node->entry->name);
            break;
        case Delete:
            std::printf("Deleting %s\n", node->entry->name);
            continue;
        case Keep:
            break;
        }
        Ostrel& source = node->action == Keep ? archives.target.ostrel : archives.patch.ostrel;
        const int size = source.GetBinData(node->entry, true);
        if (size == 0)
            continue;
        const unsigned char* data = source.GetDataPtr(node->entry);
        if (!data)
        {
            std::fputs("no data to write\n", stdout);
            archives.CloseAll();
            return 6;
        }
        const bool written = writer.WriteData(data, size);
        source.FreeData(node->entry);
        if (!written)
            return CannotWrite(archives, output);
    }
    return 0;
}

int Merge(const CommandLine& line, Archives& archives)
{
    Ostrel& patch = archives.patch.ostrel;
    Ostrel& target = archives.target.ostrel;
    int code = patch.OpenPbo(line.patch, nullptr);
    if (code != 0)
    {
        std::fprintf(stderr, "%s\n", patch.strError());
        return code;
    }
    code = target.OpenPbo(line.target, nullptr);
    if (code != 0)
    {
        std::fprintf(stderr, "%s\n", target.strError());
        archives.CloseAll();
        return code;
    }

    MergeList list;
    std::string output;
    bool named = false;
    try
    {
        output = names::OutputFile(line.outputBase);
        named = true;
    }
    catch (const std::bad_alloc&)
    {
    }
    if (!list.Build(patch, target) || !named)
    {
        std::fputs("No memory\n", stderr);
        archives.CloseAll();
        return 1;
    }

    const PboFlags flavour = ChooseFlavour(line, patch, target);
    PrintFlavour(flavour);
    const char* prefix = ChoosePrefix(line, patch, target);
    Ostrel& writer = archives.writer.ostrel;
    if (OverwritesInput(output, line) || !writer.CreatePbo(output.c_str(), flavour, prefix, nullptr, nullptr) ||
        !WriteHeaders(list, writer))
        return CannotWrite(archives, output);

    const int status = CopyData(list, archives, output);
    if (status != 0)
        return status;
    // Closing the output appends the key bytes of an Elite or Arma archive;
    // success is reported only once the whole archive is on disk.
    if (!archives.CloseAll())
    {
        std::fprintf(stderr, "Cannot create or write to output pbo %s\n", output.c_str());
        return 1;
    }
    std::printf("Success: Output written to %s\n", output.c_str());
    return 0;
}
} // namespace

int RunPatcher(int argc, char** argv)
{
    const char* program = names::ProgramName(argc > 0 ? argv[0] : nullptr);
    std::fprintf(stderr, "%s Version %.2f\n", program, PatcherVersion);

    const double library = std::strtod(RazDLL::Version, nullptr);
    if (static_cast<float>(library) < static_cast<float>(RequiredLibraryVersion))
    {
        std::fprintf(stderr, "Min ostrel dll version required is %.2f, is %.2f\r\n", RequiredLibraryVersion, library);
        return 2;
    }

    CommandLine line;
    if (!ParseCommandLine(argc, argv, line))
    {
        PrintSyntax(program);
        return 1;
    }

    std::unique_ptr<Archives> archives(new (std::nothrow) Archives);
    if (!archives)
    {
        std::fputs("No memory\n", stderr);
        return 1;
    }
    return Merge(line, *archives);
}
