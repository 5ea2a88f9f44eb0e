// Texture inspector: type word, tag list, mipmap walks and end marker of
// ".paa"/".pac" textures, reported through the caller's callback.
#include "DePac.h"

#include <cstring>

#include "../codec/PacWalk.h"
#include "../frame/ByteOrder.h"
#include "../frame/DataStream.h"
#include "../frame/Text.h"

namespace
{
const char* TypeLine(unsigned type)
{
    switch (type)
    {
    case pac::TypeRgba5551:
        return "Uncompressed RGBA 5:5:5:1 texture\r\n";
    case pac::TypeRgba4444:
        return "Uncompressed RGBA 4:4:4:4 texture\r\n";
    case pac::TypeIndexPalette:
        return "Uncompressed Index Palette texture\r\n";
    case pac::TypeLumAlpha:
        return "Uncompressed Luminosity/Alpha map\r\n";
    case pac::TypeDxt1:
        return "DXT1 / S3TC compression\r\n";
    case pac::TypeDxt5:
        return "XBox/Arma DXT5 compressed texture\r\n";
    default:
        return nullptr;
    }
}
} // namespace

DePac::DePac() : input(new DataStream) {}

DePac::~DePac()
{
    Close();
}

void DePac::Close()
{
    input->Close();
}

int DePac::Open(const char* fileName, ProgressCallback progress)
{
    const char* dot = fileName ? std::strrchr(fileName, '.') : nullptr;
    if (!dot || !(text::EqualNoCase(dot + 1, "paa") || text::EqualNoCase(dot + 1, "pac")))
        return pac::InvalidFile;
    if (!input->OpenInput(fileName, nullptr, 1))
        return pac::InvalidFile;
    int result = Process(progress);
    if (result != pac::Ok)
        Close();
    return result;
}

int DePac::Open(const unsigned char* data, unsigned long size, ProgressCallback progress)
{
    // The buffer is addressed with 32 bits; a null block holds nothing.
    if ((static_cast<uint64_t>(size) >> 32) != 0 || (!data && size))
        return pac::InvalidFile;
    input->OpenMemory(data, static_cast<uint32_t>(size));
    return Process(progress);
}

const char* DePac::ErrorString(unsigned char code)
{
    // Every code has a case (no default), so a code without a text is a
    // compile warning.
    switch (static_cast<pac::Code>(code))
    {
    case pac::Ok:
        return "No error(s)";
    case pac::PrematureEnd:
        return "Pac: Premature EOF";
    case pac::OutOfMemory:
        return "Pac: Out of memory";
    case pac::InvalidFile:
        return "Pac: invalid file";
    case pac::UnknownFormat:
        return "Pac: Unknown File Format";
    case pac::UnknownTag:
        return "Pac: Unkown Tagg";
    case pac::NoOffsets:
        return "Pac: No Offset tagg supplied";
    case pac::NoEndingZeroes:
        return "Pac: No ending zeroes";
    case pac::ExcessBytes:
        return "excess bytes in file";
    }
    return "Pac: Unknown error";
}

int DePac::Process(ProgressCallback progress)
{
    hasOffsets = false;
    callback = SilentProgress::Select(progress);
    type = static_cast<uint16_t>(input->ReadU16());
    callback("Type: ");
    const char* line = TypeLine(type);
    if (!line)
    {
        callback("Unsupported format %04X\r\n", static_cast<unsigned>(type));
        return pac::UnknownFormat;
    }
    callback(line);

    if (type == pac::TypeIndexPalette)
    {
        // An index-palette file has no type word: "GG" begins its first tag.
        unsigned char name[8];
        unsigned char lengthBytes[4];
        name[0] = name[1] = 'G';
        if (!input->Take(name + 2, 6) || !input->Take(lengthBytes, 4))
            return pac::PrematureEnd;
        return (codec::SamePacName(name, "GGATCGVA") || byteorder::LoadU32(lengthBytes) == 4) ? pac::Ok
                                                                                              : pac::UnknownFormat;
    }

    // Tags until two zero bytes stand where the next name would begin.
    int tags = codec::ReadPacTags(
        *input, [this](const unsigned char* tag, uint32_t length) { return ProcessTag(tag, length); });
    if (tags != pac::Ok)
        return tags;

    if (hasOffsets && type != pac::TypeRgba5551)
        return WalkMips(true);
    if (!hasOffsets && (type == pac::TypeRgba4444 || type == pac::TypeLumAlpha))
        return WalkMips(false);
    return pac::NoOffsets;
}

