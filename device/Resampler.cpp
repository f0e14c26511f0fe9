#include "device/Resampler.h"

#include "device/Halves.h"
#include "device/VectorPaths.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace device {

namespace {

constexpr int weightBits = 14;
constexpr int weightOne = 1 << weightBits;
constexpr int weightHalf = weightOne / 2;

// For each output position along one axis: which inputs it draws on, and
// with what fixed-point weights (summing to weightOne).
struct AxisFilter {
    int taps = 0;
    std::vector<int> index;
    std::vector<qint16> weight;
    // The first input of each output before it is held inside the input.
    std::vector<int> first;
#if LUMIVANE_X86_VECTORS
    // Each pair of weights side by side in the 16-bit halves of a number,
    // as the vector paths' multiply-adds take them, spread over the lanes
    // only when used: a line's weights stay few enough to stay in the
    // nearest cache beside the line.
    std::vector<quint32> pairs;
#endif
};

double triangle(double x)
{
    x = std::abs(x);
    return x < 1.0 ? 1.0 - x : 0.0;
}

double catmullRom(double x)
{
    x = std::abs(x);
    if (x < 1.0)
        return (1.5 * x - 2.5) * x * x + 1.0;
    if (x < 2.0)
        return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    return 0.0;
}

AxisFilter planAxis(int in, int out, ScaleQuality quality)
{
    const double scale = double(out) / in;
    const bool bicubic = quality == ScaleQuality::High;
    const double radius = bicubic ? 2.0 : 1.0;
    const double stretch = bicubic && scale < 1.0 ? 1.0 / scale : 1.0;
    const double support = radius * stretch;
    AxisFilter filter;
    // An even count of taps; a last one beyond the reach weighs nothing.
    filter.taps = (int(std::ceil(2.0 * support)) + 1) & ~1;
    filter.index.resize(size_t(out) * filter.taps);
    filter.weight.resize(size_t(out) * filter.taps);
    filter.first.resize(size_t(out));
    std::vector<double> raw(size_t(filter.taps));
    for (int i = 0; i < out; ++i) {
        const double centre = (i + 0.5) / scale - 0.5;
        const int first = int(std::floor(centre - support)) + 1;
        filter.first[size_t(i)] = first;
        double total = 0.0;
        for (int k = 0; k < filter.taps; ++k) {
            const double d = (first + k - centre) / stretch;
            raw[k] = bicubic ? catmullRom(d) : triangle(d);
            total += raw[k];
        }
        int *index = &filter.index[size_t(i) * filter.taps];
        qint16 *weight = &filter.weight[size_t(i) * filter.taps];
        int fixedTotal = 0;
        int heaviest = 0;
        for (int k = 0; k < filter.taps; ++k) {
            index[k] = std::clamp(first + k, 0, in - 1);
            weight[k] = qint16(std::lround(raw[k] / total * weightOne));
            fixedTotal += weight[k];
            if (weight[k] > weight[heaviest])
                heaviest = k;
        }
        // Rounding must not brighten or darken flat areas.
        weight[heaviest] = qint16(weight[heaviest] + weightOne - fixedTotal);
    }
#if LUMIVANE_X86_VECTORS
    for (size_t i = 0; i < filter.weight.size(); i += 2)
        filter.pairs.push_back(quint16(filter.weight[i]) | quint32(quint16(filter.weight[i + 1]))
                                                               << 16);
#endif
    return filter;
}

// The filters of the last few sizes and qualities asked for, since snaps
// are taken again and again at one size and working a filter out costs
// about a tenth of scaling with it. Snaps and their halves may ask side by
// side.
std::shared_ptr<const AxisFilter> filterFor(int in, int out, ScaleQuality quality)
{
    struct Kept {
        int in = 0;
        int out = 0;
        ScaleQuality quality = ScaleQuality::Fast;
        std::shared_ptr<const AxisFilter> filter;
    };
    static std::mutex mutex;
    static std::array<Kept, 8> kept;
    static size_t next = 0;
    {
        const std::lock_guard lock(mutex);
        for (const Kept &k : kept)
            if (k.filter && k.in == in && k.out == out && k.quality == quality)
                return k.filter;
    }
    auto filter = std::make_shared<const AxisFilter>(planAxis(in, out, quality));
    const std::lock_guard lock(mutex);
    kept[next] = {in, out, quality, filter};
    next = (next + 1) % kept.size();
    return filter;
}

inline uchar settle(int sum)
{
    return uchar(std::clamp((sum + weightHalf) >> weightBits, 0, 255));
}

// Both passes work on the four bytes of each pixel alike; the fourth, always
// 255, stays 255 since the weights sum to one. Taps come in pairs (planAxis
// gives an even count), so that one multiply-add of 16-bit lanes weighs two
// taps of all four channels at once, and saturating packs do the clamping.
// The AVX2 paths do in each half of their registers what the SSE2 paths do
// in theirs, and so write the same bytes.
//
// The pass across lines writes the bytes of one output line from `i` up to
// a tail of less than a vector: every byte weighs the same byte of the input
// lines `rows`, and it returns where it stopped. `Pairs` is the number of
// pairs of taps, or 0 for `taps` / 2; the usual counts, enlarging, are
// worked out with the lines and weights of their pairs at hand.
#if LUMIVANE_X86_VECTORS
// The input lines of the pass and the number of pairs of taps weighing them.
// Where that number is known, the lines are held apart from `rows`, so that
// they stay in registers rather than being read again for every vector.
template <int Pairs>
struct PassLines {
    static constexpr int held = Pairs > 0 ? Pairs : 1;

