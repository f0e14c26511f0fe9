#include "device/ColorDepthReducer.h"

#include "device/MedianCut.h"
#include "device/PaletteMapper.h"
#include "device/StandardPalette.h"

namespace device {

namespace {

QImage toRgb565(const QImage &picture)
{
    QImage result(picture.size(), QImage::Format_RGB16);
    for (int y = 0; y < picture.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        auto *out = reinterpret_cast<quint16 *>(result.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int r = (qRed(in[x]) * 31 + 127) / 255;
            const int g = (qGreen(in[x]) * 63 + 127) / 255;
            const int b = (qBlue(in[x]) * 31 + 127) / 255;
            out[x] = quint16(r << 11 | g << 5 | b);
        }
    }
    return result;
}

} // namespace

QImage ColorDepthReducer::reduce(const QImage &picture, int depth, bool optimizedPalette)
{
    if (depth >= 24)
        return picture;
    if (depth == 16)
        return toRgb565(picture);
    const int colours = depth <= 4 ? 16 : 256;
    const QList<QRgb> palette =
        optimizedPalette ? MedianCut::palette(picture, colours) : StandardPalette::colours(colours);
    return PaletteMapper::map(picture, palette);
}

} // namespace device
