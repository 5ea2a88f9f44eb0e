// One addon's job in ostrel build: the cache check and carry-over, or the
// archive written entry by entry through the library's archive writer (the
// folder builder's flavour, order and prefix property, the compiled forms of
// the configs in place of their text).

#include "AddonJob.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "AddonFiles.h"
#include "ConfigCompile.h"
#include "ContentHash.h"
#include "Lookups.h"
#include "cli/Interrupt.h"
#include "frame/Text.h"
#include "pbo/Ostrel.h"

namespace fs = std::filesystem;

namespace cli
{
namespace modbuild
{
namespace
{
// Size of the pieces files are copied through into the archive.
const size_t CopyBlock = 1 << 20;

// What one archive entry is made of: a file copied, or bytes made here.
struct Entry
{
    std::string name;  // backslash separated
    size_t file = 0;   // the addon file it comes from
    bool made = false; // bytes holds its data (a compiled config)
    std::vector<unsigned char> bytes;
};

std::string ProjectRelative(const fs::path& project, const std::string& path)
{
    std::error_code code;
    const fs::path absolute = fs::absolute(text::LocalPath(path.c_str()), code).lexically_normal();
    const fs::path relative = absolute.lexically_relative(project);
    if (code || relative.empty() || *relative.begin() == "..")
        return absolute.string();
    return relative.generic_string();
}

bool ReadWhole(const std::string& path, std::string& text)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        return false;
    text.clear();
    char block[64 << 10];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0)
        text.append(block, got);
    return !std::ferror(file.get());
}

// Copies exactly size bytes of the file into the archive, hashing them; a
// file that is shorter or longer than it was listed fails.
bool CopyInto(Ostrel& writer, const std::string& path, uint64_t size, std::vector<unsigned char>& block, uint64_t& hash)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        return false;
    ContentHash content;
    uint64_t remaining = size;
    while (remaining)
    {
        const size_t piece = remaining < block.size() ? static_cast<size_t>(remaining) : block.size();
        if (std::fread(block.data(), 1, piece, file.get()) != piece ||
            !writer.WriteData(block.data(), static_cast<int>(piece)))
            return false;
        content.Update(block.data(), piece);
        remaining -= piece;
    }
    hash = content.Final();
    return std::fgetc(file.get()) == EOF && !std::ferror(file.get());
}

// The carried-over record when nothing the addon was built from changed and
// its outputs are still in the previous mod folder as they were left.
bool Unchanged(const AddonRecord& old, const std::vector<AddonFile>& files, const JobContext& context,
               AddonRecord& fresh)
{
    if (old.members.size() != files.size())
        return false;
    fresh = old;
    for (size_t i = 0; i < files.size(); ++i)
    {
        FileRecord& member = fresh.members[i];
        if (member.path != ProjectRelative(context.project, files[i].path))
            return false;
        if (member.size == files[i].size && member.time == files[i].time)
            continue;
        uint64_t hash = 0;
        if (member.size != files[i].size || !HashFile(files[i].path, hash) || hash != member.hash)
            return false;
        member.time = files[i].time;
    }
    // An addon added or removed, or a file added where a lookup found
    // nothing, may change what an include or __has_include finds.
    if (!old.mounts.empty() && old.mounts != context.mountsFingerprint.Get())
        return false;
    for (const std::string& missed : old.missed)
    {
        if (!StillMissing(missed))
            return false;
    }
    for (FileRecord& source : fresh.sources)
    {
        if (!InputUnchanged(context.project, source))
            return false;
    }
    for (const FileRecord& output : fresh.outputs)
    {
        uint64_t size = 0;
        int64_t time = 0;
        if (!StatFile((fs::path(context.previous) / output.path).string(), size, time) || size != output.size ||
            time != output.time)
            return false;
    }
    return true;
}

// Hard links (else copies) of the previous outputs into the mod being built.
bool CarryOver(const AddonRecord& record, const JobContext& context, std::string& error)
{
    for (const FileRecord& output : record.outputs)
    {
        const fs::path from = fs::path(context.previous) / output.path;
        const fs::path to = fs::path(context.building) / output.path;
        std::error_code code;
        fs::create_hard_link(from, to, code);
        if (code)
        {
            code.clear();
            fs::copy_file(from, to, code);
        }
        if (code)
        {
            error = to.string() + ": " + code.message() + "\n";
            return false;
        }
    }
    return true;
}

