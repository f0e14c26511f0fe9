#include "device/IlbmDecoder.h"

#include "device/Bitplanes.h"
#include "device/ByteReader.h"

#include <cstring>
#include <vector>

namespace device {

namespace {

using Damage = ImageDecoder::Damage;

constexpr int trueColourPlanes = 24;
constexpr int maskPlane = 1;
constexpr quint32 holdAndModify = 0x800;

// One line of one plane: packed by ByteRun1, each packet inside the line, or
// stored as it is.
Damage readRow(ByteReader &in, bool packed, quint8 *row, int size)
{
    if (!packed) {
        const quint8 *bytes = in.take(size);
        if (!bytes)
            return Damage::Truncated;
        std::memcpy(row, bytes, size_t(size));
        return Damage::None;
    }
    for (int i = 0; i < size;) {
        const int n = qint8(in.u8());
        if (in.isShort())
            return Damage::Truncated;
        if (n == -128) // a packet that means nothing
            continue;
        const int count = n >= 0 ? n + 1 : 1 - n;
        if (count > size - i)
            return Damage::Overrun;
        const quint8 *bytes = in.take(n >= 0 ? count : 1);
        if (!bytes)
            return Damage::Truncated;
        if (n >= 0)
            std::memcpy(row + i, bytes, size_t(count));
        else
            std::memset(row + i, *bytes, size_t(count));
        i += count;
    }
    return Damage::None;
}

struct Chunks {
    QByteArrayView header, palette, body;
    quint32 modes = 0;
};

} // namespace

ImageDecoder::Decoded IlbmDecoder::decode(QByteArrayView file) const
{
    ByteReader in(file);
    const quint8 *form = in.take(4);
    const quint32 formSize = in.be32();
    const quint8 *ilbm = in.take(4);
    if (in.isShort())
        return truncated();
    if (std::memcmp(form, "FORM", 4) != 0 || std::memcmp(ilbm, "ILBM", 4) != 0)
        return failed(QStringLiteral("not an IFF ILBM file"));
    if (formSize < 4 || formSize > quint64(file.size() - 8))
        return truncated();

    Chunks found;
    ByteReader chunks(file.sliced(12, formSize - 4));
    while (chunks.left() > 0) {
        const quint8 *id = chunks.take(4);
        const quint32 size = chunks.be32();
        const quint8 *data = chunks.take(size);
        if (chunks.isShort())
            return truncated();
        chunks.skip(size % 2);
        const QByteArrayView chunk(data, size);
        if (std::memcmp(id, "BMHD", 4) == 0)
            found.header = chunk;
        else if (std::memcmp(id, "CMAP", 4) == 0)
            found.palette = chunk;
        else if (std::memcmp(id, "BODY", 4) == 0)
            found.body = chunk;
        else if (std::memcmp(id, "CAMG", 4) == 0)
            found.modes = ByteReader(chunk).be32();
    }
    if (found.header.size() < 20 || found.body.isNull())
        return failed(QStringLiteral("the bitmap header or the body is missing"));

    ByteReader header(found.header);
    const int width = header.be16();
    const int height = header.be16();
    header.skip(4); // position
    const int planes = header.u8();
    const int masking = header.u8();
    const int compression = header.u8();
    const bool trueColour = planes == trueColourPlanes;
    if (!trueColour && (planes < 1 || planes > 8))
        return failed(QStringLiteral("ILBM files of %1 planes are not supported").arg(planes));
    if (compression > 1)
        return failed(QStringLiteral("ILBM compression %1 is not supported").arg(compression));
    if (found.modes & holdAndModify)
        return failed(QStringLiteral("hold-and-modify pictures are not supported"));
    QString failure;
    QImage picture =
        canvas(width, height, trueColour ? QImage::Format_RGB32 : QImage::Format_Indexed8, failure);
    if (picture.isNull())
        return failed(failure);
    if (!trueColour) {
        if (found.palette.isNull())
            return failed(QStringLiteral("the palette is missing"));
        // Every value the planes can hold has a colour, black where the
        // palette gives none.
        QList<QRgb> table(1 << planes, qRgb(0, 0, 0));
        const auto *rgb = reinterpret_cast<const quint8 *>(found.palette.data());
        for (qsizetype i = 0; i < table.size() && 3 * i + 2 < found.palette.size(); ++i)
            table[i] = qRgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
        picture.setColorTable(table);
    }

    const int rowBytes = (width + 15) / 16 * 2;
    const int rows = planes + (masking == maskPlane);
    std::vector<quint8> lines(size_t(rowBytes) * rows);
    std::vector<quint8> channels(trueColour ? size_t(width) * 3 : 0);
    ByteReader body(found.body);
    for (int y = 0; y < height; ++y) {
        for (int k = 0; k < rows; ++k) {
            if (const Damage damage =
                    readRow(body, compression == 1, lines.data() + k * rowBytes, rowBytes);
                damage != Damage::None)
                return failed(damage);
        }
        uchar *out = picture.scanLine(y);
        quint8 *values = trueColour ? channels.data() : out;
        std::memset(values, 0, trueColour ? channels.size() : size_t(width));
        for (int k = 0; k < planes; ++k)
            addBitplane(lines.data() + k * rowBytes, width, k % 8, values + k / 8 * width);
        if (trueColour) {
            auto *rgb = reinterpret_cast<QRgb *>(out);
            for (int x = 0; x < width; ++x)
                rgb[x] = qRgb(values[x], values[x + width], values[x + 2 * width]);
        }
    }
    return {picture, {}};
}

} // namespace device
