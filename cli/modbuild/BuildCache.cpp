// The build cache file: a line-based text, one block per addon:
//   addon KEY / fingerprint HEX / [mounts HEX] / missed PATH... / member|source|output SIZE TIME HASH PATH / end
// with '%', CR and LF in paths written as %25, %0D and %0A.

#include "BuildCache.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "AddonFiles.h"
#include "ContentHash.h"
#include "cli/Outputs.h"

namespace fs = std::filesystem;

namespace cli
{
namespace modbuild
{
namespace
{
const char* const Header = "ostrel build cache 2";

std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text)
    {
        if (c == '%')
            out += "%25";
        else if (c == '\r')
            out += "%0D";
        else if (c == '\n')
            out += "%0A";
        else
            out += c;
    }
    return out;
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text.compare(i, 3, "%25") == 0)
            out += '%';
        else if (text.compare(i, 3, "%0D") == 0)
            out += '\r';
        else if (text.compare(i, 3, "%0A") == 0)
            out += '\n';
        else
        {
            out += text[i];
            continue;
        }
        i += 2;
    }
    return out;
}

bool ParseFile(std::istringstream& in, FileRecord& record)
{
    std::string hash;
    if (!(in >> record.size >> record.time >> hash) || !ParseHex(hash, record.hash) || in.get() != ' ')
        return false;
    std::string path;
    std::getline(in, path);
    record.path = Unescape(path);
    return !record.path.empty();
}

void WriteFiles(std::ostringstream& out, const char* kind, const std::vector<FileRecord>& files)
{
    for (const FileRecord& file : files)
        out << kind << ' ' << file.size << ' ' << file.time << ' ' << HexOf(file.hash) << ' ' << Escape(file.path)
            << '\n';
}
} // namespace

void BuildCache::Load(const std::string& path)
{
    records.clear();
    std::ifstream file(path, std::ios::binary);
    std::string line;
    if (!std::getline(file, line) || line != Header)
        return;
    AddonRecord current;
    bool open = false;
    while (std::getline(file, line))
    {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "addon" && !open && in.get() == ' ')
        {
            current = AddonRecord();
            std::getline(in, current.key);
            current.key = Unescape(current.key);
            open = true;
            continue;
        }
        if (!open)
        {
            records.clear();
            return;
        }
        FileRecord record;
        if (kind == "fingerprint")
            in >> current.fingerprint;
        else if (kind == "mounts")
            in >> current.mounts;
        else if (kind == "missed" && in.get() == ' ')
        {
            std::string missed;
            std::getline(in, missed);
            current.missed.push_back(Unescape(missed));
        }
        else if (kind == "end")
        {
            records[current.key] = current;
            open = false;
        }
        else if ((kind == "member" || kind == "source" || kind == "output") && ParseFile(in, record))
            (kind == "member"   ? current.members
             : kind == "source" ? current.sources
                                : current.outputs)
                .push_back(record);
        else
        {
            // A damaged cache is no cache: everything is built again.
            records.clear();
            return;
        }
    }
}

bool BuildCache::Save(const std::string& path, std::string& error) const
{
    std::ostringstream out;
    out << Header << '\n';
    for (const auto& item : records)
    {
        const AddonRecord& record = item.second;
        out << "addon " << Escape(record.key) << '\n' << "fingerprint " << record.fingerprint << '\n';
        if (!record.mounts.empty())
            out << "mounts " << record.mounts << '\n';
        for (const std::string& missed : record.missed)
            out << "missed " << Escape(missed) << '\n';
        WriteFiles(out, "member", record.members);
        WriteFiles(out, "source", record.sources);
        WriteFiles(out, "output", record.outputs);
        out << "end\n";
    }
    const std::string text = out.str();
    std::error_code code;
    fs::create_directories(fs::path(path).parent_path(), code);
    return WriteWholeFile(path, text.data(), text.size(), error);
}

const AddonRecord* BuildCache::Find(const std::string& key) const
{
    const auto found = records.find(key);
    return found == records.end() ? nullptr : &found->second;
}

bool InputUnchanged(const std::string& project, FileRecord& record)
{
    const fs::path path = fs::path(record.path).is_absolute() ? fs::path(record.path) : fs::path(project) / record.path;
    uint64_t size = 0;
    int64_t time = 0;
    if (!StatFile(path.string(), size, time))
        return false;
    if (size == record.size && time == record.time)
        return true;
    uint64_t hash = 0;
    if (size != record.size || !HashFile(path.string(), hash) || hash != record.hash)
        return false;
    record.time = time;
    return true;
}
} // namespace modbuild
} // namespace cli