bool RecordOutput(const JobContext& context, const std::string& relative, AddonRecord& record)
{
    FileRecord output;
    output.path = relative;
    if (!StatFile((fs::path(context.building) / relative).string(), output.size, output.time))
        return false;
    record.outputs.push_back(output);
    return true;
}

class Job
{
public:
    Job(const Addon& addon, const JobContext& context) : addon(addon), context(context) {}

    JobResult Run()
    {
        const auto started = std::chrono::steady_clock::now();
        Build();
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return result;
    }

private:
    void Fail(const std::string& message) { result.errors.push_back(addon.Folder() + ": " + message + "\n"); }

    void Build()
    {
        if (!ListAddonFiles(context.project, addon.Folder(), context.excludes, files, result.notes))
            return Fail("cannot list the folder");
        result.record.key = addon.Folder();
        result.record.fingerprint = HexOf(HashBytes(context.fingerprint.data(), context.fingerprint.size()) ^
                                          HashBytes((addon.prefix + "\n" + addon.ArchivePath()).data(),
                                                    addon.prefix.size() + 1 + addon.ArchivePath().size()));
        const AddonRecord* old = context.cache ? context.cache->Find(addon.Folder()) : nullptr;
        AddonRecord fresh;
        if (old && old->fingerprint == result.record.fingerprint && Unchanged(*old, files, context, fresh))
        {
            std::string error;
            if (!CarryOver(fresh, context, error))
                return Fail(error);
            result.record = fresh;
            result.skipped = true;
            result.ok = true;
            result.entries = files.size();
            for (const FileRecord& output : fresh.outputs)
            {
                if (output.path == addon.ArchivePath())
                    result.size = output.size;
            }
            return;
        }
        if (!MakeEntries() || interrupt::Requested())
            return;
        if (!WriteArchive())
            return;
        result.ok = true;
    }

    // The entries in listing order, configs compiled.
    bool MakeEntries()
    {
        std::map<std::string, std::string> names; // lower-case entry name to the file that gives it
        std::set<std::string> sourcesSeen, missedSeen;
        bool ok = true;
        members.resize(files.size());
        hashed.assign(files.size(), false);
        for (size_t i = 0; i < files.size(); ++i)
        {
            const AddonFile& file = files[i];
            members[i].path = ProjectRelative(context.project, file.path);
            members[i].size = file.size;
            members[i].time = file.time;
            Entry entry;
            entry.file = i;
            std::string name = file.entry;
            if (context.binarise && IsCompiledName(file.entry))
            {
                std::string text;
                if (!ReadWhole(file.path, text))
                {
                    Fail(file.entry + ": cannot be read");
                    ok = false;
                    continue;
                }
                members[i].hash = HashBytes(text.data(), text.size());
                hashed[i] = true;
                std::vector<std::string> sources, missed;
                std::string diagnostics;
                const std::string scratch =
                    (fs::path(context.building) / (".compile-" + addon.group + "-" + addon.name)).string();
                CompileSetup setup;
                setup.mounts = &context.mounts.Get();
                setup.fixedTime = context.fixedTime;
                const CompileResult compiled =
                    CompileConfig(file.path, text, scratch, setup, entry.bytes, sources, missed, diagnostics);
                if (compiled != CompileResult::AsText && MayLookUp(text))
                    result.record.mounts = context.mountsFingerprint.Get();
                for (std::string& path : missed)
                {
                    if (missedSeen.insert(path).second)
                        result.record.missed.push_back(std::move(path));
                }
                for (const std::string& source : sources)
                {
                    if (sourcesSeen.insert(source).second)
                        AddSource(source);
                }
                if (compiled == CompileResult::Interrupted)
                {
                    result.interrupted = true;
                    return false;
                }
                if (compiled == CompileResult::Failed)
                {
                    result.errors.push_back(addon.Folder() + ": " + file.entry + " does not compile:\n" + diagnostics);
                    ok = false;
                    continue;
                }
                if (compiled == CompileResult::Binary)
                {
                    name = CompiledName(file.entry);
                    entry.made = true;
                }
                else if (NeedsText(text))
                    result.notes.push_back(addon.Folder() + "/" + file.entry +
                                           ": packed as text: it uses __has_include or __EXEC");
            }
            for (char& c : name)
            {
                if (c == '/')
                    c = '\\';
            }
            const auto placed = names.emplace(text::LowerAscii(name), file.entry);
            if (!placed.second)
            {
                Fail(file.entry + ": gives the entry " + name + ", which " + placed.first->second + " gives too");
                ok = false;
                continue;
            }
            entry.name = name;
            entries.push_back(std::move(entry));
        }
        return ok;
    }

