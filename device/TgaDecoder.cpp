#include "device/TgaDecoder.h"

#include "device/ByteReader.h"

#include <QtEndian>

#include <cstring>
#include <vector>

namespace device {

namespace {

using Damage = ImageDecoder::Damage;

constexpr int colourMapped = 1;
constexpr int grey = 3;
constexpr int runLengthEncoded = 8;
constexpr int maxPacket = 128;

// A colour of 2 (five bits each of red, green and blue, blue lowest), 3
// (blue, green, red) or 4 bytes (and alpha: writers use the fourth byte so
// whether or not the descriptor counts its bits).
QRgb colourAt(const quint8 *p, int bytes)
{
    if (bytes == 2) {
        const int v = qFromLittleEndian<quint16>(p);
        const auto level = [v](int shift) {
            const int five = (v >> shift) & 0x1F;
            return five << 3 | five >> 2;
        };
        return qRgb(level(10), level(5), level(0));
    }
    return qRgba(p[2], p[1], p[0], bytes == 4 ? p[3] : 0xFF);
}

// The run-length packets of the whole picture into `pixels`, `size` bytes
// of `pixelBytes` each. Older writers let runs cross lines, so only the
// end of the picture bounds them.
Damage unpack(ByteReader &in, int pixelBytes, quint8 *pixels, qsizetype size)
{
    for (qsizetype at = 0; at < size;) {
        const quint8 packet = in.u8();
        const int count = (packet & (maxPacket - 1)) + 1;
        const bool run = packet & maxPacket;
        if (count * pixelBytes > size - at)
            return Damage::Overrun;
        const quint8 *bytes = in.take(run ? pixelBytes : count * pixelBytes);
        if (!bytes)
            return Damage::Truncated;
        if (run) {
            for (int k = 0; k < count; ++k, at += pixelBytes)
                std::memcpy(pixels + at, bytes, size_t(pixelBytes));
        } else {
            std::memcpy(pixels + at, bytes, size_t(count * pixelBytes));
            at += count * pixelBytes;
        }
    }
    return Damage::None;
}

} // namespace

ImageDecoder::Decoded TgaDecoder::decode(QByteArrayView file) const
{
    ByteReader in(file);
    const int idLength = in.u8();
    const int mapType = in.u8();
    const int type = in.u8();
    const int mapFirst = in.le16();
    const int mapLength = in.le16();
    const int mapBits = in.u8();
    in.skip(4); // origin
    const int width = in.le16();
    const int height = in.le16();
    const int bits = in.u8();
    const int descriptor = in.u8();
    // With no mark of its type, a file too short for a header is taken for
    // a cut one.
    if (in.isShort())
        return truncated();
    const int kind = type & 3;
    if (mapType > 1 || kind == 0 || (type & ~(3 | runLengthEncoded)))
        return failed(QStringLiteral("not a TGA file"));

    const bool indexed = kind == colourMapped;
    const int mapBytes = mapType == 1 ? (mapBits + 7) / 8 : 0;
    const bool mapFits = mapBytes >= 2 && mapBytes <= 4;
    if ((indexed || kind == grey) ? bits != 8
                                  : bits != 15 && bits != 16 && bits != 24 && bits != 32)
        return failed(QStringLiteral("TGA files of type %1 with %2-bit pixels are not supported")
                          .arg(type)
                          .arg(bits));
    if (indexed && (!mapFits || mapFirst + mapLength > 256))
        return failed(QStringLiteral("the palette is not one of up to 256 colours"));
    QString failure;
    QImage picture = canvas(width, height,
                            indexed        ? QImage::Format_Indexed8
                            : kind == grey ? QImage::Format_Grayscale8
                            : bits == 32   ? QImage::Format_ARGB32
                                           : QImage::Format_RGB32,
                            failure);
    if (picture.isNull())
        return failed(failure);

    in.skip(idLength);
    const quint8 *map = in.take(qsizetype(mapLength) * mapBytes);
    if (!map)
        return truncated();
    if (indexed) {
        // Every index has a colour, black where the map gives none.
        QList<QRgb> table(256, qRgb(0, 0, 0));
        for (int i = 0; i < mapLength; ++i)
            table[mapFirst + i] = colourAt(map + i * mapBytes, mapBytes);
        picture.setColorTable(table);
    }

    const int pixelBytes = (bits + 7) / 8;
    const qsizetype lineBytes = qsizetype(width) * pixelBytes;
    const qsizetype size = lineBytes * height;
    std::vector<quint8> unpacked;
    const quint8 *pixels = nullptr;
    if (type & runLengthEncoded) {
        unpacked.resize(size_t(size));
        if (const Damage damage = unpack(in, pixelBytes, unpacked.data(), size);
            damage != Damage::None)
            return failed(damage);
        pixels = unpacked.data();
    } else if (!(pixels = in.take(size))) {
        return truncated();
    }

    // Lines are stored bottom first unless the descriptor says otherwise.
    const bool topFirst = descriptor & 0x20;
    for (int y = 0; y < height; ++y) {
        const quint8 *line = pixels + lineBytes * (topFirst ? y : height - 1 - y);
        uchar *out = picture.scanLine(y);
        if (pixelBytes == 1) {
            std::memcpy(out, line, size_t(width));
            continue;
        }
        auto *rgb = reinterpret_cast<QRgb *>(out);
        for (int x = 0; x < width; ++x)
            rgb[x] = colourAt(line + x * pixelBytes, pixelBytes);
    }
    return {picture, {}};
}

} // namespace device
