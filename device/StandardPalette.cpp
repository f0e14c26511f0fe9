#include "device/StandardPalette.h"

namespace device {

namespace {

QList<QRgb> sixteen()
{
    return {qRgb(0, 0, 0),     qRgb(0, 0, 170),    qRgb(0, 170, 0),    qRgb(0, 170, 170),
            qRgb(170, 0, 0),   qRgb(170, 0, 170),  qRgb(170, 85, 0),   qRgb(170, 170, 170),
            qRgb(85, 85, 85),  qRgb(85, 85, 255),  qRgb(85, 255, 85),  qRgb(85, 255, 255),
            qRgb(255, 85, 85), qRgb(255, 85, 255), qRgb(255, 255, 85), qRgb(255, 255, 255)};
}

QList<QRgb> twoHundredFiftySix()
{
    QList<QRgb> palette;
    palette.reserve(256);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.append(qRgb(r * 51, g * 51, b * 51));
    // Greys between the cube's six, so grey pictures keep their shading.
    for (int i = 0; palette.size() < 256; ++i) {
        const int level = 6 + i * 250 / 40;
        palette.append(qRgb(level, level, level));
    }
    return palette;
}

} // namespace

QList<QRgb> StandardPalette::colours(int count)
{
    return count <= 16 ? sixteen() : twoHundredFiftySix();
}

} // namespace device
