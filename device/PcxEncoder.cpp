#include "device/PcxEncoder.h"

#include "device/ByteRuns.h"
#include "device/ByteWriter.h"
#include "device/RgbPlanes.h"
#include "device/VectorPaths.h"

#include <algorithm>
#include <vector>

namespace device {

namespace {

constexpr int headerSize = 128;
constexpr int headerPaletteColours = 16;
constexpr char paletteMarker = 0x0C;
constexpr quint8 countOfOne = 0xC1;
constexpr int longestRun = 63;

// The run of three or more equal bytes at line[i] as a count byte (top two
// bits set) and the byte; moves `i` past it.
inline char *run(const quint8 *line, int &i, int size, char *out)
{
    const int length = byteruns::runLength(line, i, std::min(size, i + longestRun));
    *out++ = char(0xC0 | length);
    *out++ = char(line[i]);
    i += length;
    return out;
}

// A byte with both top bits set would read as a count, so it goes behind a
// count of one.
char *literal(quint8 v, char *out)
{
    *out = char(countOfOne);
    out += v >= 0xC0;
    *out = char(v);
    return out + 1;
}

// At most two bytes out for each byte in.
char *encodeLineByteByByte(const quint8 *line, int size, char *out)
{
    int i = 0;
    while (i < size) {
        const bool three = i + 2 < size && line[i + 1] == line[i] && line[i + 2] == line[i];
        // Runs worth a count, as on the quick path.
        if (three && (line[i] >= 0xC0 || (i + 3 < size && line[i + 3] == line[i])))
            out = run(line, i, size, out);
        else
            out = literal(line[i++], out);
    }
    return out;
}

#if LUMIVANE_X86_VECTORS
// For each set of eight bytes needing a count (bit k for byte k): where each
// output byte comes from, byte 8 standing for the count; and how many counts
// the set holds. Built at compile time, so start-up pays nothing for it.
struct Spreads {
    alignas(16) quint8 from[256][16] = {};
    quint8 counts[256] = {};
};

constexpr Spreads makeSpreads()
{
    Spreads spreads;
    for (int mask = 0; mask < 256; ++mask) {
        int at = 0;
        for (int k = 0; k < 8; ++k) {
            if (mask & (1 << k)) {
                spreads.from[mask][at++] = 8;
                ++spreads.counts[mask];
            }
            spreads.from[mask][at++] = quint8(k);
        }
    }
    return spreads;
}

constexpr Spreads spreads = makeSpreads();

// Writes the first `count` (up to eight) of the low eight bytes of
// `withCount`, each marked in `counted` behind a count of one taken from its
// byte 8, with one byte shuffle. It stores sixteen bytes: those past the
// ones kept are overwritten next or lie in the slack given for the line.
[[gnu::target("ssse3")]] inline char *spread(__m128i withCount, unsigned counted, int count,
                                             char *out)
{
    const unsigned mask = counted & 0xff;
    const __m128i from = _mm_load_si128(reinterpret_cast<const __m128i *>(spreads.from[mask]));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_shuffle_epi8(withCount, from));
    return out + count + spreads.counts[mask & ((1u << count) - 1)];
}

// Writes the first `count` (up to sixteen) of the bytes in `bytes` in two
// halves as above, storing 32 bytes.
[[gnu::target("ssse3")]] inline char *spreadSixteen(__m128i bytes, unsigned counted, int count,
                                                    char *out)
{
    const __m128i counts = _mm_set1_epi8(char(countOfOne));
    out = spread(_mm_unpacklo_epi64(bytes, counts), counted, std::min(count, 8), out);
    return spread(_mm_unpackhi_epi64(bytes, counts), counted >> 8, std::max(count - 8, 0), out);
}

// Sixteen bytes of a line, where the runs worth a count start among them
// (only runs that end inside the line count) and which bytes need a count.
// A run of three saves one byte, or four for a byte that needs a count, and
// every run costs the quick path a mispredicted branch; so runs of three
// count only for such bytes, longer runs for all.
struct SixteenBytes {
    __m128i bytes;
    unsigned runs;
    unsigned counted;
};

inline SixteenBytes sixteenBytesAt(const quint8 *line, int i, int size)
{
    const auto load = [&](int at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i *>(line + at));
    };
    const __m128i v = load(i);
    const __m128i sameTwo =
        _mm_and_si128(_mm_cmpeq_epi8(v, load(i + 1)), _mm_cmpeq_epi8(v, load(i + 2)));
    const __m128i counted = _mm_cmpeq_epi8(_mm_max_epu8(v, _mm_set1_epi8(char(0xC0))), v);
    const __m128i worth =
        _mm_and_si128(sameTwo, _mm_or_si128(counted, _mm_cmpeq_epi8(v, load(i + 3))));
    return {v, unsigned(_mm_movemask_epi8(worth)) & (0xffffu >> std::clamp(18 - (size - i), 0, 16)),
            unsigned(_mm_movemask_epi8(counted))};
}

