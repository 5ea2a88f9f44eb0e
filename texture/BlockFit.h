// DXT1 and DXT5 blocks of an RGBA image at each fit quality, a band of block
// rows at a time so that bands can go to different threads.
#pragma once

#include <cstddef>

#include "TextureCodec.h"

namespace texture
{
// Bytes of one block: 8 for DXT1, 16 for DXT5.
size_t BlockBytes(bool dxt5);

// Encodes the block rows [firstRow, endRow) of an image whose sides are
// multiples of 4 into out, which holds the whole image's blocks row by row.
void EncodeBlockRows(const Image& image, bool dxt5, Quality quality, unsigned firstRow, unsigned endRow,
                     unsigned char* out);
} // namespace texture
