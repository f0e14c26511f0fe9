#pragma once

// PCX files, version 5, run-length encoded. Pictures of up to 16 colours are
// written as four one-bit planes with the palette in the header; up to 256
// colours as one 8-bit plane with the palette after the picture; true colour
// as three 8-bit planes, red, green and blue.

#include "device/ImageEncoder.h"

namespace device {

class PcxEncoder : public ImageEncoder {
public:
    snappy::Failure encode(const QImage &picture, QIODevice &out) const override;
};

} // namespace device
