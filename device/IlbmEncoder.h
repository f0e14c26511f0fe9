#pragma once

// Interleaved bitmap files (IFF ILBM): a FORM holding the bitmap header
// (BMHD), the palette (CMAP) for indexed pictures, and the bitplanes (BODY)
// line by line, each plane packed with ByteRun1. Indexed pictures get as
// many planes as their palette needs; true colour gets 24 planes, eight each
// of red, green and blue.

#include "device/ImageEncoder.h"

namespace device {

class IlbmEncoder : public ImageEncoder {
public:
    snappy::Failure encode(const QImage &picture, QIODevice &out) const override;
};

} // namespace device
