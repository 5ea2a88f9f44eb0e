// Texture inspector: type word, tag list, mipmap walks and end marker of
// ".paa"/".pac" textures, reported through the caller's callback.
#include "DePac.h"

#include <cstring>

#include "../frame/DataStream.h"
#include "../frame/Text.h"
#include "../codec/ByteOrder.h"
#include "../codec/PacWalk.h"

namespace
{
const char* TypeLine(unsigned type)
{
    switch (type)
    {
    case 0x1555:
        return "Uncompressed RGBA 5:5:5:1 texture\r\n";
    case 0x4444:
        return "Uncompressed RGBA 4:4:4:4 texture\r\n";
    case 0x4747:
        return "Uncompressed Index Palette texture\r\n";
    case 0x8080:
        return "Uncompressed Luminosity/Alpha map\r\n";
    case 0xFF01:
        return "DXT1 / S3TC compression\r\n";
    case 0xFF05:
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
        return 3;
    if (!input->OpenInput(fileName, nullptr, 1))
        return 3;
    int result = Process(progress);
    if (result != 0)
        Close();
    return result;
}

int DePac::Open(const unsigned char* data, unsigned long size, ProgressCallback progress)
{
    // The buffer is addressed with 32 bits; a null block holds nothing.
    if ((static_cast<uint64_t>(size) >> 32) != 0 || (!data && size))
        return 3;
    input->OpenMemory(data, static_cast<uint32_t>(size));
    return Process(progress);
}

const char* DePac::ErrorString(unsigned char code)
{
    switch (code)
    {
    case 0:
        return "No error(s)";
    case 1:
        return "Pac: Premature EOF";
    case 2:
        return "Pac: Out of memory";
    case 3:
        return "Pac: invalid file";
    case 4:
        return "Pac: Unknown File Format";
    case 5:
        return "Pac: Unkown Tagg";
    case 6:
        return "Pac: No Offset tagg supplied";
    case 7:
        return "Pac: No ending zeroes";
    case 8:
        return "excess bytes in file";
    default:
        return "Pac: Unknown error";
    }
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
        return 4;
    }
    callback(line);

    if (type == 0x4747)
    {
        // An index-palette file has no type word: "GG" begins its first tag.
        unsigned char name[8];
        unsigned char lengthBytes[4];
        name[0] = name[1] = 'G';
        if (!input->Take(name + 2, 6) || !input->Take(lengthBytes, 4))
            return 1;
        return (codec::SamePacName(name, "GGATCGVA") || codec::LoadU32(lengthBytes) == 4) ? 0 : 4;
    }

    // Tags until two zero bytes stand where the next name would begin.
    int tags = codec::ReadPacTags(*input, [this](const unsigned char* tag, uint32_t length) {
        return ProcessTag(tag, length);
    });
    if (tags != 0)
        return tags;

    if (hasOffsets && type != 0x1555)
        return WalkMips(true);
    if (!hasOffsets && (type == 0x4444 || type == 0x8080))
        return WalkMips(false);
    return 6;
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
    return 5;
}

int DePac::ReadWord(uint32_t& value, unsigned long length, const char* line)
{
    if (length != 4)
        return 3;
    const unsigned char* p = input->Take(4);
    if (!p)
        return 1;
    value = codec::LoadU32(p);
    callback(line, static_cast<unsigned>(value));
    return 0;
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
    if (length != 64)
        return 3;
    const unsigned char* p = input->Take(64);
    if (!p)
        return 1;
    for (int i = 0; i < 16; ++i)
        offsets[i] = codec::LoadU32(p + 4 * i);
    int count = 0;
    while (count < 16 && offsets[count] != 0)
        ++count;
    callback("%d entries\r\n", count);
    return 0;
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
    return walk.code != 0 ? walk.code : CheckExcess(walk.end);
}

// Bytes after the end marker are reported, not refused.
int DePac::CheckExcess(uint64_t position)
{
    uint64_t length = input->Length();
    if (position != length)
        callback("Excess bytes %d\r\n", static_cast<int>(length - position));
    return 0;
}