    PassLines(const uchar *const *rows, int taps)
        : rows(rows)
        , pairs(Pairs > 0 ? Pairs : taps / 2)
    {
        for (int k = 0; k < 2 * Pairs; ++k)
            line[size_t(k)] = rows[k];
    }

    const uchar *operator[](int row) const { return Pairs > 0 ? line[size_t(row)] : rows[row]; }

    const uchar *const *rows;
    int pairs;
    std::array<const uchar *, 2 * held> line{};
};

template <int Pairs>
[[gnu::target("avx2")]] int blendWide(const uchar *const *rows, const quint32 *weight, int taps,
                                      uchar *out, int bytes)
{
    const PassLines<Pairs> lines(rows, taps);
    __m256i weights[PassLines<Pairs>::held] = {};
    for (int k = 0; k < Pairs; ++k)
        weights[k] = _mm256_set1_epi32(int(weight[k]));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i half = _mm256_set1_epi32(weightHalf);
    int i = 0;
    for (; i + 32 <= bytes; i += 32) {
        __m256i sum[4] = {half, half, half, half};
        for (int k = 0; k < lines.pairs; ++k) {
            const __m256i a =
                _mm256_loadu_si256(reinterpret_cast<const __m256i *>(lines[2 * k] + i));
            const __m256i b =
                _mm256_loadu_si256(reinterpret_cast<const __m256i *>(lines[2 * k + 1] + i));
            const __m256i w = Pairs > 0 ? weights[k] : _mm256_set1_epi32(int(weight[k]));
            const __m256i low = _mm256_unpacklo_epi8(a, b);
            const __m256i high = _mm256_unpackhi_epi8(a, b);
            const __m256i lanes[4] = {
                _mm256_unpacklo_epi8(low, zero), _mm256_unpackhi_epi8(low, zero),
                _mm256_unpacklo_epi8(high, zero), _mm256_unpackhi_epi8(high, zero)};
            for (int j = 0; j < 4; ++j)
                sum[j] = _mm256_add_epi32(sum[j], _mm256_madd_epi16(lanes[j], w));
        }
        for (__m256i &part : sum)
            part = _mm256_srai_epi32(part, weightBits);
        const __m256i levels = _mm256_packus_epi16(_mm256_packs_epi32(sum[0], sum[1]),
                                                   _mm256_packs_epi32(sum[2], sum[3]));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), levels);
    }
    return i;
}

