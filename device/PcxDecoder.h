#pragma once

// PCX files, run-length encoded or not: up to 16 colours as one to four
// one-bit planes with the palette in the header, 256 colours as one 8-bit
// plane with the palette after the picture, true colour as three 8-bit
// planes. These are what PcxEncoder writes and what most programs do.

#include "device/ImageDecoder.h"

namespace device {

class PcxDecoder : public ImageDecoder {
public:
    Decoded decode(QByteArrayView file) const override;
};

} // namespace device
