// Archive reading: the header block, flavour detection and the entry list.

#include <cstdlib>
#include <cstring>
#include <memory>

#include "../frame/AllocFail.h"
#include "../frame/ByteOrder.h"
#include "../frame/Platform.h"
#include "../frame/Text.h"
#include "Ostrel.h"
#include "PboErrors.h"

PboInfo::~PboInfo()
{
    FreeProduct();
}

void PboInfo::FreeProduct()
{
    std::free(productType);
    std::free(productName);
    productType = nullptr;
    productName = nullptr;
}

Ostrel::Ostrel()
{
    Init();
}

Ostrel::~Ostrel()
{
    ClosePbo();
}

void Ostrel::Init()
{
    entryCount = 0;
    info.flavour = Cwc;
    info.FreeProduct();
    dataStart = 0;
    firstEntry = nullptr;
    errorCode = 0;
}

void Ostrel::DeleteEntries()
{
    pbo_entry* entry = firstEntry;
    while (entry)
    {
        pbo_entry* next = entry->next;
        delete entry;
        entry = next;
    }
    firstEntry = nullptr;
}

bool Ostrel::ClosePbo()
{
    bool result = true;
    // A positive code is the size of the last loaded entry, not a failure:
    // the archive being written is still finished. After a failure it is left
    // unfinished, and the answer says so.
    if (stream.OutputFile())
        result = stream.FinishOutput(errorCode >= 0 && WriteEndingData());
    stream.Close();
    DeleteEntries();
    Init();
    return result;
}

namespace
{
// Reads the five little-endian words that follow an entry's name.
bool ReadWords(FILE* file, PboHeaderEntry& entry)
{
    unsigned char bytes[20];
    if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes)
        return false;
    uint32_t words[5];
    for (int w = 0; w < 5; ++w)
        words[w] = byteorder::LoadU32(bytes + 4 * w);
    entry.packingMethod = words[0];
    entry.originalSize = words[1];
    entry.reserved = words[2];
    entry.timestamp = words[3];
    entry.dataSize = words[4];
    return true;
}

// Reads one product string into *target (heap text); false when it cannot be read.
bool ReadProductString(FILE* file, char*& target)
{
    OwnedString holder;
    if (!OwnedString::ReadCString(holder, file))
        return false;
    std::free(target);
    target = holder.Release();
    return true;
}
} // namespace

int Ostrel::ReadHeaders()
{
    FILE* file = stream.InputFile();
    strangeValues = 0;
    info.flavour = Cwc;
    info.residualCount = 0;
    uint64_t dataSum = 0;
    pbo_entry* last = nullptr;
    for (;;)
    {
        std::unique_ptr<pbo_entry> entry(ostrel_internal::alloc::New<pbo_entry>());
        if (!entry)
            return PboNoMemory;
        OwnedString name;
        if (!OwnedString::ReadCString(name, file) || !ReadWords(file, *entry))
            return PboTruncated;
        entry->name = name.Release();
        entry->compressed = entry->originalSize != 0 && entry->originalSize != entry->dataSize;
        entry->loadedSize = static_cast<int32_t>(entry->compressed ? entry->originalSize : entry->dataSize);
        if (entry->name[0] == 0)
        {
            if (entry->originalSize || entry->reserved || entry->dataSize)
                strangeValues = 1;
            uint32_t method = entry->packingMethod;
            entry.reset();
            if (method == PboMethodStored || method == PboMethodCompressed)
                break;
            if (method != PboMethodProduct)
                return PboUnknownHeader;
            if (info.productType)
                return PboMultipleProducts;
            info.flavour = Resistance;
            if (!ReadProductString(file, info.productType))
                return PboTruncated;
            if (!info.productType[0])
                continue;
            if (text::EqualNoCase(info.productType, "prefix"))
                info.flavour = ArmaNoSha;
            if (!ReadProductString(file, info.productName))
                return PboTruncated;
            if (!info.productName[0])
                continue;
            OwnedString extra;
            do
            {
                if (!OwnedString::ReadCString(extra, file))
                    return PboTruncated;
            } while (extra.Get()[0]);
            continue;
        }
        if (entry->reserved)
            return PboReservedNonZero;
        if (entry->packingMethod == PboMethodCompressed)
            entry->compressed = 1;
        else if (entry->packingMethod != PboMethodStored || entry->compressed)
            return PboUnknownHeader;
        entry->offset = static_cast<int32_t>(static_cast<uint32_t>(dataSum));
        entry->dataOffset = dataSum;
        dataSum += entry->dataSize;
        pbo_entry* added = entry.release();
        if (last)
            last->next = added;
        else
            firstEntry = added;
        last = added;
        ++entryCount;
    }
    int64_t start = platform::TellOf(file);
    if (start < 0 || start > INT32_MAX)
        return PboTruncated;
    dataStart = static_cast<int32_t>(start);
    if (info.flavour != ArmaNoSha)
        return 0;
    int64_t residual = static_cast<int64_t>(stream.FileSize()) - start - static_cast<int64_t>(dataSum);
    if (residual == PboEliteTrailerSize)
        info.flavour = Elite;
    else if (residual == PboArmaTrailerSize)
        info.flavour = Arma;
    else if (residual != 0)
        return PboTruncated;
    if (residual)
    {
        info.residualCount = static_cast<int32_t>(residual);
        if (!platform::SeekTo(file, static_cast<uint64_t>(start) + dataSum) ||
            std::fread(info.keyStore, 1, static_cast<size_t>(residual), file) != static_cast<size_t>(residual))
            return PboTruncated;
    }
    return platform::SeekTo(file, static_cast<uint64_t>(start)) ? 0 : PboTruncated;
}

