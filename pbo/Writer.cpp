#include <cstdlib>
#include <cstring>
#include <string>

#include "../frame/Platform.h"
#include "../frame/Text.h"
#include "Ostrel.h"
#include "PboErrors.h"

namespace
{
// Base names that get the "ca\" prefix when no prefix is given.
const char* const PrefixTable[] = {"air",     "animals", "anims", "buildings", "characters", "desert",
                                   "introanims", "language", "misc",  "plants",    "roads",      "rocks",
                                   "sara",    "signs",   "sounds", "tracked",   "ui",         "uifonts",
                                   "voice",   "water",   "weapons", "wheeled"};

bool InPrefixTable(const char* base)
{
    for (const char* known : PrefixTable)
    {
        if (text::EqualNoCase(base, known))
            return true;
    }
    return false;
}
} // namespace

bool Ostrel::CreatePbo(const char* name, PboFlags flags, const char* prefix, ProgressCallback progress,
                       const char* /*unused*/)
{
    headerWritten = 0;
    callback = SilentProgress::Select(progress);
    if (!stream.CreateOutput(name, "pbo"))
        return false;
    info.residualCount = 0;
    info.flavour = static_cast<PboFlags>(flags & ~PboOptionMask);
    switch (info.flavour)
    {
    case Resistance:
        callback("Creating Resistance style pbo\r\n");
        return WriteResistanceHeader();
    case ArmaNoSha:
        callback("Creating ArmA style non residual pbo ");
        break;
    case Elite:
        info.residualCount = 5;
        callback("Creating Xbox Elite Style Pbo: ");
        break;
    case Arma:
        info.residualCount = 21;
        callback("Creating ArmA style pbo: ");
        break;
    default:
        info.flavour = Cwc;
        callback("Creating CWC style pbo\r\n");
        return true;
    }
    if (prefix && *prefix)
        return WriteEliteHeader(prefix);
    // Derive the prefix from the archive's base name.
    std::string copy = name;
    for (char& c : copy)
    {
        if (c == '\\')
            c = '/';
    }
    size_t slash = copy.rfind('/');
    std::string base = slash == std::string::npos ? copy : copy.substr(slash + 1);
    OwnedString derived;
    if (InPrefixTable(base.c_str()))
        OwnedString::FormatString(derived, "ca\\%s", base.c_str());
    else
        derived.Copy(base.c_str());
    return WriteEliteHeader(derived.c_str());
}

bool Ostrel::WriteEntry(PboHeaderEntry* entry)
{
    if (!entry)
        return false;
    return stream.PutString(entry->name) && stream.PutU32(entry->packingMethod) &&
           stream.PutU32(entry->originalSize) && stream.PutU32(entry->reserved) && stream.PutU32(entry->timestamp) &&
           stream.PutU32(entry->dataSize);
}

bool Ostrel::WriteData(const unsigned char* data, int size)
{
    if (!headerWritten)
    {
        headerWritten = 1;
        if (!WriteEndingEntry())
            return false;
    }
    if (size < 0)
        return false;
    return stream.PutBytes(data, static_cast<uint32_t>(size));
}

bool Ostrel::WriteEliteHeader(const char* prefix)
{
    callback("Prefix = %s\r\n", prefix);
    return WriteProductHeader("prefix", prefix);
}

bool Ostrel::WriteResistanceHeader()
{
    return WriteProductHeader("Tovrin", "OFP: Resistance");
}

bool Ostrel::WriteProductHeader(const char* type, const char* name)
{
    PboHeaderEntry product;
    char empty[1] = {0};
    product.name = empty;
    product.packingMethod = PboMethodProduct;
    return WriteEntry(&product) && WriteLabel(type) && WriteLabel(name) && WriteLabel(nullptr);
}

bool Ostrel::WriteLabel(const char* label)
{
    return stream.PutString(label);
}

bool Ostrel::WriteEndingEntry()
{
    static const unsigned char terminator[PboEntryFixedSize] = {};
    return stream.PutBytes(terminator, sizeof terminator);
}

bool Ostrel::WriteEndingData()
{
    // An archive that never received a data byte still gets its terminator,
    // before any key bytes.
    if (!headerWritten)
    {
        headerWritten = 1;
        if (!WriteEndingEntry())
            return false;
    }
    int count = info.flavour == Elite ? 5 : info.flavour == Arma ? 21 : 0;
    if (count == 0)
        return true;
    callback("Writing sha key\r\n");
    return WriteData(info.keyStore, count);
}

int Ostrel::WriteHeaderBlock(bool txt)
{
    for (pbo_entry* entry = firstEntry; entry; entry = entry->next)
    {
        if (!callback("%s\r\n", entry->name))
            return PboCancelled;
        std::string copy = entry->name ? entry->name : "";
        if (text::EqualNoCase(entry->sourceName, "mission.bin"))
        {
            size_t dot = copy.rfind('.');
            if (dot != std::string::npos)
                copy.replace(dot, std::string::npos, ".sqm");
        }
        if (txt && (text::EqualNoCase(entry->sourceName, "mission.sqm") ||
                    text::EqualNoCase(entry->sourceName, "config.cpp")))
            copy += ".txt";
        size_t dot = copy.rfind('.');
        if (dot != std::string::npos && copy.compare(dot + 1, std::string::npos, "zzz") == 0)
            copy.replace(dot + 1, 3, "***");
        PboHeaderEntry header = *static_cast<PboHeaderEntry*>(entry);
        header.name = &copy[0];
        if (!WriteEntry(&header))
            return PboNoFile;
    }
    headerWritten = 1;
    return WriteEndingEntry() ? 0 : PboNoFile;
}

int Ostrel::WriteDataBlock(const char* folder)
{
    for (pbo_entry* entry = firstEntry; entry; entry = entry->next)
    {
        if (!callback("."))
            return PboCancelled;
        OwnedString path;
        OwnedString::FormatString(path, "%s\\%s", folder, entry->name);
        FILE* file = platform::OpenFile(path.Get(), "rb");
        if (!file)
            return PboNoFile;
        entry->data = static_cast<unsigned char*>(std::malloc(entry->dataSize ? entry->dataSize : 1));
        if (!entry->data)
        {
            std::fclose(file);
            return PboNoMemory;
        }
        bool ok = std::fread(entry->data, 1, entry->dataSize, file) == entry->dataSize &&
                  WriteData(entry->data, static_cast<int>(entry->dataSize));
        FreeData(entry);
        std::fclose(file);
        if (!ok)
            return PboNoFile;
    }
    callback("\r\n");
    return 0;
}