template <int Pairs>
int blendVectors(const uchar *const *rows, const quint32 *weight, int taps, uchar *out, int bytes,
                 int i)
{
    const PassLines<Pairs> lines(rows, taps);
    __m128i weights[PassLines<Pairs>::held] = {};
    for (int k = 0; k < Pairs; ++k)
        weights[k] = _mm_set1_epi32(int(weight[k]));
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(weightHalf);
    for (; i + 16 <= bytes; i += 16) {
        __m128i sum[4] = {half, half, half, half};
        for (int k = 0; k < lines.pairs; ++k) {
            const auto at = [&](int row) {
                return _mm_loadu_si128(reinterpret_cast<const __m128i *>(lines[row] + i));
            };
            const __m128i a = at(2 * k), b = at(2 * k + 1);
            const __m128i w = Pairs > 0 ? weights[k] : _mm_set1_epi32(int(weight[k]));
            const __m128i low = _mm_unpacklo_epi8(a, b);
            const __m128i high = _mm_unpackhi_epi8(a, b);
            const __m128i lanes[4] = {_mm_unpacklo_epi8(low, zero), _mm_unpackhi_epi8(low, zero),
                                      _mm_unpacklo_epi8(high, zero), _mm_unpackhi_epi8(high, zero)};
            for (int j = 0; j < 4; ++j)
                sum[j] = _mm_add_epi32(sum[j], _mm_madd_epi16(lanes[j], w));
        }
        for (__m128i &part : sum)
            part = _mm_srai_epi32(part, weightBits);
        const __m128i levels =
            _mm_packus_epi16(_mm_packs_epi32(sum[0], sum[1]), _mm_packs_epi32(sum[2], sum[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), levels);
    }
    return i;
}
#endif

// The output line `y` of the pass across lines.
void blendLines(const uchar *const *rows, const AxisFilter &filter, int y, uchar *out, int bytes)
{
    const int taps = filter.taps;
    const qint16 *weight = &filter.weight[size_t(y) * taps];
    int i = 0;
#if LUMIVANE_X86_VECTORS
    const quint32 *pairs = &filter.pairs[size_t(y) * taps / 2];
    if (haveWideVectors()) {
        switch (taps) {
        case 2: i = blendWide<1>(rows, pairs, taps, out, bytes); break;
        case 4: i = blendWide<2>(rows, pairs, taps, out, bytes); break;
        default: i = blendWide<0>(rows, pairs, taps, out, bytes); break;
        }
    }
    switch (taps) {
    case 2: i = blendVectors<1>(rows, pairs, taps, out, bytes, i); break;
    case 4: i = blendVectors<2>(rows, pairs, taps, out, bytes, i); break;
    default: i = blendVectors<0>(rows, pairs, taps, out, bytes, i); break;
    }
#endif
    for (; i < bytes; ++i) {
        int sum = 0;
        for (int k = 0; k < taps; ++k)
            sum += int(weight[k]) * rows[k][i];
        out[i] = settle(sum);
    }
}

// The pass along lines takes two lines at a time, which the AVX2 path works
// on side by side, a line in each half of its registers.
#if LUMIVANE_X86_VECTORS
// The pass along a line reads the line with its end pixels repeated beyond
// its ends, each pixel beside the next in the 16-bit lanes a multiply-add
// takes, so that each pair of taps takes one of them.
class LineScaler {
    // Those of two lines, the first's alone when one line is scaled.
    struct alignas(32) PixelPairs {
        __m128i line[2];
    };

public:
    LineScaler(const AxisFilter &filter, int from)
        : m_filter(filter)
        , m_from(from)
        , m_pairs(size_t(from + 2 * filter.taps))
    {
    }

    void scale(const uchar *in, uchar *out)
    {
        pair(reinterpret_cast<const QRgb *>(in));
        switch (m_filter.taps) {
        case 2: scaleWith<1>(out); break;
        case 4: scaleWith<2>(out); break;
        default: scaleWith<0>(out); break;
        }
    }

    void scale(const uchar *in0, const uchar *in1, uchar *out0, uchar *out1)
    {
        if (!haveWideVectors()) {
            scale(in0, out0);
            scale(in1, out1);
            return;
        }
        pairWide(reinterpret_cast<const QRgb *>(in0), reinterpret_cast<const QRgb *>(in1));
        switch (m_filter.taps) {
        case 2: scaleWide<1>(out0, out1); break;
        case 4: scaleWide<2>(out0, out1); break;
        default: scaleWide<0>(out0, out1); break;
        }
    }

private:
    // `Pairs` is the number of pairs of taps, or 0 for the filter's own.
    // The usual counts of taps, enlarging, are worked out with their loops
    // unrolled.
    template <int Pairs>
    void scaleWith(uchar *out) const
    {
        const int pairs = Pairs > 0 ? Pairs : m_filter.taps / 2;
        const int taps = m_filter.taps;
        const __m128i zero = _mm_setzero_si128();
        const __m128i half = _mm_set1_epi32(weightHalf);
        const auto level = [&](int x) {
            const PixelPairs *taken = &m_pairs[size_t(m_filter.first[size_t(x)] + taps)];
            const quint32 *weights = &m_filter.pairs[size_t(x) * size_t(pairs)];
            __m128i sum = half;
            for (int k = 0; k < pairs; ++k)
                sum = _mm_add_epi32(
                    sum, _mm_madd_epi16(taken[2 * k].line[0], _mm_set1_epi32(int(weights[k]))));
            return _mm_srai_epi32(sum, weightBits);
        };
        const int to = int(m_filter.first.size());
        int x = 0;
        for (; x + 2 <= to; x += 2) {
            const __m128i levels = _mm_packs_epi32(level(x), level(x + 1));
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 4 * x),
                             _mm_packus_epi16(levels, zero));
        }
        if (x < to) {
            const __m128i levels = _mm_packs_epi32(level(x), zero);
            const int packed = _mm_cvtsi128_si32(_mm_packus_epi16(levels, zero));
            std::memcpy(out + 4 * x, &packed, sizeof packed);
        }
    }

    // The output pixel `x` of both lines, a line in each half.
    template <int Pairs>
    [[gnu::target("avx2")]] __m256i levelsWide(int x) const
    {
        const int pairs = Pairs > 0 ? Pairs : m_filter.taps / 2;
        const PixelPairs *taken = &m_pairs[size_t(m_filter.first[size_t(x)] + m_filter.taps)];
        const quint32 *weights = &m_filter.pairs[size_t(x) * size_t(pairs)];
        __m256i sum = _mm256_set1_epi32(weightHalf);
        for (int k = 0; k < pairs; ++k)
            sum = _mm256_add_epi32(
                sum, _mm256_madd_epi16(
                         _mm256_load_si256(reinterpret_cast<const __m256i *>(&taken[2 * k])),
                         _mm256_set1_epi32(int(weights[k]))));
        return _mm256_srai_epi32(sum, weightBits);
    }

    // Four output pixels of both lines at a time.
    template <int Pairs>
    [[gnu::target("avx2")]] void scaleWide(uchar *out0, uchar *out1) const
    {
        const int to = int(m_filter.first.size());
        int x = 0;
        for (; x + 4 <= to; x += 4) {
            const __m256i levels = _mm256_packus_epi16(
                _mm256_packs_epi32(levelsWide<Pairs>(x), levelsWide<Pairs>(x + 1)),
                _mm256_packs_epi32(levelsWide<Pairs>(x + 2), levelsWide<Pairs>(x + 3)));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out0 + 4 * x),
                             _mm256_castsi256_si128(levels));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out1 + 4 * x),
                             _mm256_extracti128_si256(levels, 1));
        }
        for (; x < to; ++x) {
            const __m256i level = levelsWide<Pairs>(x);
            const __m256i levels = _mm256_packus_epi16(_mm256_packs_epi32(level, level), level);
            const int first = _mm_cvtsi128_si32(_mm256_castsi256_si128(levels));
            const int second = _mm_cvtsi128_si32(_mm256_extracti128_si256(levels, 1));
            std::memcpy(out0 + 4 * x, &first, sizeof first);
            std::memcpy(out1 + 4 * x, &second, sizeof second);
        }
    }

    // The pair at `j` of a line that went on with its end pixels `taps`
    // pixels beyond both ends.
    __m128i edge(const QRgb *pixels, int j) const
    {
        const auto at = [&](int i) {
            return _mm_cvtsi32_si128(int(pixels[std::clamp(i - m_filter.taps, 0, m_from - 1)]));
        };
        return _mm_unpacklo_epi8(_mm_unpacklo_epi8(at(j), at(j + 1)), _mm_setzero_si128());
    }

    // Each pixel of the line beside the next, as if the line went on with
    // its end pixels `taps` pixels beyond both ends; four at a time inside
    // the line.
    void pair(const QRgb *pixels)
    {
        const int taps = m_filter.taps;
        const int count = int(m_pairs.size());
        const __m128i zero = _mm_setzero_si128();
        int j = 0;
        for (; j < taps; ++j)
            m_pairs[size_t(j)].line[0] = edge(pixels, j);
        for (; j + 4 < taps + m_from; j += 4) {
            const QRgb *at = pixels + (j - taps);
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + 1));
            const __m128i low = _mm_unpacklo_epi8(a, b), high = _mm_unpackhi_epi8(a, b);
            m_pairs[size_t(j)].line[0] = _mm_unpacklo_epi8(low, zero);
            m_pairs[size_t(j) + 1].line[0] = _mm_unpackhi_epi8(low, zero);
            m_pairs[size_t(j) + 2].line[0] = _mm_unpacklo_epi8(high, zero);
            m_pairs[size_t(j) + 3].line[0] = _mm_unpackhi_epi8(high, zero);
        }
        for (; j < count; ++j)
            m_pairs[size_t(j)].line[0] = edge(pixels, j);
    }

    // Four pixels of each of two lines.
    [[gnu::target("avx2")]] static __m256i bothLines(const QRgb *first, const QRgb *second)
    {
        return _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(first))),
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(second)), 1);
    }

    // The same as pair() for two lines at once.
    [[gnu::target("avx2")]] void pairWide(const QRgb *first, const QRgb *second)
    {
        const int taps = m_filter.taps;
        const int count = int(m_pairs.size());
        const __m256i zero = _mm256_setzero_si256();
        int j = 0;
        for (; j < taps; ++j)
            m_pairs[size_t(j)] = {{edge(first, j), edge(second, j)}};
        for (; j + 4 < taps + m_from; j += 4) {
            const QRgb *a = first + (j - taps), *b = second + (j - taps);
            const __m256i p = bothLines(a, b), q = bothLines(a + 1, b + 1);
            const __m256i low = _mm256_unpacklo_epi8(p, q), high = _mm256_unpackhi_epi8(p, q);
            auto *to = reinterpret_cast<__m256i *>(&m_pairs[size_t(j)]);
            _mm256_store_si256(to, _mm256_unpacklo_epi8(low, zero));
            _mm256_store_si256(to + 1, _mm256_unpackhi_epi8(low, zero));
            _mm256_store_si256(to + 2, _mm256_unpacklo_epi8(high, zero));
            _mm256_store_si256(to + 3, _mm256_unpackhi_epi8(high, zero));
        }
        for (; j < count; ++j)
            m_pairs[size_t(j)] = {{edge(first, j), edge(second, j)}};
    }

    const AxisFilter &m_filter;
    int m_from;
    std::vector<PixelPairs> m_pairs;
};
#else
class LineScaler {
public:
    LineScaler(const AxisFilter &filter, int)
        : m_filter(filter)
    {
    }