// Sixteen bytes at a time: compares find where the next run starts and which
// bytes need a count, and everything before the run is spread at once. It
// reads up to eighteen bytes past the end of the line and stores up to 32
// past its code, so the caller leaves room for both. At most two bytes out
// for each byte in.
[[gnu::target("ssse3")]] char *encodeLineSixteenAtOnce(const quint8 *line, int size, char *out)
{
    int i = 0;
    while (i < size) {
        const SixteenBytes s = sixteenBytesAt(line, i, size);
        if (!s.runs && size - i >= 16) {
            // The usual case, taken apart so that where the next sixteen
            // bytes start does not wait for this sixteen's compares.
            out = spreadSixteen(s.bytes, s.counted, 16, out);
            i += 16;
            continue;
        }
        const int plain = s.runs ? int(qCountTrailingZeroBits(s.runs)) : size - i;
        out = spreadSixteen(s.bytes, s.counted, plain, out);
        i += plain;
        if (s.runs)
            out = run(line, i, size, out);
    }
    return out;
}
#endif

// Sixteen bytes at a time where the processor shuffles bytes in one
// instruction (from SSSE3 on), otherwise byte by byte.
char *encodeLine(const quint8 *line, int size, char *out)
{
#if LUMIVANE_X86_VECTORS
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3)
        return encodeLineSixteenAtOnce(line, size, out);
#endif
    return encodeLineByteByByte(line, size, out);
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
    ByteWriter writer(file);
    writer.u8(0x0A); // ZSoft
    writer.u8(5);    // version 5
    writer.u8(1);    // run-length encoded
    writer.u8(bitsPerPixel);
    writer.le16(0);
    writer.le16(0);
    writer.le16(w - 1);
    writer.le16(h - 1);
    writer.le16(72);
    writer.le16(72);
    for (int i = 0; i < headerPaletteColours; ++i)
        appendRgb(file, sixteen && i < table.size() ? table[i] : qRgb(0, 0, 0));
    writer.u8(0);
    writer.u8(planes);
    writer.le16(bytesPerLine);
    writer.le16(1); // colour palette
    writer.le16(w);
    writer.le16(h);
    writer.zeros(headerSize - int(file.size()));

    // Each plane of a line, padded with zeros, and slack for the reads past
    // the last plane.
    std::vector<quint8> lines(size_t(bytesPerLine) * planes + 32, 0);
    quint8 *const line = lines.data();
    // The file goes out in blocks small enough to stay in the cache between
    // being packed and being written: a picture's worth would go through
    // memory twice. Each line takes two bytes out for each in at most, and
    // slack for whole stores.
    const qsizetype lineRoom = qsizetype(2) * bytesPerLine * planes + 32;
    constexpr qsizetype blockSize = 32 * 1024;
    char *packed = writer.beginInPlace(blockSize + lineRoom);
    for (int y = 0; y < h; ++y) {
        if (packed - file.constData() >= blockSize) {
            writer.endInPlace(packed);
            if (const auto failure = writeAll(out, file))
                return failure;
            file.resize(0);
            packed = writer.beginInPlace(blockSize + lineRoom);
        }
        const uchar *in = picture.constScanLine(y);
        if (sixteen) {
            std::fill(lines.begin(), lines.end(), 0);
            for (int x = 0; x < w; ++x) {
                for (int plane = 0; plane < planes; ++plane) {
                    if (in[x] & (1 << plane))
                        line[plane * bytesPerLine + x / 8] |= quint8(0x80 >> (x % 8));
                }
            }
        } else if (indexed) {
            std::copy(in, in + w, line);
        } else {
            splitRgb(reinterpret_cast<const QRgb *>(in), w, line, bytesPerLine);
        }
        for (int plane = 0; plane < planes; ++plane)
            packed = encodeLine(line + plane * bytesPerLine, bytesPerLine, packed);
    }
    writer.endInPlace(packed);
    if (indexed && !sixteen) {
        file.append(paletteMarker);
        for (int i = 0; i < 256; ++i)
            appendRgb(file, i < table.size() ? table[i] : qRgb(0, 0, 0));
    }
    return writeAll(out, file);
}

} // namespace device
