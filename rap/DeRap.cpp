// The binarised config decoder: detection, layouts and the walk to text.

#include "DeRap.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../frame/AllocFail.h"
#include "../frame/Platform.h"
#include "RapFormat.h"

using namespace rapformat;

DeRap::DeRap()
    : usePragma(false), showOffsets(false), xboxTextMeta(false), fileName(nullptr), quoteBuffer(nullptr),
      quoteCapacity(0), signatureText{}, consumed(0), segmentStart(0)
{
    Close(true);
}

DeRap::~DeRap()
{
    Close(true);
    std::free(quoteBuffer);
}

void DeRap::Close(bool freeText)
{
    CloseInput();
    CloseOutput(freeText);
}

const char* DeRap::ErrorString(RapError code)
{
    return RapErrorText(code);
}

RapError DeRap::OpenRapFile(const char* path)
{
    Close(true);
    fileName = path;
    uint64_t fileSize = 0;
    if (!platform::FindFileSize(path, fileSize))
        return RapNoFile;
    if (fileSize > UINT32_MAX)
        return RapOutOfMemory;
    unsigned char* bytes = static_cast<unsigned char*>(ostrel_internal::alloc::Allocate(fileSize ? fileSize : 1));
    if (!bytes)
        return RapOutOfMemory;
    FILE* file = platform::OpenFile(path, "rb");
    bool complete = file && std::fread(bytes, 1, fileSize, file) == fileSize;
    if (file)
        std::fclose(file);
    if (!complete)
    {
        std::free(bytes);
        return RapNoFile;
    }
    data = bytes;
    size = static_cast<uint32_t>(fileSize);
    ownsData = true;
    position = 0;
    RapError detected = CheckMagic();
    if (detected != RapNoError && detected != RapXboxTextMeta)
        CloseInput();
    return detected;
}

bool DeRap::SetAsRapData(const unsigned char* buffer, unsigned int byteCount, const char* name)
{
    Close(true);
    fileName = name;
    size = buffer ? byteCount : 0;
    position = 0;
    // Read in place; detection may restore space-coded zero bytes in it.
    data = const_cast<unsigned char*>(buffer);
    ownsData = false;
    return CheckMagic() == RapNoError;
}

bool DeRap::IsHeader8()
{
    if (GetLong() != 0)
        return false;
    return GetLong() == static_cast<int>(HeaderEight);
}

RapError DeRap::CheckMagic()
{
    spaceSignature = false;
    xboxTextMeta = false;
    layout = LayoutInline;
    if (size < 8)
        return RapNotRapFile;
    if ((data[0] != Signature[0] && data[0] != SpaceSignatureByte) ||
        std::memcmp(data + 1, Signature + 1, SignatureLength - 1) != 0)
        return RapNotRapFile;
    spaceSignature = data[0] == SpaceSignatureByte;
    if (std::memcmp(data + SignatureLength, InlineMark, sizeof InlineMark) == 0)
    {
        if (spaceSignature)
            return RapNotRapFile;
        position = InlineHeaderSize;
        return RapNoError;
    }
    layout = LayoutArma;
    position = SignatureLength;
    // The zero long and the long 8 must be there; the enum offset may not.
    if (size < ArmaHeaderSize - 4)
        return RapNotRapFile;
    if (spaceSignature)
    {
        for (uint32_t i = SignatureLength; i < size; ++i)
        {
            if (data[i] == SpaceSignatureByte)
                data[i] = 0;
        }
    }
    if (IsHeader8())
        return RapNoError;
    if (size < XboxHeaderSize - 4) // room for the Xbox header
        return RapNotRapFile;
    layout = LayoutXbox;
    position = XboxHeaderEightOffset;
    if (IsHeader8())
        return RapNoError;
    xboxTextMeta = true;
    return RapXboxTextMeta;
}

RapError DeRap::ConvertRapData(const char** textOut)
{
    if (xboxTextMeta)
        return RapXboxTextMeta;
    // A string of the inline layout is stored once and may be reused by index
    // for one or two bytes a time, so a small file could expand to gigabytes
    // of text. The text is bounded in proportion to the data instead: a
    // compiler-written file never comes near the bound, and passing it
    // answers "out of memory".
    LimitText(static_cast<uint64_t>(size) * TextPerInputByte + TextAllowance);
    RapError result = ProcessClasses();
    if (result == RapNoError)
        result = ProcessEnumList();
    if (error != RapNoError)
        result = error;
    if (result != RapNoError)
        OutputStr(0, "//%s\r\n", ErrorString(result));
    if (textOut)
        *textOut = GetOutBuffer();
    return result;
}

const char* DeRap::GetAsciiSig(const unsigned char* bytes)
{
    if (!bytes)
    {
        if (!data || size < XboxSignatureOffset + XboxSignatureSize)
        {
            signatureText[0] = 0;
            return signatureText;
        }
        bytes = data + XboxSignatureOffset;
    }
    static const char hex[] = "0123456789ABCDEF";
    for (uint32_t i = 0; i < XboxSignatureSize; ++i)
    {
        signatureText[2 * i] = hex[bytes[i] >> 4];
        signatureText[2 * i + 1] = hex[bytes[i] & 0x0F];
    }
    signatureText[2 * XboxSignatureSize] = 0;
    return signatureText;
}

char* DeRap::DoubleUpQuotes(const char* s)
{
    size_t quotes = 0;
    size_t n = 0;
    for (; s[n]; ++n)
        quotes += s[n] == '"';
    if (quotes >= SIZE_MAX - n)
        return nullptr;
    size_t needed = n + quotes + 1;
    if (needed > quoteCapacity)
    {
        size_t grown = quoteCapacity < SIZE_MAX / 2 ? quoteCapacity * 2 : needed;
        if (grown < needed)
            grown = needed < 5000 ? 5000 : needed;
        void* block = ostrel_internal::alloc::Reallocate(quoteBuffer, grown);
        if (!block)
            return nullptr;
        quoteBuffer = static_cast<char*>(block);
        quoteCapacity = grown;
    }
    char* out = quoteBuffer;
    for (size_t i = 0; i < n; ++i)
    {
        *out++ = s[i];
        if (s[i] == '"')
            *out++ = '"';
    }
    *out = 0;
    return quoteBuffer;
}
