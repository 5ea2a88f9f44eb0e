// Least-squares refinement of a DXT colour block's two end colours for the
// pixel indices a fit chose, with a search over neighbouring RGB565 values.
#pragma once

namespace texture
{
// Refines in place the 8-byte colour block (two little-endian RGB565 end
// colours, then 2-bit indices, pixel 0 in the low bits) of the 16 RGBA
// pixels rgba. dxt1 selects DXT1 decoding, where colour0 <= colour1 gives
// three colours and a transparent index 3 (kept on the pixels that use it);
// otherwise the block always has four colours. A DXT1 block with
// transparent pixels keeps its mode; the block changes only when the
// squared RGB error over the pixels falls.
void RefineColourBlock(const unsigned char* rgba, bool dxt1, unsigned char* block);
} // namespace texture