int DePac::ProcessTag(const unsigned char* name, unsigned long length)
{
    if (codec::SamePacName(name, "GGATCGVA"))
        return ProcessCGVA(length);
    if (codec::SamePacName(name, "GGATGALF"))
        return ProcessGALF(length);
    if (codec::SamePacName(name, "GGATSFFO"))
        return ProcessSFFO(length);
    if (codec::SamePacName(name, "GGATCXAM"))
        return ProcessMAXC(length);
    if (codec::SamePacName(name, "GGATZIWS"))
        return ProcessSwizz(length);
    char letters[9];
    std::memcpy(letters, name, 8);
    letters[8] = 0;
    callback("unknown tagg %s\r\n", letters);
    return pac::UnknownTag;
}

int DePac::ReadWord(uint32_t& value, unsigned long length, const char* line)
{
    if (length != 4)
        return pac::InvalidFile;
    const unsigned char* p = input->Take(4);
    if (!p)
        return pac::PrematureEnd;
    value = byteorder::LoadU32(p);
    callback(line, static_cast<unsigned>(value));
    return pac::Ok;
}

int DePac::ProcessCGVA(unsigned long length)
{
    return ReadWord(avgColor, length, "AVGC TAGG: Avg Color %X\r\n");
}

int DePac::ProcessMAXC(unsigned long length)
{
    return ReadWord(maxColor, length, "MAXC TAGG: Max Color %X\r\n");
}

int DePac::ProcessGALF(unsigned long length)
{
    return ReadWord(alphaFlag, length, "FLAG TAGG: AlphaFlag %X\r\n");
}

int DePac::ProcessSwizz(unsigned long length)
{
    return ReadWord(swizzle, length, "SWIZ TAGG: %X\r\n");
}

int DePac::ProcessSFFO(unsigned long length)
{
    hasOffsets = true;
    callback("OFFS TAGG: Offsets. ");
    if (length != 4 * pac::OffsetCount)
        return pac::InvalidFile;
    const unsigned char* p = input->Take(4 * pac::OffsetCount);
    if (!p)
        return pac::PrematureEnd;
    for (int i = 0; i < pac::OffsetCount; ++i)
        offsets[i] = byteorder::LoadU32(p + 4 * i);
    int count = 0;
    while (count < pac::OffsetCount && offsets[count] != 0)
        ++count;
    callback("%d entries\r\n", count);
    return pac::Ok;
}

// Walks the mipmaps the OFFS tag lists (each must begin where the previous
// one ended; empty slots are skipped), or without them up to a zero width and
// height, printing each header.
int DePac::WalkMips(bool withOffsets)
{
    codec::PacWalkResult walk =
        codec::WalkPacMips(input->Buffer(), input->Length(), input->Position(), withOffsets ? offsets : nullptr,
                           [this](const codec::PacMip& mip) {
                               callback("%d x %d Size=%d\r\n", static_cast<int>(mip.width),
                                        static_cast<int>(mip.height), static_cast<int>(mip.size));
                           });
    if (walk.misplaced)
        callback("rawlen != offset\r\n");
    return walk.code != pac::Ok ? walk.code : CheckExcess(walk.end);
}

// Bytes after the end marker are reported, not refused.
int DePac::CheckExcess(uint64_t position)
{
    uint64_t length = input->Length();
    if (position != length)
        callback("Excess bytes %d\r\n", static_cast<int>(length - position));
    return pac::Ok;
}