    void scale(const uchar *in, uchar *out) const
    {
        const int *index = m_filter.index.data();
        const qint16 *weight = m_filter.weight.data();
        const int taps = m_filter.taps;
        for (int x = 0; x < int(m_filter.first.size());
             ++x, index += taps, weight += taps, out += 4) {
            int sum[4] = {0, 0, 0, 0};
            for (int k = 0; k < taps; ++k) {
                const uchar *p = in + 4 * index[k];
                for (int c = 0; c < 4; ++c)
                    sum[c] += int(weight[k]) * qint16(p[c]);
            }
            for (int c = 0; c < 4; ++c)
                out[c] = settle(sum[c]);
        }
    }

    void scale(const uchar *in0, const uchar *in1, uchar *out0, uchar *out1) const
    {
        scale(in0, out0);
        scale(in1, out1);
    }

private:
    const AxisFilter &m_filter;
};
#endif

// Lines are reduced in number before the pass along them, and added after
// it, so that the costlier pass along them has the fewer lines. The lines
// [from, to) of the result are worked out line by line, with only the few
// lines in between at hand, so that it takes no memory the size of a
// picture besides the result.
void scaleSmooth(const QImage &source, const PictureLines &result, const AxisFilter &across,
                 const AxisFilter &down, int from, int to)
{
    const int w = source.width();
    const int h = source.height();
    const int width = int(across.first.size());
    const int height = int(down.first.size());
    const int taps = down.taps;
    const bool widen = w != width;
    LineScaler scaler(across, w);
    std::vector<const uchar *> rows(static_cast<size_t>(taps));
    const auto blendDown = [&](int y, const auto &lineAt, uchar *out, int bytes) {
        for (int k = 0; k < taps; ++k)
            rows[size_t(k)] = lineAt(down.index[size_t(y) * taps + k]);
        blendLines(rows.data(), down, y, out, bytes);
    };
    if (h >= height) {
        std::vector<uchar> tall(size_t(w) * 4 * 2);
        for (int y = from; y < to; y += 2) {
            const int count = std::min(2, to - y);
            std::array<const uchar *, 2> lines{};
            for (int n = 0; n < count; ++n) {
                lines[size_t(n)] = source.constScanLine(y + n);
                if (h != height) {
                    uchar *tallLine = widen ? &tall[size_t(n) * size_t(w) * 4] : result[y + n];
                    blendDown(
                        y + n, [&](int row) { return source.constScanLine(row); }, tallLine, w * 4);
                    lines[size_t(n)] = tallLine;
                }
            }
            if (widen && count == 2)
                scaler.scale(lines[0], lines[1], result[y], result[y + 1]);
            else if (widen)
                scaler.scale(lines[0], result[y]);
        }
        return;
    }
    // The source lines brought to the new width, in a ring that holds all
    // that a line draws on and the line widened beside the last of them.
    const int ring = taps + 1;
    std::vector<uchar> wide(size_t(width) * 4 * size_t(ring));
    const auto slot = [&](int y) { return &wide[size_t(y % ring) * size_t(width) * 4]; };
    int ready = from < to ? down.index[size_t(from) * taps] : 0;
    for (int y = from; y < to; ++y) {
        const int last = down.index[size_t(y) * taps + taps - 1];
        for (; widen && ready <= last; ready += 2) {
            if (ready + 1 < h)
                scaler.scale(source.constScanLine(ready), source.constScanLine(ready + 1),
                             slot(ready), slot(ready + 1));
            else
                scaler.scale(source.constScanLine(ready), slot(ready));
        }
        blendDown(
            y, [&](int row) { return widen ? slot(row) : source.constScanLine(row); }, result[y],
            width * 4);
    }
}

