#pragma once

// Brings a picture to another size at one of three qualities: nearest
// neighbour (fast, jagged), bilinear (smooth when enlarging, but fine stripes
// flicker into false patterns when reducing), and bicubic that widens its
// reach when reducing so that fine detail blends instead of aliasing.

#include "device/CaptureSettings.h"

#include <QImage>

namespace device {

class Resampler {
public:
    // `source` is 32-bit RGB; so is the result. The result takes the memory
    // of `spare` when that is a picture of its size and format that nothing
    // else holds, which spares the system's work of handing out fresh
    // memory.
    static QImage scale(const QImage &source, QSize size, ScaleQuality quality, QImage spare = {});
};

} // namespace device
