// Building an archive from a folder: the check and compile pass over the
// folder's configs, the entry list in listing order, and the write.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../frame/Text.h"
#include "ConfigHooks.h"
#include "FolderScan.h"
#include "Ostrel.h"
#include "PboErrors.h"

namespace
{
// Bits of configSeen.
const int SeenConfigCpp = 1;
const int SeenConfigBin = 2;
// Room for the longest prefix an archive can hold, and its zero.
const size_t PrefixBuffer = 254;

int Options(PboFlags flags)
{
    return flags & PboOptionMask;
}

bool IsAny(const char* name, const char* a, const char* b)
{
    return text::EqualNoCase(name, a) || text::EqualNoCase(name, b);
}

// The file starts with the binarised signature. -1: it cannot be opened.
int StartsBinarised(const char* path)
{
    FILE* file = platform::OpenFile(path, "rb");
    if (!file)
        return -1;
    unsigned char head[pbo_hooks::ConfigHeadSize] = {};
    size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return got == sizeof head && pbo_hooks::IsBinarisedConfig(head) ? 1 : 0;
}

// Walks one folder level in listing order: visit(scan, itemPath) for every
// item, itemPath being subPath with a backslash and the item's name. Answers
// the first non-zero answer; -3 when the level cannot be listed. An item whose
// name holds a backslash (an ordinary character in names on POSIX) would be
// read back as a path of folders: it is refused, and report names it.
template <typename Visit>
int ForEachItem(const char* folder, const char* subPath, ProgressCallback report, Visit visit)
{
    OwnedString level;
    if (!OwnedString::FormatString(level, "%s%s", folder, subPath))
        return PboNoMemory;
    FolderScan scan;
    int state = scan.Start(level.Get());
    if (state == -1)
        return PboNoFile;
    for (bool more = state == 1; more; more = scan.Next())
    {
        if (std::strchr(scan.Name(), '\\'))
        {
            std::string path = platform::LocalPath(level.Get()) + "/" + scan.Name();
            report(Ostrel::BackslashNameFormat, path.c_str());
            return PboUnsafeName;
        }
        OwnedString itemPath;
        if (!OwnedString::FormatString(itemPath, "%s\\%s", subPath, scan.Name()))
            return PboNoMemory;
        int result = visit(scan, itemPath.Get());
        if (result)
            return result;
    }
    return 0;
}

} // namespace

// Where a build reads: the folder with every link resolved, and the resolved
// names of the archive it writes and of the one the caller moves it to.
struct BuildPlaces
{
    enum Place
    {
        Inside,
        Outside, // reached through a link that leads out of the folder
        Output
    };

    std::string root;
    std::vector<std::string> outputs;

    Place Of(const char* path) const
    {
        std::string resolved;
        if (!platform::ResolvePath(path, resolved))
            return Inside;
        if (!platform::IsWithin(resolved, root))
            return Outside;
        for (const std::string& output : outputs)
        {
            if (platform::IsWithin(resolved, output))
                return Output;
        }
        return Inside;
    }
};

const char Ostrel::LinkOutsideFormat[] = "skipping %s: the link leads outside the folder\r\n";
const char Ostrel::BackslashNameFormat[] = "cannot pack %s: a backslash in a name cannot be stored\r\n";

int Ostrel::MakePbo(const char* folder, PboFlags flags, const char* prefix, ProgressCallback progress,
                    const char* extra)
{
    // A build starts from an empty entry list: whatever this object had open
    // is closed (an archive being written is finished) first.
    if (firstEntry || stream.OutputFile() || stream.InputFile() || stream.Buffer())
        ClosePbo();
    errorCode = 0;
    {
        FolderScan probe;
        if (!folder || probe.Start(folder) == -1)
        {
            errorCode = PboNoFile;
            return errorCode;
        }
    }
    callback = SilentProgress::Select(progress);
    configSeen = 0;
    std::unique_ptr<pbo_hooks::ConfigCompiler> own;
    if (Options(flags))
    {
        own = pbo_hooks::CompilerFor(parent);
        if (!own)
        {
            errorCode = PboNoMemory;
            return errorCode;
        }
        compiler = own.get();
    }
    buildTail = nullptr;
    BuildPlaces where;
    OwnedString archive;
    DataStream::ResolveName(archive, folder, "pbo");
    std::string resolved;
    if (!platform::ResolvePath(folder, where.root) || archive.Empty())
    {
        errorCode = PboNoFile;
        return errorCode;
    }
    for (const char* output : {static_cast<const char*>(archive.Get()), extra})
    {
        if (output && *output && platform::ResolveTarget(output, resolved))
            where.outputs.push_back(resolved);
    }
    places = &where;
    int result = BuildEntries(folder, flags, prefix, extra);
    places = nullptr;
    compiler = nullptr;
    buildTail = nullptr;
    if (result)
        errorCode = result;
    return result;
}

