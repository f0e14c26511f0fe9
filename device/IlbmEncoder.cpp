#include "device/IlbmEncoder.h"

#include "device/ByteRuns.h"
#include "device/ByteWriter.h"
#include "device/RgbPlanes.h"
#include "device/VectorPaths.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

namespace device {

namespace {

constexpr int longestPacket = 128;

#if LUMIVANE_X86_VECTORS
inline __m128i load16(const quint8 *p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}
#endif

// Copies the literal stretch starting at data[start] to `to` and returns
// where it ends: before the first run of four equal bytes, after 128 bytes,
// or at the end of `data`. Cutting a stretch for a run of three would save
// nothing (the run's two bytes and the next stretch's count cost what the
// three bytes do) and cost a packet. With SSE2 it looks at sixteen bytes per
// step and copies them whole as it goes: it reads up to eighteen bytes past
// the end of `data` and stores up to sixteen past the stretch, into the room
// the caller leaves.
int literalStretch(const quint8 *data, int start, int size, char *to)
{
    const int end = std::min(size, start + longestPacket);
#if LUMIVANE_X86_VECTORS
    for (int i = start; i < end; i += 16) {
        const __m128i v = load16(data + i);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + (i - start)), v);
        const __m128i sameNext = _mm_cmpeq_epi8(v, load16(data + i + 1));
        const __m128i sameTwo = _mm_and_si128(_mm_cmpeq_epi8(v, load16(data + i + 2)),
                                              _mm_cmpeq_epi8(v, load16(data + i + 3)));
        const __m128i sameThree = _mm_and_si128(sameNext, sameTwo);
        // Only runs that end inside the data count.
        const int runStarts = size - 3 - i;
        const unsigned runs =
            unsigned(_mm_movemask_epi8(sameThree)) & (0xffffu >> std::clamp(16 - runStarts, 0, 16));
        if (runs)
            return std::min(end, i + int(qCountTrailingZeroBits(runs)));
    }
    return end;
#else
    const int stop = byteruns::firstRun(data, start, end, size, 4);
    std::memcpy(to, data + start, size_t(stop - start));
    return stop;
#endif
}

// Packs runs of equal bytes (three or more where a packet starts, four or
// more inside a literal stretch) as a count and the byte, and the rest as
// counted literal stretches, never across the end of `data`. At most one
// byte more than the data for each 128 bytes of it, plus the slack
// literalStretch() stores past its end.
char *byteRun1(const quint8 *data, int size, char *out)
{
    int i = 0;
    while (i < size) {
        if (i + 2 < size && data[i + 1] == data[i] && data[i + 2] == data[i]) {
            const int run = byteruns::runLength(data, i, std::min(size, i + longestPacket));
            *out++ = char(1 - run);
            *out++ = char(data[i]);
            i += run;
            continue;
        }
        const int stop = literalStretch(data, i, size, out + 1);
        *out = char(stop - i - 1);
        out += 1 + stop - i;
        i = stop;
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

// The vector paths gather the top bits of many values at once and add each
// byte to itself to bring up the next bit. Each eight values are reversed
// first, so that the first lands in the highest bit of its byte of the mask.
#if LUMIVANE_X86_VECTORS
// Thirty-two values at a time; returns how many plane bytes it did.
[[gnu::target("avx2")]] int splitPlanesAvx2(const quint8 *values, quint8 *planes, int rowBytes)
{
    const __m256i reverse = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8,
                                             7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
    int g = 0;
    for (; g + 4 <= rowBytes; g += 4) {
        const auto *in = reinterpret_cast<const __m256i *>(values + 8 * g);
        __m256i v = _mm256_shuffle_epi8(_mm256_loadu_si256(in), reverse);
        for (int k = 7; k >= 0; --k) {
            qToLittleEndian(quint32(_mm256_movemask_epi8(v)), planes + k * rowBytes + g);
            v = _mm256_add_epi8(v, v);
        }
    }
    return g;
}
#endif

// Splits one line of 8-bit values into eight bitplane lines, plane k at
// planes + k * rowBytes: as much as it can with AVX2 where the processor has
// it, then sixteen values at a time with SSE2, the rest eight at a time.
void splitPlanes(const quint8 *values, quint8 *planes, int rowBytes)
{
    int g = 0;
#if LUMIVANE_X86_VECTORS
    if (haveWideVectors())
        g = splitPlanesAvx2(values, planes, rowBytes);
#endif
#if LUMIVANE_X86_VECTORS
    for (; g + 2 <= rowBytes; g += 2) {
        __m128i v = load16(values + 8 * g);
        v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3)),
                                _MM_SHUFFLE(0, 1, 2, 3));
        v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        for (int k = 7; k >= 0; --k) {
            qToLittleEndian(quint16(_mm_movemask_epi8(v)), planes + k * rowBytes + g);
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
    // Sixteen bytes of slack for the last literal stretch's whole stores.
    const qsizetype packetBytes = rowBytes + (rowBytes + longestPacket - 1) / longestPacket;
    char *packed = writer.beginInPlace(qsizetype(h) * linePlanes * packetBytes + 16);
    // The values of each channel of a line, padded with zeros, and their
    // bitplanes with slack for the reads literalStretch() makes past the last.
    const int valueBytes = rowBytes * 8;
    const int channels = indexed ? 1 : 3;
    std::vector<quint8> values(size_t(valueBytes) * channels, 0);
    std::vector<quint8> planes(size_t(valueBytes) * channels + 32);
    for (int y = 0; y < h; ++y) {
        const uchar *line = picture.constScanLine(y);
        if (indexed)
            std::copy(line, line + w, values.begin());
        else
            splitRgb(reinterpret_cast<const QRgb *>(line), w, values.data(), valueBytes);
        for (int c = 0; c < channels; ++c)
            splitPlanes(values.data() + c * valueBytes, planes.data() + c * valueBytes, rowBytes);
        for (int k = 0; k < linePlanes; ++k)
            packed = byteRun1(planes.data() + k * rowBytes, rowBytes, packed);
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
