// Archive writing: header block, entry data and the trailer of each flavour.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "../frame/Platform.h"
#include "../frame/Text.h"
#include "Ostrel.h"
#include "PboErrors.h"

namespace
{
// Size of the block files are read through when an archive is built and
// hashed (1 MB: measured faster than 128 KB; large reads and writes bypass
// the streams' own buffers).
const size_t CopyBlockSize = 1u << 20;

// Longest name or product string the reader accepts; the writer refuses
// longer ones rather than produce an archive that cannot be opened again.
const size_t MaxStoredText = 253;

bool FitsReader(const char* text)
{
    return !text || std::strlen(text) <= MaxStoredText;
}

bool InPrefixTable(const char* base)
{
    for (const char* known : PboGamePrefixBases)
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
    return StartArchive(name, nullptr, flags, prefix, progress);
}

bool Ostrel::StartArchive(const char* name, const char* file, PboFlags flags, const char* prefix,
                          ProgressCallback progress)
{
    // A fresh archive: the code of an earlier failure must not keep it from
    // being finished on close.
    headerWritten = 0;
    errorCode = PboNoError;
    callback = SilentProgress::Select(progress);
    if (!name || !(file ? stream.CreateOutput(file, nullptr) : stream.CreateOutput(name, "pbo")))
        return false;
    // Only an Arma archive ends with the SHA-1 of its bytes; the others are
    // not hashed, so their entries can be copied file to file.
    if ((flags & ~PboOptionMask) == Arma)
        stream.DigestOutput();
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
        info.residualCount = PboEliteTrailerSize;
        callback("Creating Xbox Elite Style Pbo: ");
        break;
    case Arma:
        info.residualCount = PboArmaTrailerSize;
        callback("Creating ArmA style pbo: ");
        break;
    default:
        info.flavour = Cwc;
        callback("Creating CWC style pbo\r\n");
        return true;
    }
    if (prefix && *prefix)
        return WriteEliteHeader(prefix);
    // Derive the prefix from the archive's base name: the text after the last
    // backslash or slash.
    const char* base = name;
    for (const char* c = name; *c; ++c)
    {
        if (*c == '\\' || *c == '/')
            base = c + 1;
    }
    OwnedString derived;
    if (InPrefixTable(base))
        OwnedString::FormatString(derived, "ca\\%s", base);
    else
        derived.Copy(base);
    return !derived.Empty() && WriteEliteHeader(derived.Get());
}

bool Ostrel::WriteEntry(PboHeaderEntry* entry)
{
    if (!entry || !FitsReader(entry->name))
        return false;
    return stream.PutString(entry->name) && stream.PutU32(entry->packingMethod) && stream.PutU32(entry->originalSize) &&
           stream.PutU32(entry->reserved) && stream.PutU32(entry->timestamp) && stream.PutU32(entry->dataSize);
}

bool Ostrel::WriteData(const unsigned char* data, int size)
{
    // A negative length (a failed load) or missing bytes are never written.
    if (size < 0 || (size > 0 && !data))
        return false;
    if (!headerWritten)
    {
        headerWritten = 1;
        if (!WriteEndingEntry())
            return false;
    }
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
    if (!WriteEntry(&product) || !WriteLabel(type) || !WriteLabel(name))
        return false;
    // An empty string ends the list: after an empty name (a prefix derived
    // from a name that ends in a separator) a second one would be read as
    // the next header entry.
    return !name || !*name || WriteLabel(nullptr);
}

bool Ostrel::WriteLabel(const char* label)
{
    return FitsReader(label) && stream.PutString(label);
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
    bool ok = true;
    if (!headerWritten)
    {
        headerWritten = 1;
        ok = WriteEndingEntry();
    }
    int count = PboTrailerSize(info.flavour);
    if (ok && count)
    {
        callback("Writing sha key\r\n");
        // Arma archives end with a zero byte and the SHA-1 of every byte
        // before it; Elite ones with the key bytes the object holds.
        if (info.flavour == Arma)
        {
            info.keyStore[0] = 0;
            stream.OutputDigest(info.keyStore + 1);
        }
        ok = WriteData(info.keyStore, count);
    }
    // The buffered bytes go out here, so a full disk makes the close fail
    // instead of leaving a short archive behind unnoticed.
    return ok && std::fflush(stream.OutputFile()) == 0;
}

