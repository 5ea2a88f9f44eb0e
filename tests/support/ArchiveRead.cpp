// Archive read-back for the tests, through the library's reader.

#include "ArchiveRead.h"

namespace testsupport
{
ArchiveContents ReadBack(const std::string& archive, bool raw)
{
    ArchiveContents contents;
    Ostrel reader;
    contents.opened = reader.OpenPbo(archive.c_str(), nullptr);
    if (contents.opened != 0)
        return contents;
    contents.type = reader.GetPboType();
    contents.product = reader.GetProductName() ? reader.GetProductName() : "";
    for (pbo_entry* e = reader.firstEntry; e; e = reader.GetNextEntry(e))
    {
        contents.names.push_back(reader.GetEntryFilename(e));
        contents.sizes.push_back(e->originalSize);
        const std::string data = Loaded(reader, e, raw);
        contents.data.push_back(Bytes(data.begin(), data.end()));
        reader.FreeData(e);
    }
    return contents;
}

std::vector<std::string> EntryNames(Ostrel& pbo)
{
    std::vector<std::string> names;
    for (pbo_entry* e = pbo.firstEntry; e; e = pbo.GetNextEntry(e))
        names.push_back(e->name);
    return names;
}

std::string Loaded(Ostrel& pbo, pbo_entry* entry, bool raw)
{
    const int n = pbo.GetBinData(entry, raw);
    if (n < 0)
        return "<error " + std::to_string(n) + ">";
    const unsigned char* data = pbo.GetDataPtr(entry);
    return n == 0 || !data ? std::string() : std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(n));
}
} // namespace testsupport