int Ostrel::BuildEntries(const char* folder, PboFlags flags, const char* prefix, const char* extra)
{
    if (Options(flags))
    {
        int result = RecurseScanEntries(flags, folder, "");
        if (result)
            return result;
    }
    prefixOverride.Reset();
    int result = RecurseBuildEntries(flags, folder, "");
    if (result)
        return result;
    if (!prefixOverride.Empty())
    {
        prefix = prefixOverride.Get();
        int flavour = flags & ~PboOptionMask;
        if (flavour != Elite && flavour != Arma)
            flags = static_cast<PboFlags>(Options(flags) | Arma);
    }
    return WriteArchive(folder, flags, prefix, extra);
}

int Ostrel::RecurseScanEntries(PboFlags flags, const char* folder, const char* subPath)
{
    int result = ForEachItem(folder, subPath, callback, [&](const FolderScan& scan, const char* itemPath) {
        const char* name = scan.Name();
        if (scan.IsFolder())
            return RecurseScanEntries(flags, folder, itemPath);
        if (text::EqualNoCase(name, "config.bin"))
            configSeen |= SeenConfigBin;
        if (!IsAny(name, "config.cpp", "mission.sqm") && !text::EqualNoCase(name, "description.ext"))
            return 0;
        OwnedString path;
        if (!OwnedString::FormatString(path, "%s%s", folder, itemPath))
            return static_cast<int>(PboNoMemory);
        // A source outside the folder is neither read nor compiled (the entry
        // pass reports it).
        if (places && places->Of(path.Get()) == BuildPlaces::Outside)
            return 0;
        return CheckSource(flags, path.Get(), name);
    });
    if (result)
        return result;
    if ((flags & PboCheckOption) && configSeen == (SeenConfigCpp | SeenConfigBin))
        return PboConfigConflict;
    return 0;
}

int Ostrel::CheckSource(PboFlags flags, const char* path, const char* name)
{
    int binarised = StartsBinarised(path);
    if (binarised < 0)
        return PboNoFile;
    if (binarised)
        return PboPreRapified;
    if (compiler->ProcessFile(path) != 0)
    {
        callback("%s ", path);
        return PboLintError;
    }
    if (text::EqualNoCase(name, "description.ext"))
        return 0;
    int options = Options(flags);
    if (options == PboCheckOption)
    {
        if (text::EqualNoCase(name, "config.cpp"))
            configSeen |= SeenConfigCpp;
        return 0;
    }
    if (options != PboBinariseOption && options != PboKeepTextOption)
        return 0;
    const char* dot = std::strrchr(path, '.');
    size_t stem = dot ? static_cast<size_t>(dot - path) : std::strlen(path);
    OwnedString binPath;
    if (!OwnedString::FormatString(binPath, "%.*s.bin", static_cast<int>(stem), path))
        return PboNoMemory;
    bool armaLayout = (flags & (ArmaNoSha | Elite | Arma)) != 0;
    return compiler->Output(binPath.Get(), armaLayout);
}