int Ostrel::WriteHeaderBlock(bool txt)
{
    for (pbo_entry* entry = firstEntry; entry; entry = entry->next)
    {
        const char* name = entry->name ? entry->name : "";
        if (!callback("%s\r\n", name))
            return PboCancelled;
        // The entry keeps its name; the header gets a renamed copy.
        const char* dot = std::strrchr(name, '.');
        size_t keep = std::strlen(name);
        const char* sqm = "";
        if (dot && text::EqualNoCase(entry->sourceName, "mission.bin"))
        {
            keep = static_cast<size_t>(dot - name);
            sqm = ".sqm";
        }
        bool addTxt = txt && (text::EqualNoCase(entry->sourceName, "mission.sqm") ||
                              text::EqualNoCase(entry->sourceName, "config.cpp"));
        OwnedString copy;
        if (!OwnedString::FormatString(copy, "%.*s%s%s", static_cast<int>(keep), name, sqm, addTxt ? ".txt" : ""))
            return PboNoMemory;
        char* last = std::strrchr(copy.Get(), '.');
        if (last && std::strcmp(last + 1, "zzz") == 0)
            std::memcpy(last + 1, "***", 3);
        PboHeaderEntry header = *static_cast<PboHeaderEntry*>(entry);
        header.name = copy.Get();
        if (!WriteEntry(&header))
            return PboNoFile;
    }
    headerWritten = 1;
    return WriteEndingEntry() ? 0 : PboNoFile;
}

int Ostrel::WriteDataBlock(const char* folder)
{
    // Files are copied through one reusable block, so only one block of data
    // is in memory however large the files are.
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[CopyBlockSize]);
    if (!block)
        return PboNoMemory;
    for (pbo_entry* entry = firstEntry; entry; entry = entry->next)
    {
        if (!callback("."))
            return PboCancelled;
        OwnedString path;
        if (!OwnedString::FormatString(path, "%s\\%s", folder, entry->name))
            return PboNoMemory;
        FILE* file = platform::OpenFile(path.Get(), "rb");
        if (!file)
            return PboNoFile;
        bool ok = CopyFileData(file, entry->dataSize, block.get());
        std::fclose(file);
        if (!ok)
            return PboNoFile;
    }
    callback("\r\n");
    return 0;
}

bool Ostrel::CopyFileData(FILE* file, uint32_t size, unsigned char* block)
{
    // Bytes that need no hashing go from file to file (where the system can
    // copy between them) without passing through this process.
    if (!stream.Digesting())
    {
        uint64_t now = 0;
        return platform::CopyRange(file, 0, stream.OutputFile(), size) == 0 && platform::SizeOf(file, now) &&
               now == size;
    }
    // Hashed bytes are read, hashed and written a block at a time. Measured
    // and dropped (400 MB of 1 MB files, two cores): hashing each block on a
    // second thread while this one wrote it and read the next, 311-369 ms
    // against 309-417 ms; the writes slowed as much as the hashing was hidden.
    uint32_t remaining = size;
    while (remaining)
    {
        uint32_t piece = remaining < CopyBlockSize ? remaining : static_cast<uint32_t>(CopyBlockSize);
        if (std::fread(block, 1, piece, file) != piece || !stream.PutBytes(block, piece))
            return false;
        remaining -= piece;
    }
    // The header already promised this size: a file that grew since it was
    // listed is a failure too, not a silently cut entry.
    return std::fgetc(file) == EOF && !std::ferror(file);
}
