#include "device/ImageEncoder.h"

namespace device {

QImage ImageEncoder::paletteOrTrueColour(const QImage &picture)
{
    if (picture.format() == QImage::Format_Indexed8 && picture.colorCount() > 0)
        return picture;
    if (picture.format() == QImage::Format_Mono || picture.format() == QImage::Format_MonoLSB)
        return picture.convertToFormat(QImage::Format_Indexed8);
    return picture.convertToFormat(QImage::Format_RGB32);
}

snappy::Failure ImageEncoder::writeAll(QIODevice &out, const QByteArray &bytes)
{
    if (out.write(bytes) != bytes.size())
        return out.errorString();
    return std::nullopt;
}

} // namespace device
