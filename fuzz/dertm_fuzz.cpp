// Animation reading from memory, then every getter around the counts.
#include <cstdint>
#include <cstring>
#include <vector>

#include "inspect/DeRtm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> copy(data, data + size);
    DeRtm rtm;
    if (rtm.Open(copy.data(), static_cast<unsigned long>(copy.size())) != 0)
        return 0;
    const unsigned long frames = static_cast<unsigned long>(rtm.GetFrameCount()) + 1;
    const unsigned long pictures = static_cast<unsigned long>(rtm.GetPictureCount()) + 1;
    for (int v = -1; v <= 3; ++v)
        (void)rtm.GetVertex(v);
    for (unsigned long p = 0; p < pictures && p < 64; ++p)
    {
        const char* name = rtm.GetPictureName(p);
        if (name)
            (void)std::strlen(name);
    }
    for (unsigned long f = 0; f < frames && f < 64; ++f)
    {
        (void)rtm.GetFrameTime(static_cast<int>(f));
        for (unsigned long p = 0; p < pictures && p < 64; ++p)
        {
            const char* name = rtm.GetFramePictureName(f, p);
            if (name)
                (void)std::strlen(name);
            (void)rtm.GetTransform(f, p, 3, 2);
            (void)rtm.GetTransform(f, p, 4, 0);
        }
    }
    return 0;
}
