#include "device/TgaEncoder.h"

#include "device/ByteRuns.h"
#include "device/ByteWriter.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace device {

namespace {

constexpr int colourMappedRle = 9;
constexpr int trueColourRle = 10;
constexpr int maxPacket = 128;

void appendBgr(QByteArray &bytes, QRgb c)
{
    bytes.append(char(qBlue(c)));
    bytes.append(char(qGreen(c)));
    bytes.append(char(qRed(c)));
}

// Where a raw stretch from `start` ends: at `end`, or where a run begins. A
// run packet of two palette indices is no smaller than the indices in a raw
// stretch, so for them a run takes three.
int rawEnd(const uchar *line, int start, int end, int width)
{
    return byteruns::firstRun(line, start, end, width, 3);
}

int rawEnd(const QRgb *line, int start, int end, int width)
{
    int i = start;
    while (i < end && !(i + 1 < width && line[i] == line[i + 1]))
        ++i;
    return i;
}

char *putPixels(const uchar *line, int count, char *out)
{
    std::memcpy(out, line, size_t(count));
    return out + count;
}

// Stores all four bytes of each pixel, blue first, and moves past three: the
// next pixel or the buffer's slack takes the fourth.
char *putPixels(const QRgb *line, int count, char *out)
{
    for (int k = 0; k < count; ++k, out += 3) {
        const quint32 bgrx = qToLittleEndian(line[k]);
        std::memcpy(out, &bgrx, sizeof bgrx);
    }
    return out;
}

template <typename Pixel>
constexpr int shortestRun = sizeof(Pixel) == 1 ? 3 : 2;

// Packets of up to 128 pixels, never across the end of a line: a repeated
// pixel as its count and one copy, other pixels as a counted raw stretch.
// At most one byte more than the pixels for each 128 of them.
template <typename Pixel>
char *encodeLine(const Pixel *line, int width, char *out)
{
    int i = 0;
    while (i < width) {
        int run = 1;
        while (i + run < width && run < maxPacket && line[i + run] == line[i])
            ++run;
        if (run >= shortestRun<Pixel>) {
            *out++ = char(0x80 | (run - 1));
            out = putPixels(line + i, 1, out);
            i += run;
            continue;
        }
        const int start = i;
        i = rawEnd(line, start, std::min(width, start + maxPacket), width);
        *out++ = char(i - start - 1);
        out = putPixels(line + start, i - start, out);
    }
    return out;
}

} // namespace

snappy::Failure TgaEncoder::encode(const QImage &source, QIODevice &out) const
{
    const QImage picture = paletteOrTrueColour(source);
    const bool indexed = picture.format() == QImage::Format_Indexed8;
    const QList<QRgb> table = picture.colorTable();

    QByteArray file;
    ByteWriter header(file);
    header.u8(0); // no image id
    header.u8(indexed ? 1 : 0);
    header.u8(indexed ? colourMappedRle : trueColourRle);
    header.le16(0);
    header.le16(indexed ? int(table.size()) : 0);
    header.u8(indexed ? 24 : 0);
    header.le16(0);
    header.le16(0);
    header.le16(picture.width());
    header.le16(picture.height());
    header.u8(indexed ? 8 : 24);
    header.u8(0); // no alpha, bottom line first
    for (const QRgb c : table)
        appendBgr(file, c);

    const int w = picture.width();
    const int pixelBytes = indexed ? 1 : 3;
    // One count byte per packet, and slack for the last pixel's fourth byte.
    const qsizetype most = qsizetype(picture.height()) * (w * pixelBytes + (w + 127) / 128) + 1;
    char *packed = header.beginInPlace(most);
    for (int y = picture.height() - 1; y >= 0; --y) {
        if (indexed)
            packed = encodeLine(picture.constScanLine(y), w, packed);
        else
            packed =
                encodeLine(reinterpret_cast<const QRgb *>(picture.constScanLine(y)), w, packed);
    }
    header.endInPlace(packed);

    // Version 2 footer, without extension or developer areas.
    ByteWriter footer(file);
    footer.le32(0);
    footer.le32(0);
    footer.text("TRUEVISION-XFILE.");
    footer.u8(0);
    return writeAll(out, file);
}

} // namespace device
