// Animation reader: header and size check, then getters over the loaded bytes.
#include "DeRtm.h"

#include <cstring>

#include "../frame/ByteOrder.h"
#include "../frame/Text.h"

using namespace rtm;

namespace
{

uint64_t FrameSize(uint32_t pictures)
{
    return 4 + 80ull * pictures;
}
} // namespace

int DeRtm::Open(const char* name)
{
    Forget();
    if (!input.OpenInput(name, "rtm", 1))
        return InvalidFile;
    int result = Process();
    if (result != Ok)
        Close();
    return result;
}

int DeRtm::Open(const unsigned char* data, unsigned long size)
{
    Close();
    // The stream addresses at most 4 GiB - 1 bytes.
    if (!data || size > 0xFFFFFFFFul)
        return InvalidFile;
    input.OpenMemory(data, static_cast<uint32_t>(size));
    int result = Process();
    if (result != Ok)
        Close();
    return result;
}

void DeRtm::Forget()
{
    vertexValues = nullptr;
    frameCount = 0;
    pictureCount = 0;
    pictureNames = nullptr;
    frames = nullptr;
    names.Clear();
}

void DeRtm::Close()
{
    Forget();
    input.Close();
}

int DeRtm::Process()
{
    char signature[9] = {};
    if (!input.Read(signature, 8, 1))
        return PrematureEof;
    if (!text::EqualNoCase(signature, Signature))
        return InvalidFile;
    const uint64_t size = input.Length();
    if (size < HeaderSize)
        return PrematureEof;
    const unsigned char* bytes = input.Buffer();
    const uint32_t frameTotal = byteorder::LoadU32(bytes + 20);
    const uint32_t pictures = byteorder::LoadU32(bytes + 24);
    const uint64_t namesEnd = HeaderSize + uint64_t{NameSize} * pictures;
    if (size < namesEnd)
        return PrematureEof;
    const uint64_t frameBytes = size - namesEnd;
    if (frameBytes % FrameSize(pictures) != 0 || frameBytes / FrameSize(pictures) != frameTotal)
        return PrematureEof;
    vertexValues = bytes + 8;
    frameCount = frameTotal;
    pictureCount = pictures;
    pictureNames = bytes + HeaderSize;
    frames = bytes + namesEnd;
    return Ok;
}

const DeRtm::RtmFrame* DeRtm::GetFrame(unsigned long frame) const
{
    if (!frames || frame >= frameCount)
        return nullptr;
    return reinterpret_cast<const RtmFrame*>(frames + frame * FrameSize(pictureCount));
}

const char* DeRtm::GetPictureName(unsigned long picture)
{
    if (!pictureNames || picture >= pictureCount)
        return nullptr;
    return names.Get(pictureNames + uint64_t{NameSize} * picture, NameSize);
}

const char* DeRtm::GetFramePictureName(unsigned long frame, unsigned long picture)
{
    const RtmFrame* f = GetFrame(frame);
    if (!f || picture >= pictureCount)
        return nullptr;
    return names.Get(reinterpret_cast<const unsigned char*>(f) + PictureOffset(picture), NameSize);
}

float DeRtm::GetFrameTime(int frame) const
{
    const RtmFrame* f = frame < 0 ? nullptr : GetFrame(static_cast<unsigned long>(frame));
    return f ? byteorder::LoadF32(f->time) : 0.0f;
}

float DeRtm::GetTransform(unsigned long frame, unsigned long picture, int row, int column) const
{
    const RtmFrame* f = GetFrame(frame);
    if (!f || picture >= pictureCount || row < 0 || row > 3 || column < 0 || column > 2)
        return 0.0f;
    return byteorder::LoadF32(reinterpret_cast<const unsigned char*>(f) + PictureOffset(picture) + NameSize +
                              4 * (3 * row + column));
}

float DeRtm::GetVertex(int index) const
{
    if (!vertexValues || index < 0 || index > 2)
        return 0.0f;
    return byteorder::LoadF32(vertexValues + 4 * index);
}

const char* DeRtm::ErrorString(unsigned char code)
{
    // Every code has a case (no default), so a code without a text is a
    // compile warning.
    switch (static_cast<Code>(code))
    {
    case Ok:
        return "no error";
    case PrematureEof:
        return "Rtm: Premature EOF";
    case OutOfMemory:
        return "Rtm: Out of memory";
    case InvalidFile:
        return "Rtm: invalid file";
    }
    return "Rtm: Unknown error";
}
