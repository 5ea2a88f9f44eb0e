// The merge of a patch archive into a target archive: merge list, output
// flavour and prefix, header and data copy (stored bytes, never unpacked).

#include "Merge.h"

#include <algorithm>
#include <memory>
#include <new>

#include "MergeList.h"
#include "Names.h"
#include "RazDLL.h"
#include "frame/Text.h"

namespace
{
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

// One run: the command line, the program's hooks and the three archives.
class MergeRun
{
public:
    MergeRun(const CommandLine& line, const MergeHooks& hooks, Archives& archives)
        : line(line), hooks(hooks), archives(archives)
    {
    }
    int Run(std::string& output);

private:
    void Report(const char* format, const char* name = nullptr) const
    {
        if (hooks.report)
            std::fprintf(hooks.report, format, name);
    }
    PboFlags ChooseFlavour() const;
    const char* ChoosePrefix() const;
    void ReportFlavour(PboFlags flavour) const;
    int CannotWrite(const std::string& output);
    bool OverwritesInput(const std::string& output) const;
    bool WriteHeaders(const MergeList& list);
    bool Poll(size_t done, uint64_t bytesDone) const
    {
        return !hooks.progress || hooks.progress(hooks.context, done, total, bytesDone, bytesTotal);
    }
    int CopyData(const MergeList& list, const std::string& output);

    const CommandLine& line;
    const MergeHooks& hooks;
    Archives& archives;
    size_t total = 0;
    uint64_t bytesTotal = 0;
};

// The option's flavour, else the larger of the two inputs' flavours.
PboFlags MergeRun::ChooseFlavour() const
{
    if (line.optionGiven)
        return line.flavour;
    return std::max(archives.patch.ostrel.GetPboType(), archives.target.ostrel.GetPboType());
}

// The option's prefix, else the patch's, else the target's; null lets the
// writer derive one from the output name.
const char* MergeRun::ChoosePrefix() const
{
    const Ostrel& patch = archives.patch.ostrel;
    const Ostrel& target = archives.target.ostrel;
    if (line.prefix)
        return line.prefix;
    if (text::EqualNoCase(patch.GetProductType(), "Prefix"))
        return patch.GetProductName();
    if (text::EqualNoCase(target.GetProductType(), "prefix"))
        return target.GetProductName();
    return nullptr;
}

void MergeRun::ReportFlavour(PboFlags flavour) const
{
    switch (flavour)
    {
    case Resistance:
        Report("Creating RES type patch\n");
        break;
    case ArmaNoSha:
        Report("Creating ARMA no shakey type patch\n");
        break;
    case Elite:
        Report("Creating ELITE type patch\n");
        break;
    case Arma:
        Report("Creating ARMA type patch\n");
        break;
    default:
        Report("Creating CWC type patch\n");
        break;
    }
}

int MergeRun::CannotWrite(const std::string& output)
{
    std::fprintf(stderr, "Cannot create or write to output pbo %s\n", output.c_str());
    archives.CloseAll();
    return MergeFailed;
}

// An output that is one of the inputs would destroy it before it is read.
bool MergeRun::OverwritesInput(const std::string& output) const
{
    return names::SameFile(output, names::ArchiveFile(line.patch)) ||
           names::SameFile(output, names::ArchiveFile(line.target));
}

bool MergeRun::WriteHeaders(const MergeList& list)
{
    Ostrel& writer = archives.writer.ostrel;
    for (const MergeNode* node = list.First(); node; node = node->Next())
    {
        if (node->action != Delete && !writer.WriteEntry(node->entry))
            return false;
    }
    return true;
}

// Copies every entry's stored bytes, never unpacked. Answers 0, or the exit
// status of a failed run after closing the archives.
int MergeRun::CopyData(const MergeList& list, const std::string& output)
{
    Ostrel& writer = archives.writer.ostrel;
    size_t done = 0;
    uint64_t bytesDone = 0;
    for (const MergeNode* node = list.First(); node; node = node->Next())
    {
        if (!Poll(done, bytesDone))
        {
            archives.CloseAll();
            return MergeCancelled;
        }
        ++done;
        switch (node->action)
        {
        case Replace:
            Report("Replacing %s\n", node->entry->name);
            break;
        case Add:
            Report("Adding %s\n", node->entry->name);
            break;
        case Delete:
            Report("Deleting %s\n", node->entry->name);
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
            Report("no data to write\n");
            archives.CloseAll();
            return MergeNoData;
        }
        const bool written = writer.WriteData(data, size);
        source.FreeData(node->entry);
        if (!written)
            return CannotWrite(output);
        bytesDone += node->entry->dataSize;
    }
    if (!Poll(done, bytesDone))
    {
        archives.CloseAll();
        return MergeCancelled;
    }
    return MergeOk;
}

int MergeRun::Run(std::string& output)
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
        return MergeFailed;
    }
    for (const MergeNode* node = list.First(); node; node = node->Next())
    {
        if (node->action != Delete)
        {
            ++total;
            bytesTotal += node->entry->dataSize;
        }
    }

    const PboFlags flavour = ChooseFlavour();
    ReportFlavour(flavour);
    const char* prefix = ChoosePrefix();
    // Written under another name, the archive still gets the prefix the
    // writer would derive from the output name (its base name: a name ending
    // in ".patched.pbo" is in no table of known prefixes).
    std::string derived;
    if (hooks.writeTo && (!prefix || !*prefix))
    {
        derived = text::AfterLastSeparator(output.c_str());
        prefix = derived.c_str();
    }
    Ostrel& writer = archives.writer.ostrel;
    const char* file = hooks.writeTo ? hooks.writeTo : output.c_str();
    if (OverwritesInput(output) || !writer.CreatePbo(file, flavour, prefix, nullptr, nullptr) || !WriteHeaders(list))
        return CannotWrite(output);

    const int status = CopyData(list, output);
    if (status != 0)
        return status;
    // Closing the output appends the key bytes of an Elite or Arma archive;
    // success is reported only once the whole archive is on disk.
    if (!archives.CloseAll())
    {
        std::fprintf(stderr, "Cannot create or write to output pbo %s\n", output.c_str());
        return MergeFailed;
    }
    return MergeOk;
}
} // namespace

int MergeArchives(const CommandLine& line, const MergeHooks& hooks, std::string& output)
{
    std::unique_ptr<Archives> archives(new (std::nothrow) Archives);
    if (!archives)
    {
        std::fputs("No memory\n", stderr);
        return MergeFailed;
    }
    return MergeRun(line, hooks, *archives).Run(output);
}
