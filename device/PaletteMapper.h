#pragma once

// Draws a true-colour picture with the colours of a palette. Each pixel takes
// the nearest palette colour, and what it misses by is passed on to the
// pixels not yet drawn (Floyd-Steinberg, alternating direction line by line,
// within each of eight bands of each half of the lines), so shading survives
// as a fine mix of the colours there are.

#include <QImage>
#include <QList>

namespace device {

class PaletteMapper {
public:
    // `picture` is 32-bit RGB and `palette` has 1 to 256 entries; the result
    // is an 8-bit indexed picture whose colour table is the palette.
    static QImage map(const QImage &picture, const QList<QRgb> &palette);
};

} // namespace device
