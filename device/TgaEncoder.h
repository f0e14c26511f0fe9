#pragma once

// Truevision TGA files, run-length encoded, with the version 2 footer.
// Indexed pictures are colour-mapped with 24-bit map entries; others are
// 24-bit true colour. Lines are stored bottom first, the format's usual order.

#include "device/ImageEncoder.h"

namespace device {

class TgaEncoder : public ImageEncoder {
public:
    snappy::Failure encode(const QImage &picture, QIODevice &out) const override;
};

} // namespace device
