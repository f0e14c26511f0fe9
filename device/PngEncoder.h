#pragma once

// PNG files compressed for speed: each line is predicted from the line above
// and only runs are deflated, at the lowest level, which costs a fraction of
// the usual compression for a file a few percent larger. Palette pictures
// stay palette images, packed to four bits a pixel when 16 colours suffice.

#include "device/ImageEncoder.h"

namespace device {

class PngEncoder : public ImageEncoder {
public:
    snappy::Failure encode(const QImage &picture, QIODevice &out) const override;
};

} // namespace device