    void AddSource(const std::string& source)
    {
        FileRecord record;
        record.path = ProjectRelative(context.project, source);
        const std::string local = text::LocalPath(source.c_str());
        if (StatFile(local, record.size, record.time) && HashFile(local, record.hash))
            result.record.sources.push_back(record);
    }

    bool WriteArchive()
    {
        const std::string relative = addon.ArchivePath();
        const std::string path = (fs::path(context.building) / relative).string();
        std::unique_ptr<Ostrel> writer(new Ostrel);
        if (!writer->CreatePbo(path.c_str(), Arma, addon.prefix.c_str(), nullptr, nullptr))
        {
            Fail(path + ": cannot be created");
            return false;
        }
        std::vector<std::string> names;
        for (Entry& entry : entries)
        {
            PboHeaderEntry header;
            std::vector<char> name(entry.name.begin(), entry.name.end());
            name.push_back(0);
            header.name = name.data();
            header.packingMethod = PboMethodStored;
            header.timestamp =
                context.fixedTime >= 0 ? static_cast<uint32_t>(context.fixedTime) : files[entry.file].created;
            const uint64_t size = entry.made ? entry.bytes.size() : files[entry.file].size;
            if (size > UINT32_MAX)
            {
                Fail(entry.name + ": too large for an archive entry");
                return false;
            }
            header.dataSize = static_cast<uint32_t>(size);
            if (!writer->WriteEntry(&header))
            {
                Fail(entry.name + ": the name cannot be stored in an archive");
                return false;
            }
        }
        std::vector<unsigned char> block(CopyBlock);
        static const unsigned char nothing[1] = {0};
        for (Entry& entry : entries)
        {
            if (interrupt::Requested())
            {
                result.interrupted = true;
                return false;
            }
            const AddonFile& file = files[entry.file];
            bool written;
            if (entry.made)
                written = writer->WriteData(entry.bytes.empty() ? nothing : entry.bytes.data(),
                                            static_cast<int>(entry.bytes.size()));
            else
            {
                written = CopyInto(*writer, file.path, file.size, block, members[entry.file].hash);
                hashed[entry.file] = written;
            }
            if (!written)
            {
                Fail(file.entry + ": cannot be packed (changed while it was read?)");
                return false;
            }
        }
        if (!writer->ClosePbo())
        {
            Fail(path + ": cannot be written");
            return false;
        }
        for (size_t i = 0; i < files.size(); ++i)
        {
            if (!hashed[i] && !HashFile(files[i].path, members[i].hash))
            {
                Fail(files[i].entry + ": cannot be read");
                return false;
            }
        }
        result.record.members = members;
        result.entries = entries.size();
        if (!RecordOutput(context, relative, result.record))
        {
            Fail(path + ": not written");
            return false;
        }
        result.size = result.record.outputs.back().size;
        if (context.sign)
        {
            std::string signature, error;
            if (!context.sign(path, signature, error))
            {
                Fail(error);
                return false;
            }
            RecordOutput(context, fs::path(signature).lexically_relative(context.building).generic_string(),
                         result.record);
        }
        return true;
    }

    const Addon& addon;
    const JobContext& context;
    JobResult result;
    std::vector<AddonFile> files;
    std::vector<Entry> entries;
    std::vector<FileRecord> members; // one per file
    std::vector<bool> hashed;        // its hash is known
};
} // namespace

JobResult RunAddonJob(const Addon& addon, const JobContext& context)
{
    return Job(addon, context).Run();
}
} // namespace modbuild
} // namespace cli
