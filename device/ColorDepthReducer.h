#pragma once

// Brings a processed snap to its colour depth: 24 bits keeps true colour,
// 16 bits keeps 5, 6 and 5 bits of red, green and blue, and 8 and 4 bits
// give an indexed picture of 256 or 16 colours, from a palette computed from
// the picture or from the fixed standard one.

#include <QImage>

namespace device {

class ColorDepthReducer {
public:
    // `picture` is 32-bit RGB. Depth 16 gives QImage::Format_RGB16; depths 8
    // and 4 give QImage::Format_Indexed8 with 256 or 16 colours at most.
    static QImage reduce(const QImage &picture, int depth, bool optimizedPalette);
};

} // namespace device
