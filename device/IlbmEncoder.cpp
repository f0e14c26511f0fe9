#include "device/IlbmEncoder.h"

#include "device/ByteWriter.h"

#include <array>
#include <vector>

namespace device {

namespace {

// Packs runs of three or more equal bytes as a count and the byte, and the
// rest as counted literal stretches, never across the end of `data`.
void byteRun1(const quint8 *data, int size, QByteArray &out)
{
    int i = 0;
    while (i < size) {
        int run = 1;
        while (i + run < size && run < 128 && data[i + run] == data[i])
            ++run;
        if (run >= 3) {
            out.append(char(1 - run));
            out.append(char(data[i]));
            i += run;
            continue;
        }
        const int start = i;
        while (i < size && i - start < 128 &&
               !(i + 2 < size && data[i] == data[i + 1] && data[i] == data[i + 2]))
            ++i;
        out.append(char(i - start - 1));
        out.append(reinterpret_cast<const char *>(data + start), i - start);
    }
}

// Transposes an 8 x 8 bit matrix held one row per byte, the first row in the
// top byte; afterwards byte k (from the bottom) holds bit k of every row.
quint64 transposeBits(quint64 x)
{
    x = (x & 0xAA55AA55AA55AA55ULL) | ((x & 0x00AA00AA00AA00AAULL) << 7) |
        ((x >> 7) & 0x00AA00AA00AA00AAULL);
    x = (x & 0xCCCC3333CCCC3333ULL) | ((x & 0x0000CCCC0000CCCCULL) << 14) |
        ((x >> 14) & 0x0000CCCC0000CCCCULL);
    x = (x & 0xF0F0F0F00F0F0F0FULL) | ((x & 0x00000000F0F0F0F0ULL) << 28) |
        ((x >> 28) & 0x00000000F0F0F0F0ULL);
    return x;
}

// Splits one line of 8-bit values into eight bitplane lines.
void splitPlanes(const std::vector<quint8> &values, std::array<std::vector<quint8>, 8> &planes)
{
    const size_t groups = planes[0].size();
    for (size_t g = 0; g < groups; ++g) {
        quint64 x = 0;
        for (int j = 0; j < 8; ++j)
            x = (x << 8) | values[g * 8 + size_t(j)];
        x = transposeBits(x);
        for (int k = 0; k < 8; ++k)
            planes[k][g] = quint8(x >> (8 * k));
    }
}

void appendChunk(QByteArray &file, const char *id, const QByteArray &data)
{
    ByteWriter w(file);
    w.text(id);
    w.be32(quint32(data.size()));
    file.append(data);
    if (data.size() % 2)
        w.u8(0);
}

int planesFor(int colours)
{
    int planes = 1;
    while ((1 << planes) < colours)
        ++planes;
    return planes;
}

} // namespace

snappy::Failure IlbmEncoder::encode(const QImage &source, QIODevice &out) const
{
    const QImage picture = paletteOrTrueColour(source);
    const bool indexed = picture.format() == QImage::Format_Indexed8;
    const int w = picture.width();
    const int h = picture.height();
    const int planeCount = indexed ? planesFor(picture.colorCount()) : 24;
    const int rowBytes = (w + 15) / 16 * 2;

    QByteArray header;
    ByteWriter bmhd(header);
    bmhd.be16(w);
    bmhd.be16(h);
    bmhd.be16(0);
    bmhd.be16(0);
    bmhd.u8(planeCount);
    bmhd.u8(0); // no mask
    bmhd.u8(1); // ByteRun1
    bmhd.u8(0);
    bmhd.be16(0); // transparent colour
    bmhd.u8(1);   // square pixels
    bmhd.u8(1);
    bmhd.be16(w);
    bmhd.be16(h);

    QByteArray body;
    std::vector<quint8> values(size_t(rowBytes) * 8, 0);
    std::array<std::vector<quint8>, 8> planes;
    for (auto &plane : planes)
        plane.assign(size_t(rowBytes), 0);
    for (int y = 0; y < h; ++y) {
        if (indexed) {
            const uchar *line = picture.constScanLine(y);
            std::copy(line, line + w, values.begin());
            splitPlanes(values, planes);
            for (int k = 0; k < planeCount; ++k)
                byteRun1(planes[k].data(), rowBytes, body);
            continue;
        }
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int shift : {16, 8, 0}) {
            for (int x = 0; x < w; ++x)
                values[size_t(x)] = quint8(line[x] >> shift);
            splitPlanes(values, planes);
            for (int k = 0; k < 8; ++k)
                byteRun1(planes[k].data(), rowBytes, body);
        }
    }

    QByteArray form("ILBM");
    appendChunk(form, "BMHD", header);
    if (indexed) {
        QByteArray cmap;
        const QList<QRgb> table = picture.colorTable();
        for (int i = 0; i < (1 << planeCount); ++i) {
            const QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
            cmap.append(char(qRed(c)));
            cmap.append(char(qGreen(c)));
            cmap.append(char(qBlue(c)));
        }
        appendChunk(form, "CMAP", cmap);
    }
    appendChunk(form, "BODY", body);

    QByteArray file;
    appendChunk(file, "FORM", form);
    return writeAll(out, file);
}

} // namespace device
