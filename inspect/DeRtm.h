// Animation reader: checks an animation's size against its header counts and
// serves frame times, picture names and transforms straight from its bytes.
#pragma once

#include <cstdint>

#include "../frame/DataStream.h"
#include "../frame/Export.h"
#include "RtmFieldText.h"

namespace rtm
{
// Result codes; DeRtm::ErrorString has their messages.
enum Code : int
{
    Ok = 0,
    PrematureEof = 1,
    OutOfMemory = 2, // has a message, never produced
    InvalidFile = 3
};

// The first eight bytes of an animation (any letter case).
const char Signature[] = "RTM_0101";
} // namespace rtm

class OSTREL_API DeRtm
{
public:
    // One frame: a 32-bit float time, then per picture a 32-byte name field
    // and a transform of 4 rows of 3 floats (4 + 80 bytes per picture).
    struct RtmFrame
    {
        unsigned char time[4];
    };

    DeRtm() = default;
    ~DeRtm() = default;
    DeRtm(const DeRtm&) = delete;
    DeRtm& operator=(const DeRtm&) = delete;

    // Loads the whole file; a name whose extension is not "rtm" gets ".rtm".
    // rtm::InvalidFile when it cannot be loaded or is no animation,
    // rtm::PrematureEof when its size does not match its counts.
    int Open(const char* name);
    // Serves the caller's block in place (neither copied nor freed); it must
    // stay valid while the getters are used.
    int Open(const unsigned char* data, unsigned long size);
    void Close();
    static const char* ErrorString(unsigned char code);

    int GetFrameCount() const { return static_cast<int>(frameCount); }
    int GetPictureCount() const { return static_cast<int>(pictureCount); }
    // Name fields are 32 bytes; one without a NUL is handed out as a
    // terminated copy that lives until the animation is closed.
    const char* GetPictureName(unsigned long picture);
    const char* GetFramePictureName(unsigned long frame, unsigned long picture);
    float GetFrameTime(int frame) const;
    // Element (row 0-3, column 0-2) of a picture's transform in a frame; 0 for
    // any index outside the animation.
    float GetTransform(unsigned long frame, unsigned long picture, int row, int column) const;
    float GetVertex(int index) const;

    static constexpr uint32_t NameSize = 32;
    static constexpr uint32_t HeaderSize = 28;

private:
    int Process();
    void Forget();
    const RtmFrame* GetFrame(unsigned long frame) const;
    // Byte offset of picture p's record inside a frame.
    static uint64_t PictureOffset(unsigned long picture) { return 4 + 80ull * picture; }

    DataStream input;
    const unsigned char* vertexValues = nullptr;
    uint32_t frameCount = 0;
    uint32_t pictureCount = 0;
    const unsigned char* pictureNames = nullptr;
    const unsigned char* frames = nullptr;
    FieldText names;
};
