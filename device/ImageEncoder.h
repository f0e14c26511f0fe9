#pragma once

// What every image file encoder offers: writing a picture to an open device
// in its format, or saying why it could not.

#include "device/SnappyDevice.h"

#include <QIODevice>
#include <QImage>

namespace device {

class ImageEncoder {
public:
    virtual ~ImageEncoder() = default;

    virtual snappy::Failure encode(const QImage &picture, QIODevice &out) const = 0;

protected:
    // The picture as an 8-bit indexed picture when it has a palette (of at
    // most 256 colours), otherwise as 32-bit RGB.
    static QImage paletteOrTrueColour(const QImage &picture);
    // Writes the whole buffer, or names the device's reason for failing.
    static snappy::Failure writeAll(QIODevice &out, const QByteArray &bytes);
};

} // namespace device
