#include "device/PcxDecoder.h"

#include "device/Bitplanes.h"
#include "device/ByteReader.h"

#include <cstring>
#include <vector>

namespace device {

namespace {

using Damage = ImageDecoder::Damage;

constexpr int headerSize = 128;
constexpr int paletteSize = 1 + 256 * 3;
constexpr quint8 paletteMarker = 0x0C;

// One line of all planes; every run must end inside it. Without encoding,
// the bytes are the line.
Damage readLine(ByteReader &in, bool encoded, quint8 *line, int size)
{
    if (!encoded) {
        const quint8 *bytes = in.take(size);
        if (!bytes)
            return Damage::Truncated;
        std::memcpy(line, bytes, size_t(size));
        return Damage::None;
    }
    for (int i = 0; i < size;) {
        quint8 value = in.u8();
        int count = 1;
        if ((value & 0xC0) == 0xC0) {
            count = value & 0x3F;
            value = in.u8();
        }
        if (in.isShort())
            return Damage::Truncated;
        if (count > size - i)
            return Damage::Overrun;
        std::memset(line + i, value, size_t(count));
        i += count;
    }
    return Damage::None;
}

QList<QRgb> paletteAt(const quint8 *rgb, int colours)
{
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i, rgb += 3)
        table << qRgb(rgb[0], rgb[1], rgb[2]);
    return table;
}

} // namespace

ImageDecoder::Decoded PcxDecoder::decode(QByteArrayView file) const
{
    ByteReader in(file);
    const quint8 maker = in.u8();
    in.skip(1); // version
    const quint8 encoding = in.u8();
    const int bits = in.u8();
    const int left = in.le16();
    const int top = in.le16();
    const int width = in.le16() - left + 1;
    const int height = in.le16() - top + 1;
    in.skip(4); // resolution
    const quint8 *headerPalette = in.take(48);
    in.skip(1);
    const int planes = in.u8();
    const int bytesPerLine = in.le16();
    in.skip(headerSize - in.position());
    if (maker != 0x0A || encoding > 1)
        return failed(QStringLiteral("not a PCX file"));
    if (in.isShort())
        return truncated();

    const bool trueColour = bits == 8 && planes == 3;
    const bool byPalette = bits == 8 && planes == 1;
    if (!trueColour && !byPalette && !(bits == 1 && planes >= 1 && planes <= 4))
        return failed(QStringLiteral("PCX files of %1 planes of %2 bits are not supported")
                          .arg(planes)
                          .arg(bits));
    QString failure;
    QImage picture =
        canvas(width, height, trueColour ? QImage::Format_RGB32 : QImage::Format_Indexed8, failure);
    if (picture.isNull())
        return failed(failure);
    if (bytesPerLine < (width * bits + 7) / 8)
        return failed(QStringLiteral("the header's line length is too short for the width"));

    // The 256-colour palette ends the file, behind a marker. It is looked
    // for only once the lines are read, so that a file cut short is reported
    // as cut rather than as one without a palette.
    QByteArrayView data = file;
    if (byPalette) {
        if (file.size() < headerSize + paletteSize)
            return truncated();
        data = file.first(file.size() - paletteSize);
    } else if (!trueColour) {
        picture.setColorTable(paletteAt(headerPalette, 1 << planes));
    }

    ByteReader pixels(data);
    pixels.skip(headerSize);
    std::vector<quint8> line(size_t(bytesPerLine) * planes);
    for (int y = 0; y < height; ++y) {
        if (const Damage damage = readLine(pixels, encoding == 1, line.data(), int(line.size()));
            damage != Damage::None)
            return failed(damage);
        uchar *out = picture.scanLine(y);
        if (byPalette) {
            std::memcpy(out, line.data(), size_t(width));
        } else if (trueColour) {
            const quint8 *red = line.data();
            auto *rgb = reinterpret_cast<QRgb *>(out);
            for (int x = 0; x < width; ++x)
                rgb[x] = qRgb(red[x], red[x + bytesPerLine], red[x + 2 * bytesPerLine]);
        } else {
            std::memset(out, 0, size_t(width));
            for (int plane = 0; plane < planes; ++plane)
                addBitplane(line.data() + plane * bytesPerLine, width, plane, out);
        }
    }
    if (byPalette) {
        const auto *palette = reinterpret_cast<const quint8 *>(data.end());
        if (palette[0] != paletteMarker)
            return failed(QStringLiteral("the palette is missing"));
        picture.setColorTable(paletteAt(palette + 1, 256));
    }
    return {picture, {}};
}

} // namespace device
