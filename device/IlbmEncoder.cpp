#include "device/IlbmEncoder.h"

#include "device/ByteRuns.h"
#include "device/ByteWriter.h"

#include <QtEndian>

#include <algorithm>

#include <array>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace device {

namespace {

// Packs runs of three or more equal bytes as a count and the byte, and the
// rest as counted literal stretches, never across the end of `data`. At most
// one byte more than the data for each 128 bytes of it.
char *byteRun1(const quint8 *data, int size, char *out)
{
    int i = 0;
    while (i < size) {
        const int run = byteruns::runLength(data, i, std::min(size, i + 128));
        if (run >= 3) {
            *out++ = char(1 - run);
            *out++ = char(data[i]);
            i += run;
            continue;
        }
        const int start = i;
        i = byteruns::firstRun(data, start, std::min(size, start + 128), size, 3);
        *out++ = char(i - start - 1);
        std::memcpy(out, data + start, size_t(i - start));
        out += i - start;
    }
    return out;
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

// Splits one line of 8-bit values into eight bitplane lines, plane k at
// planes + k * rowBytes. With SSE2, sixteen values at a time: their top bits
// are gathered at once, and adding each byte to itself brings up the next.
void splitPlanes(const quint8 *values, quint8 *planes, int rowBytes)
{
    int g = 0;
#ifdef __SSE2__
    for (; g + 2 <= rowBytes; g += 2) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(values + 8 * g));
        // Reversed, so that the first value ends in the highest bit.
        v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
        v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)),
                                _MM_SHUFFLE(2, 3, 0, 1));
        v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        for (int k = 7; k >= 0; --k) {
            const int bits = _mm_movemask_epi8(v);
            planes[k * rowBytes + g] = quint8(bits >> 8);
            planes[k * rowBytes + g + 1] = quint8(bits);
            v = _mm_add_epi8(v, v);
        }
    }
#endif
    for (; g < rowBytes; ++g) {
        const quint64 x = transposeBits(qFromBigEndian<quint64>(values + 8 * g));
        for (int k = 0; k < 8; ++k)
            planes[k * rowBytes + g] = quint8(x >> (8 * k));
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

    QByteArray file;
    ByteWriter writer(file);
    writer.text("FORM");
    writer.be32(0); // the size, known at the end
    writer.text("ILBM");
    appendChunk(file, "BMHD", header);
    if (indexed) {
        QByteArray cmap;
        const QList<QRgb> table = picture.colorTable();
        for (int i = 0; i < (1 << planeCount); ++i) {
            const QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
            cmap.append(char(qRed(c)));
            cmap.append(char(qGreen(c)));
            cmap.append(char(qBlue(c)));
        }
        appendChunk(file, "CMAP", cmap);
    }
    writer.text("BODY");
    writer.be32(0);
    const qsizetype bodyStart = file.size();

    const int linePlanes = indexed ? planeCount : 24;
    char *packed =
        writer.beginInPlace(qsizetype(h) * linePlanes * (rowBytes + (rowBytes + 127) / 128));
    std::vector<quint8> values(size_t(rowBytes) * 8, 0);
    std::vector<quint8> planes(size_t(rowBytes) * 8);
    for (int y = 0; y < h; ++y) {
        if (indexed) {
            const uchar *line = picture.constScanLine(y);
            std::copy(line, line + w, values.begin());
            splitPlanes(values.data(), planes.data(), rowBytes);
            for (int k = 0; k < planeCount; ++k)
                packed = byteRun1(planes.data() + k * rowBytes, rowBytes, packed);
            continue;
        }
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int shift : {16, 8, 0}) {
            for (int x = 0; x < w; ++x)
                values[size_t(x)] = quint8(line[x] >> shift);
            splitPlanes(values.data(), planes.data(), rowBytes);
            for (int k = 0; k < 8; ++k)
                packed = byteRun1(planes.data() + k * rowBytes, rowBytes, packed);
        }
    }
    writer.endInPlace(packed);
    const qsizetype bodySize = file.size() - bodyStart;
    if (bodySize % 2)
        writer.u8(0);
    qToBigEndian(quint32(bodySize), file.data() + bodyStart - 4);
    qToBigEndian(quint32(file.size() - 8), file.data() + 4);
    return writeAll(out, file);
}

} // namespace device
