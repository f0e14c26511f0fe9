#include "device/PcxEncoder.h"

#include "device/ByteWriter.h"

#include <vector>

namespace device {

namespace {

constexpr int headerSize = 128;
constexpr int headerPaletteColours = 16;
constexpr char paletteMarker = 0x0C;

// Runs of up to 63 equal bytes become a count byte (top two bits set) and
// the byte; a lone byte is written as itself unless it looks like a count.
void encodeLine(const std::vector<quint8> &line, QByteArray &out)
{
    size_t i = 0;
    while (i < line.size()) {
        int run = 1;
        while (i + size_t(run) < line.size() && run < 63 && line[i + size_t(run)] == line[i])
            ++run;
        if (run > 1 || line[i] >= 0xC0)
            out.append(char(0xC0 | run));
        out.append(char(line[i]));
        i += size_t(run);
    }
}

void appendRgb(QByteArray &bytes, QRgb c)
{
    bytes.append(char(qRed(c)));
    bytes.append(char(qGreen(c)));
    bytes.append(char(qBlue(c)));
}

} // namespace

snappy::Failure PcxEncoder::encode(const QImage &source, QIODevice &out) const
{
    const QImage picture = paletteOrTrueColour(source);
    const bool indexed = picture.format() == QImage::Format_Indexed8;
    const bool sixteen = indexed && picture.colorCount() <= headerPaletteColours;
    const int w = picture.width();
    const int h = picture.height();
    const int bitsPerPixel = sixteen ? 1 : 8;
    const int planes = sixteen ? 4 : indexed ? 1 : 3;
    const int pixelsPerByte = 8 / bitsPerPixel;
    // Lines are padded to an even number of bytes.
    const int bytesPerLine = ((w + pixelsPerByte - 1) / pixelsPerByte + 1) & ~1;
    const QList<QRgb> table = picture.colorTable();

    QByteArray file;
    ByteWriter header(file);
    header.u8(0x0A); // ZSoft
    header.u8(5);    // version 5
    header.u8(1);    // run-length encoded
    header.u8(bitsPerPixel);
    header.le16(0);
    header.le16(0);
    header.le16(w - 1);
    header.le16(h - 1);
    header.le16(72);
    header.le16(72);
    for (int i = 0; i < headerPaletteColours; ++i)
        appendRgb(file, sixteen && i < table.size() ? table[i] : qRgb(0, 0, 0));
    header.u8(0);
    header.u8(planes);
    header.le16(bytesPerLine);
    header.le16(1); // colour palette
    header.le16(w);
    header.le16(h);
    header.zeros(headerSize - int(file.size()));

    std::vector<quint8> line(static_cast<size_t>(bytesPerLine));
    for (int y = 0; y < h; ++y) {
        if (sixteen) {
            const uchar *in = picture.constScanLine(y);
            for (int plane = 0; plane < planes; ++plane) {
                std::fill(line.begin(), line.end(), 0);
                for (int x = 0; x < w; ++x) {
                    if (in[x] & (1 << plane))
                        line[size_t(x / 8)] |= quint8(0x80 >> (x % 8));
                }
                encodeLine(line, file);
            }
        } else if (indexed) {
            const uchar *in = picture.constScanLine(y);
            std::copy(in, in + w, line.begin());
            encodeLine(line, file);
        } else {
            const auto *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            for (int shift : {16, 8, 0}) {
                for (int x = 0; x < w; ++x)
                    line[size_t(x)] = quint8(in[x] >> shift);
                encodeLine(line, file);
            }
        }
    }
    if (indexed && !sixteen) {
        file.append(paletteMarker);
        for (int i = 0; i < 256; ++i)
            appendRgb(file, i < table.size() ? table[i] : qRgb(0, 0, 0));
    }
    return writeAll(out, file);
}

} // namespace device
