#include "device/TgaEncoder.h"

#include "device/ByteWriter.h"

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

// Packets of up to 128 pixels, never across the end of a line: a repeated
// pixel as its count and one copy, other pixels as a counted raw stretch.
template <typename Pixel, typename Append>
void encodeLine(const Pixel *line, int width, QByteArray &out, Append appendPixel)
{
    int i = 0;
    while (i < width) {
        int run = 1;
        while (i + run < width && run < maxPacket && line[i + run] == line[i])
            ++run;
        if (run >= 2) {
            out.append(char(0x80 | (run - 1)));
            appendPixel(out, line[i]);
            i += run;
            continue;
        }
        const int start = i;
        while (i < width && i - start < maxPacket && !(i + 1 < width && line[i] == line[i + 1]))
            ++i;
        out.append(char(i - start - 1));
        for (int k = start; k < i; ++k)
            appendPixel(out, line[k]);
    }
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

    for (int y = picture.height() - 1; y >= 0; --y) {
        if (indexed) {
            encodeLine(picture.constScanLine(y), picture.width(), file,
                       [](QByteArray &bytes, uchar index) { bytes.append(char(index)); });
        } else {
            encodeLine(reinterpret_cast<const QRgb *>(picture.constScanLine(y)), picture.width(),
                       file, [](QByteArray &bytes, QRgb c) { appendBgr(bytes, c); });
        }
    }

    // Version 2 footer, without extension or developer areas.
    ByteWriter footer(file);
    footer.le32(0);
    footer.le32(0);
    footer.text("TRUEVISION-XFILE.");
    footer.u8(0);
    return writeAll(out, file);
}

} // namespace device