void scaleNearest(const QImage &source, const PictureLines &result, QSize size, int from, int to)
{
    std::vector<int> columns(size_t(size.width()));
    for (int x = 0; x < size.width(); ++x)
        columns[x] = std::min(source.width() - 1, int((x + 0.5) * source.width() / size.width()));
    for (int y = from; y < to; ++y) {
        const int row =
            std::min(source.height() - 1, int((y + 0.5) * source.height() / size.height()));
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(row));
        auto *out = reinterpret_cast<QRgb *>(result[y]);
        for (int x = 0; x < size.width(); ++x)
            out[x] = in[columns[x]];
    }
}

} // namespace

QImage Resampler::scale(const QImage &source, QSize size, ScaleQuality quality, QImage spare)
{
    if (source.size() == size)
        return source;
    QImage result =
        spare.size() == size && spare.format() == QImage::Format_RGB32 && spare.isDetached()
            ? std::move(spare)
            : QImage(size, QImage::Format_RGB32);
    const PictureLines lines(result);
    if (quality == ScaleQuality::Fast) {
        inHalves(size.height(),
                 [&](int from, int to) { scaleNearest(source, lines, size, from, to); });
        return result;
    }
    const auto across = filterFor(source.width(), size.width(), quality);
    const auto down = filterFor(source.height(), size.height(), quality);
    inHalves(size.height(),
             [&](int from, int to) { scaleSmooth(source, lines, *across, *down, from, to); });
    return result;
}

} // namespace device
