// The cache of ostrel build (PROJECT/.ostrel/cache): per addon, every input
// that went into its archive and every output it left, with size, time and
// content hash, so that an addon whose inputs are unchanged is not rebuilt.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace cli
{
namespace modbuild
{
struct FileRecord
{
    std::string path; // inputs: relative to the project or absolute; outputs: relative to the mod folder
    uint64_t size = 0;
    int64_t time = 0;
    uint64_t hash = 0;
};

struct AddonRecord
{
    std::string key;                 // the addon's folder, "addons/main"
    std::string fingerprint;         // settings, options, prefix and tool version, hashed
    std::string mounts;              // the mounts its compiles saw, hashed; empty: they looked nothing up
    std::vector<std::string> missed; // files its compiles looked for by game path and did not find
    std::vector<FileRecord> members; // the addon's own files, in listing order
    std::vector<FileRecord> sources; // files its configs included from elsewhere
    std::vector<FileRecord> outputs; // archive and signature
};

class BuildCache
{
public:
    // Reads the cache file; a missing or damaged one is an empty cache.
    void Load(const std::string& path);
    // Writes it through a temporary name; false with a message.
    bool Save(const std::string& path, std::string& error) const;

    const AddonRecord* Find(const std::string& key) const;
    void Put(const AddonRecord& record) { records[record.key] = record; }
    size_t Size() const { return records.size(); }

private:
    std::map<std::string, AddonRecord> records;
};

// The input is as recorded: same size and time, or, where they changed,
// the same content hash (then the record takes the new size and time).
bool InputUnchanged(const std::string& project, FileRecord& record);
} // namespace modbuild
} // namespace cli
