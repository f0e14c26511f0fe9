#include "device/PcxEncoder.h"

#include "device/ByteRuns.h"
#include "device/ByteWriter.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#ifdef __x86_64__
#include <tmmintrin.h>
#endif

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

// Eight bytes without runs, held in `x`, the first in the lowest byte.
using EightLiterals = char *(*)(const quint8 *in, quint64 x, char *out);

char *eightLiterals(const quint8 *in, quint64 x, char *out)
{
    constexpr quint64 tops = 0x8080808080808080ULL;
    if ((x & (x << 1) & tops) == 0) {
        std::memcpy(out, in, 8);
        return out + 8;
    }
    for (int k = 0; k < 8; ++k)
        out = literal(in[k], out);
    return out;
}

#ifdef __x86_64__
// For each set of the eight bytes that need a count: where each output byte
// comes from (0x80 for none), the counts to put in the gaps, and how many
// bytes that makes.
struct Spreads {
    alignas(16) quint8 from[256][16];
    alignas(16) quint8 counts[256][16];
    quint8 length[256];

    Spreads()
    {
        for (int mask = 0; mask < 256; ++mask) {
            int at = 0;
            std::fill(std::begin(from[mask]), std::end(from[mask]), quint8(0x80));
            std::fill(std::begin(counts[mask]), std::end(counts[mask]), quint8(0));
            for (int k = 0; k < 8; ++k) {
                if (mask & (1 << k))
                    counts[mask][at++] = 0xC1;
                from[mask][at++] = quint8(k);
            }
            length[mask] = quint8(at);
        }
    }
};

// The same with one byte shuffle: it writes sixteen bytes, of which the ones
// past the eight to sixteen kept are overwritten next or lie in the room
// given for two bytes out per byte in.
__attribute__((target("ssse3"))) char *eightLiteralsShuffled(const quint8 *in, quint64 x, char *out)
{
    static const Spreads spreads;
    const __m128i v = _mm_cvtsi64_si128(qint64(x));
    const __m128i counted = _mm_cmpeq_epi8(_mm_max_epu8(v, _mm_set1_epi8(char(0xC0))), v);
    const int mask = _mm_movemask_epi8(counted) & 0xff;
    const __m128i from = _mm_load_si128(reinterpret_cast<const __m128i *>(spreads.from[mask]));
    const __m128i counts = _mm_load_si128(reinterpret_cast<const __m128i *>(spreads.counts[mask]));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out),
                     _mm_or_si128(_mm_shuffle_epi8(v, from), counts));
    Q_UNUSED(in);
    return out + spreads.length[mask];
}
#endif

EightLiterals bestEightLiterals()
{
#ifdef __x86_64__
    if (__builtin_cpu_supports("ssse3"))
        return eightLiteralsShuffled;
#endif
    return eightLiterals;
}

// Runs of three to 63 equal bytes become a count byte (top two bits set) and
// the byte; shorter runs hardly gain and would cost the quick path its
// stretches of eight bytes without runs. At most two bytes out for each byte
// in.
char *encodeLine(const quint8 *line, int size, char *out)
{
    static const EightLiterals eight = bestEightLiterals();
    int i = 0;
    while (i < size) {
        if (i + 10 <= size) {
            const quint64 x = byteruns::word(line + i);
            const quint64 runs = byteruns::zeroBytes((x ^ byteruns::word(line + i + 1)) |
                                                     (x ^ byteruns::word(line + i + 2)));
            if (!runs) {
                out = eight(line + i, x, out);
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