int Ostrel::RecurseBuildEntries(PboFlags flags, const char* folder, const char* subPath)
{
    return ForEachItem(folder, subPath, callback, [&](const FolderScan& scan, const char* itemPath) {
        const char* name = scan.Name();
        if (scan.IsFolder())
            return RecurseBuildEntries(flags, folder, itemPath);
        if (text::EqualNoCase(name, "thumbs.db"))
        {
            callback("ignoring thumbs.db\r\n");
            return 0;
        }
        if ((flags & PboBinariseOption) && IsAny(name, "mission.sqm", "config.cpp"))
            return 0;
        if (!(flags & (PboBinariseOption | PboKeepTextOption)) && text::EqualNoCase(name, "mission.bin"))
            return 0;
        if (!(flags & PboKeepTextOption) && IsAny(name, "mission.sqm,txt", "config.cpp,txt"))
            return 0;
        if (text::EqualNoCase(name, "$PBOPREFIX$"))
        {
            OwnedString path;
            char prefix[PrefixBuffer];
            if (!OwnedString::FormatString(path, "%s%s", folder, itemPath))
                return static_cast<int>(PboNoMemory);
            if (!places || places->Of(path.Get()) != BuildPlaces::Outside)
            {
                if (!ReadPrefixFile(path.Get(), prefix, sizeof prefix))
                    return static_cast<int>(PboNoFile);
                prefixOverride.Copy(prefix);
                callback("Overriding prefix with %s\r\n", prefixOverride.c_str());
            }
        }
        return AddEntry(flags, folder, itemPath, scan.FindData());
    });
}

int Ostrel::AddEntry(PboFlags /*flags*/, const char* folder, const char* subPath, const platform::FindRecord* record)
{
    const char* name = subPath[0] == '\\' ? subPath + 1 : subPath;
    // A symbolic link is packed through its target only when that is a
    // regular file; links to folders, devices or nothing are passed over. A
    // file too large for the 32-bit size field is refused, not truncated.
    OwnedString path;
    if (!OwnedString::FormatString(path, "%s\\%s", folder, name))
        return PboNoMemory;
    uint64_t size = 0;
    if (!platform::FindFileSize(path.Get(), size))
        return platform::IsLink(path.Get()) ? 0 : PboNoFile;
    // Files of an archive being written (this one, or the one the caller
    // will put in place) are never entries; nor is anything a link reaches
    // outside the folder.
    if (platform::IsTemporaryName(record->name))
        return 0;
    BuildPlaces::Place place = places ? places->Of(path.Get()) : BuildPlaces::Inside;
    if (place == BuildPlaces::Outside)
        callback(LinkOutsideFormat, name);
    if (place != BuildPlaces::Inside)
        return 0;
    if (size > UINT32_MAX)
        return PboNoFile;
    std::unique_ptr<pbo_entry> entry(new (std::nothrow) pbo_entry());
    if (!entry)
        return PboNoMemory;
    OwnedString entryName, sourceName;
    entryName.Copy(name);
    sourceName.Copy(record->name);
    if (entryName.Empty() || sourceName.Empty())
        return PboNoMemory;
    entry->name = entryName.Release();
    entry->sourceName = sourceName.Release();
    entry->packingMethod = PboMethodStored;
    entry->timestamp = static_cast<uint32_t>(record->timeCreate);
    entry->dataSize = static_cast<uint32_t>(size);
    // The list's last entry is kept so appending stays constant time.
    if (!buildTail)
    {
        for (buildTail = firstEntry; buildTail && buildTail->next;)
            buildTail = buildTail->next;
    }
    pbo_entry* added = entry.release();
    (buildTail ? buildTail->next : firstEntry) = added;
    buildTail = added;
    ++entryCount;
    return 0;
}

int Ostrel::WriteArchive(const char* folder, PboFlags flags, const char* prefix, const char* extra)
{
    (void)extra;
    // The output stream writes under a temporary name beside the archive and
    // renames it into place only when it is complete, so a failed build never
    // leaves a broken archive (nor spoils one that was there before).
    if (!StartArchive(folder, nullptr, flags, prefix, callback))
        return PboNoFile;
    int result = WriteHeaderBlock((flags & PboKeepTextOption) != 0);
    if (!result)
        result = WriteDataBlock(folder);
    if (result)
    {
        // The key bytes are not appended to an archive that is thrown away.
        errorCode = result;
        ClosePbo();
        return result;
    }
    return ClosePbo() ? 0 : PboNoFile;
}