int Ostrel::OpenPbo(const char* name, ProgressCallback progress)
{
    ProgressCallback report = SilentProgress::Select(progress);
    ClosePbo();
    callback = report;
    if (!stream.OpenInput(name, "pbo", 0))
    {
        errorCode = PboNoFile;
        return errorCode;
    }
    int result = ReadHeaders();
    if (result != 0)
    {
        ClosePbo();
        errorCode = result;
        return result;
    }
    switch (info.flavour)
    {
    case Resistance:
        callback("Pbo Type is: Resistance\r\n");
        break;
    case ArmaNoSha:
        callback("Pbo Type is: Elite or Arma (missing residual bytes)\r\n");
        break;
    case Elite:
        callback("Pbo Type is: Elite\r\n");
        callback("Residual bytes(%d)= %s\r\n", 5, GetAsciiSig());
        break;
    case Arma:
        callback("Pbo Type is: Arma\r\n");
        callback("Residual bytes(%d)= %s\r\n", PboArmaTrailerSize, GetAsciiSig());
        break;
    default:
        callback("Pbo Type is: CWC\r\n");
        break;
    }
    if (GetProductType()[0])
    {
        callback("=======HEADER=======\r\n");
        callback("Type: \"%s\"\r\n", GetProductType());
        callback("Name: \"%s\"\r\n", GetProductName());
    }
    callback("========*==*==============\r\n");
    return 0;
}

const char* Ostrel::GetProductType() const
{
    return info.productType ? info.productType : "";
}

const char* Ostrel::GetProductName() const
{
    return info.productName ? info.productName : "";
}

const char* Ostrel::GetAsciiSig() const
{
    // Rebuilt on every call, in the object's own buffer.
    char* sig = asciiSig;
    int count = PboTrailerSize(info.flavour);
    static const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < count; ++i)
    {
        sig[2 * i] = digits[info.keyStore[i] >> 4];
        sig[2 * i + 1] = digits[info.keyStore[i] & 15];
    }
    sig[2 * count] = 0;
    return sig;
}

pbo_entry* Ostrel::FindEntry(const char* name) const
{
    for (pbo_entry* entry = firstEntry; entry; entry = entry->next)
    {
        if (text::EqualNoCase(entry->name, name))
            return entry;
    }
    return nullptr;
}

int Ostrel::GetBinData(pbo_entry* entry, bool raw)
{
    if (!entry)
        return errorCode = PboNoFile;
    FILE* file = stream.InputFile();
    if (!file && !entry->data)
        return errorCode = PboNoFile;
    errorCode = entry->LoadEntryData(file, stream.FileSize(), static_cast<uint32_t>(dataStart), raw);
    return errorCode;
}

void Ostrel::FreeData(pbo_entry* entry)
{
    if (entry)
        entry->FreeData();
}

const char* Ostrel::strError() const
{
    return PboErrorText(errorCode);
}
