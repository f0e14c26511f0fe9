#pragma once

// Gathers bitplanes, as the PCX and IFF ILBM types store pictures of few
// colours, back into one value per pixel.

#include <QtGlobal>

namespace device {

// Adds the line of one bitplane, its first pixel in the top bit of the first
// byte, as bit `bit` of each of `width` values.
inline void addBitplane(const quint8 *plane, int width, int bit, quint8 *values)
{
    for (int x = 0; x < width; ++x)
        values[x] |= quint8(((plane[x >> 3] >> (7 - (x & 7))) & 1) << bit);
}

} // namespace device
