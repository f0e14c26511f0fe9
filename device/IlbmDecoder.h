#pragma once

// Interleaved bitmap files (IFF ILBM), packed with ByteRun1 or not: one to
// eight bitplanes with a palette (CMAP), or 24 planes of true colour, eight
// each of red, green and blue, as IlbmEncoder writes them. A mask plane is
// skipped; hold-and-modify pictures are refused.

#include "device/ImageDecoder.h"

namespace device {

class IlbmDecoder : public ImageDecoder {
public:
    Decoded decode(QByteArrayView file) const override;
};

} // namespace device
