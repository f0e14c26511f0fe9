#include "device/PcxEncoder.h"

#include "device/ByteRuns.h"
#include "device/ByteWriter.h"

#include <algorithm>
#include <cstring>

#include <vector>

namespace device {

namespace {

constexpr int headerSize = 128;
constexpr int headerPaletteColours = 16;
constexpr char paletteMarker = 0x0C;

// A byte with both top bits set would read as a count, so it goes behind a
// count of one.
inline char *literal(quint8 v, char *out)
{
    *out = char(0xC1);
    out += v >= 0xC0;
    *out = char(v);
    return out + 1;
}

// Runs of three to 63 equal bytes become a count byte (top two bits set) and
// the byte; shorter runs hardly gain and would cost the quick path its
// stretches of eight bytes without runs. Of those, the ones where no byte
// needs a count are copied whole. At most two bytes out for each byte in.
char *encodeLine(const quint8 *line, int size, char *out)
{
    constexpr quint64 tops = 0x8080808080808080ULL;
    int i = 0;
    while (i < size) {
        if (i + 10 <= size) {
            const quint64 x = byteruns::word(line + i);
            const quint64 runs = byteruns::zeroBytes((x ^ byteruns::word(line + i + 1)) |
                                                     (x ^ byteruns::word(line + i + 2)));
            if (!runs) {
                if ((x & (x << 1) & tops) == 0) {
                    std::memcpy(out, line + i, 8);
                    out += 8;
                } else {
                    for (int k = 0; k < 8; ++k)
                        out = literal(line[i + k], out);
                }
                i += 8;
                continue;
            }
            for (const int run = i + qCountTrailingZeroBits(runs) / 8; i < run; ++i)
                out = literal(line[i], out);
        } else if (!(i + 2 < size && line[i + 1] == line[i] && line[i + 2] == line[i])) {
            out = literal(line[i++], out);
            continue;
        }
        const int length = byteruns::runLength(line, i, std::min(size, i + 63));
        *out++ = char(0xC0 | length);
        *out++ = char(line[i]);
        i += length;
    }
    return out;
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
    const auto encode = [&](char *to) { return encodeLine(line.data(), bytesPerLine, to); };
    char *packed = header.beginInPlace(qsizetype(2) * bytesPerLine * planes * h);
    for (int y = 0; y < h; ++y) {
        if (sixteen) {
            const uchar *in = picture.constScanLine(y);
            for (int plane = 0; plane < planes; ++plane) {
                std::fill(line.begin(), line.end(), 0);
                for (int x = 0; x < w; ++x) {
                    if (in[x] & (1 << plane))
                        line[size_t(x / 8)] |= quint8(0x80 >> (x % 8));
                }
                packed = encode(packed);
            }
        } else if (indexed) {
            const uchar *in = picture.constScanLine(y);
            std::copy(in, in + w, line.begin());
            packed = encode(packed);
        } else {
            const auto *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            for (int shift : {16, 8, 0}) {
                for (int x = 0; x < w; ++x)
                    line[size_t(x)] = quint8(in[x] >> shift);
                packed = encode(packed);
            }
        }
    }
    header.endInPlace(packed);
    if (indexed && !sixteen) {
        file.append(paletteMarker);
        for (int i = 0; i < 256; ++i)
            appendRgb(file, i < table.size() ? table[i] : qRgb(0, 0, 0));
    }
    return writeAll(out, file);
}

} // namespace device
