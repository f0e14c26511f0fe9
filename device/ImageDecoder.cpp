#include "device/ImageDecoder.h"

namespace device {

namespace {

constexpr int longestSide = 32768;
// As many pixels as Qt's own readers allow by default for 32-bit pictures.
constexpr qint64 mostPixels = 64 * 1024 * 1024;

} // namespace

ImageDecoder::Decoded ImageDecoder::failed(Damage damage)
{
    return failed(damage == Damage::Truncated
                      ? QStringLiteral("the file is truncated")
                      : QStringLiteral("the picture data is damaged: a run of pixels is too long"));
}

QImage ImageDecoder::canvas(int width, int height, QImage::Format format, QString &failure)
{
    if (width < 1 || height < 1 || width > longestSide || height > longestSide ||
        qint64(width) * height > mostPixels) {
        failure = QStringLiteral("the picture's size, %1 by %2 pixels, is out of range")
                      .arg(width)
                      .arg(height);
        return {};
    }
    QImage picture(width, height, format);
    if (picture.isNull())
        failure = QStringLiteral("there is not enough memory for a picture of %1 by %2 pixels")
                      .arg(width)
                      .arg(height);
    return picture;
}

} // namespace device
