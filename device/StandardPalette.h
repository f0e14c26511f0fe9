#pragma once

// The fixed palettes used when the palette is not computed from the picture:
// the sixteen colours of the classic PC display for 4 bits, and for 8 bits a
// cube of 6 levels of red, green and blue with 40 further greys.

#include <QList>
#include <QRgb>

namespace device {

class StandardPalette {
public:
    // For 16 or 256 colours.
    static QList<QRgb> colours(int count);
};

} // namespace device
