#include "device/PcxEncoder.h"

#include "device/ByteRuns.h"
#include "device/ByteWriter.h"
#include "device/RgbPlanes.h"

#include <algorithm>
#include <cstring>
#include <vector>

#ifdef __x86_64__
#include <immintrin.h>
#endif

namespace device {

namespace {

constexpr int headerSize = 128;
constexpr int headerPaletteColours = 16;
constexpr char paletteMarker = 0x0C;
constexpr quint8 countOfOne = 0xC1;
constexpr int longestRun = 63;

// The run of three or more equal bytes at line[i] as a count byte (top two
// bits set) and the byte; moves `i` past it. Shorter runs hardly gain and
// would break up the stretches the quick path takes whole.
inline char *run(const quint8 *line, int &i, int size, char *out)
{
    const int length = byteruns::runLength(line, i, std::min(size, i + longestRun));
    *out++ = char(0xC0 | length);
    *out++ = char(line[i]);
    i += length;
    return out;
}

#ifdef __x86_64__
using Bytes16 = quint8 __attribute__((vector_size(16)));

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
// byte 8, with one byte shuffle. A byte with both top bits set would read as
// a count, hence the count of one. It stores sixteen bytes: those past the
// ones kept are overwritten next or lie in the room given for the line.
inline char *spread(__m128i withCount, unsigned counted, int count, char *out)
{
    const unsigned mask = counted & 0xff;
    Bytes16 from;
    std::memcpy(&from, spreads.from[mask], sizeof from);
    const Bytes16 spreadOut = __builtin_shuffle(Bytes16(withCount), from);
    std::memcpy(out, &spreadOut, sizeof spreadOut);
    return out + count + spreads.counts[mask & ((1u << count) - 1)];
}

// Writes the first `count` (up to sixteen) of the bytes in `bytes` in two
// halves as above, storing 32 bytes.
inline char *spreadSixteen(__m128i bytes, unsigned counted, int count, char *out)
{
    const __m128i counts = _mm_set1_epi8(char(countOfOne));
    out = spread(_mm_unpacklo_epi64(bytes, counts), counted, std::min(count, 8), out);
    return spread(_mm_unpackhi_epi64(bytes, counts), counted >> 8, std::max(count - 8, 0), out);
}

// With AVX-512 one expand instruction spreads sixteen bytes, counts of one
// filling the gaps. Where the bytes go follows from the ones that need a
// count: give each byte two places, the first for its count, keep the
// count places it needs and read off which of the kept places hold bytes.
[[gnu::target("avx512vbmi2,avx512vl,avx512bw,bmi2,popcnt")]] inline char *
expandSixteen(__m128i bytes, unsigned counted, int count, char *out)
{
    constexpr quint32 bytePlaces = 0xAAAAAAAAu;
    const quint32 kept = _pdep_u32(counted, ~bytePlaces) | bytePlaces;
    const auto places = __mmask32(_pext_u32(bytePlaces, kept));
    const __m256i spreadOut = _mm256_mask_expand_epi8(_mm256_set1_epi8(char(countOfOne)), places,
                                                      _mm256_castsi128_si256(bytes));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), spreadOut);
    return out + count + _mm_popcnt_u32(counted & ((1u << count) - 1));
}

// Sixteen bytes of a line, where runs of three start among them (only runs
// that end inside the line count) and which of them need a count.
struct Sixteen {
    __m128i bytes;
    unsigned runs;
    unsigned counted;
};

inline Sixteen sixteenAt(const quint8 *line, int i, int size)
{
    const auto load = [&](int at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i *>(line + at));
    };
    const __m128i v = load(i);
    const __m128i sameNext = _mm_cmpeq_epi8(v, load(i + 1));
    const __m128i sameTwo = _mm_and_si128(sameNext, _mm_cmpeq_epi8(v, load(i + 2)));
    const __m128i counted = _mm_cmpeq_epi8(_mm_max_epu8(v, _mm_set1_epi8(char(0xC0))), v);
    return {v,
            unsigned(_mm_movemask_epi8(sameTwo)) & (0xffffu >> std::clamp(18 - (size - i), 0, 16)),
            unsigned(_mm_movemask_epi8(counted))};
}

// Sixteen bytes at a time: compares find where the next run starts and which
// bytes need a count, and everything before the run is spread at once. It
// reads up to seventeen bytes past the end of the line and stores up to 32
// past its code, so the caller leaves room for both. At most two bytes out
// for each byte in. Built twice, since the shuffle is one instruction only
// from SSSE3 on; the processor picks the build when the program loads.
[[gnu::target_clones("default", "ssse3")]] char *shuffleLine(const quint8 *line, int size,
                                                             char *out)
{
    int i = 0;
    while (i < size) {
        const Sixteen s = sixteenAt(line, i, size);
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

// The same, spreading with one expand.
[[gnu::target("avx512vbmi2,avx512vl,avx512bw,bmi2,popcnt")]] char *expandLine(const quint8 *line,
                                                                              int size, char *out)
{
    int i = 0;
    while (i < size) {
        const Sixteen s = sixteenAt(line, i, size);
        if (!s.runs && size - i >= 16) {
            out = expandSixteen(s.bytes, s.counted, 16, out);
            i += 16;
            continue;
        }
        const int plain = s.runs ? int(qCountTrailingZeroBits(s.runs)) : size - i;
        out = expandSixteen(s.bytes, s.counted, plain, out);
        i += plain;
        if (s.runs)
            out = run(line, i, size, out);
    }
    return out;
}

bool canExpand()
{
    return __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("bmi2") &&
           __builtin_cpu_supports("popcnt");
}

char *encodeLine(const quint8 *line, int size, char *out)
{
    static const bool expand = canExpand();
    return expand ? expandLine(line, size, out) : shuffleLine(line, size, out);
}
#else
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
char *encodeLine(const quint8 *line, int size, char *out)
{
    int i = 0;
    while (i < size) {
        if (i + 2 < size && line[i + 1] == line[i] && line[i + 2] == line[i])
            out = run(line, i, size, out);
        else
            out = literal(line[i++], out);
    }
    return out;
}
#endif

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

    // Each plane of a line, padded with zeros, and slack for the reads past
    // the last plane.
    std::vector<quint8> lines(size_t(bytesPerLine) * planes + 32, 0);
    quint8 *const line = lines.data();
    // Two bytes out for each in at most, and slack for whole stores.
    char *packed = header.beginInPlace(qsizetype(2) * bytesPerLine * planes * h + 32);
    for (int y = 0; y < h; ++y) {
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
    header.endInPlace(packed);
    if (indexed && !sixteen) {
        file.append(paletteMarker);
        for (int i = 0; i < 256; ++i)
            appendRgb(file, i < table.size() ? table[i] : qRgb(0, 0, 0));
    }
    return writeAll(out, file);
}

} // namespace device
