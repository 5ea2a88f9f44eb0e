// Test-side writer of texture files, field by field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/PacFormat.h"
#include "support/TempDir.h"

namespace texturetest
{
using testsupport::Bytes;

class TextureBytes
{
public:
    TextureBytes() = default;
    explicit TextureBytes(uint16_t type) { U16(type); }

    TextureBytes& U16(uint32_t v) { return Le(v, 2); }
    TextureBytes& U24(uint32_t v) { return Le(v, 3); }
    TextureBytes& U32(uint32_t v) { return Le(v, 4); }
    TextureBytes& Text(const std::string& s) { return Append(s.begin(), s.end()); }
    TextureBytes& Fill(size_t n) { return Append(n, 0x5A); }
    TextureBytes& Data(const Bytes& data) { return Append(data.begin(), data.end()); }
    // A tag with a 32-bit payload; code as read ("AVGC"), stored reversed.
    TextureBytes& Tag(const std::string& code, uint32_t value)
    {
        return Text("GGAT" + std::string(code.rbegin(), code.rend())).U32(4).U32(value);
    }
    // An OFFS tag; answers where its first slot lies, for Patch.
    size_t Offsets(const std::vector<uint32_t>& slots)
    {
        Text("GGATSFFO").U32(4 * pac::OffsetCount);
        size_t at = bytes.size();
        for (size_t i = 0; i < size_t(pac::OffsetCount); ++i)
            U32(i < slots.size() ? slots[i] : 0);
        return at;
    }
    TextureBytes& EndTags() { return U16(0); }
    TextureBytes& Mip(uint32_t width, uint32_t height, uint32_t size)
    {
        return U16(width).U16(height).U24(size).Fill(size);
    }
    TextureBytes& End() { return Append(size_t(pac::EndMarkerSize), 0); }
    void Patch(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
    }
    size_t Size() const { return bytes.size(); }
    const Bytes& Get() const { return bytes; }

private:
    template <typename... A>
    TextureBytes& Append(A... args)
    {
        bytes.insert(bytes.end(), args...);
        return *this;
    }
    TextureBytes& Le(uint32_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
        return *this;
    }
    Bytes bytes;
};
} // namespace texturetest
