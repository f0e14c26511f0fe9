#pragma once

// Truevision TGA files: colour-mapped, true colour and grey pictures, each
// run-length encoded or not (types 1, 2, 3, 9, 10 and 11), with colours of
// 15, 16, 24 or 32 bits (with alpha), lines stored from either end. TgaEncoder writes types 9
// and 10; other programs write the rest.

#include "device/ImageDecoder.h"

namespace device {

class TgaDecoder : public ImageDecoder {
public:
    Decoded decode(QByteArrayView file) const override;
};

} // namespace device
