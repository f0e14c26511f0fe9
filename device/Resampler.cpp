#include "device/Resampler.h"

#include "device/Halves.h"
#include "device/VectorPaths.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
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
    return filter;
}

inline uchar settle(int sum)
{
    return uchar(std::clamp((sum + weightHalf) >> weightBits, 0, 255));
}

// One output line of the pass across lines: every byte weighs the same byte
// of the input lines `rows`.
void blendLines(const uchar *const *rows, const qint16 *weight, int taps, uchar *out, int bytes)
{
    int i = 0;
#if LUMIVANE_X86_VECTORS
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(weightHalf);
    for (; i + 16 <= bytes; i += 16) {
        __m128i sum[4] = {half, half, half, half};
        for (int k = 0; k < taps; k += 2) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[k] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(rows[k + 1] + i));
            const __m128i weights = _mm_set1_epi32(int(quint16(weight[k])) |
                                                   int(quint32(quint16(weight[k + 1])) << 16));
            const __m128i low = _mm_unpacklo_epi8(a, b);
            const __m128i high = _mm_unpackhi_epi8(a, b);
            const __m128i lanes[4] = {_mm_unpacklo_epi8(low, zero), _mm_unpackhi_epi8(low, zero),
                                      _mm_unpacklo_epi8(high, zero), _mm_unpackhi_epi8(high, zero)};
            for (int j = 0; j < 4; ++j)
                sum[j] = _mm_add_epi32(sum[j], _mm_madd_epi16(lanes[j], weights));
        }
        for (__m128i &part : sum)
            part = _mm_srai_epi32(part, weightBits);
        const __m128i levels =
            _mm_packus_epi16(_mm_packs_epi32(sum[0], sum[1]), _mm_packs_epi32(sum[2], sum[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), levels);
    }
#endif
    for (; i < bytes; ++i) {
        int sum = 0;
        for (int k = 0; k < taps; ++k)
            sum += int(weight[k]) * rows[k][i];
        out[i] = settle(sum);
    }
}

// Both passes work on the four bytes of each pixel alike; the fourth, always
// 255, stays 255 since the weights sum to one. Taps come in pairs (planAxis
// gives an even count), so that one multiply-add of 16-bit lanes weighs two
// taps of all four channels at once, and saturating packs do the clamping.
#if LUMIVANE_X86_VECTORS
// The pass along a line reads the line with its end pixels repeated beyond
// its ends, so that the taps of every output pixel lie side by side and each
// pair of them comes in one load.
class LineScaler {
public:
    LineScaler(int from, int to, ScaleQuality quality)
        : m_filter(planAxis(from, to, quality))
        , m_from(from)
        , m_to(to)
        , m_padded(size_t(from + 2 * m_filter.taps))
    {
        const int taps = m_filter.taps;
        // Each pair of weights side by side in 16-bit lanes, four times over.
        for (size_t i = 0; i < m_filter.weight.size(); i += 2) {
            const quint32 pair =
                quint16(m_filter.weight[i]) | quint32(quint16(m_filter.weight[i + 1])) << 16;
            m_weights.push_back({pair, pair, pair, pair});
        }
        for (int &first : m_filter.first)
            first += taps;
    }

    void scale(const uchar *in, uchar *out)
    {
        const int taps = m_filter.taps;
        const auto *pixels = reinterpret_cast<const QRgb *>(in);
        std::fill_n(m_padded.begin(), taps, pixels[0]);
        std::copy_n(pixels, m_from, m_padded.begin() + taps);
        std::fill_n(m_padded.begin() + taps + m_from, taps, pixels[m_from - 1]);
        // The usual counts of taps, enlarging, are worked out with their
        // loops unrolled.
        switch (taps) {
        case 2: scaleWith<1>(out); break;
        case 4: scaleWith<2>(out); break;
        default: scaleWith<0>(out); break;
        }
    }

private:
    // `Pairs` is the number of pairs of taps, or 0 for the filter's own.
    template <int Pairs>
    void scaleWith(uchar *out) const
    {
        const int pairs = Pairs > 0 ? Pairs : m_filter.taps / 2;
        const __m128i zero = _mm_setzero_si128();
        const __m128i half = _mm_set1_epi32(weightHalf);
        const auto level = [&](int x) {
            const QRgb *taken = &m_padded[size_t(m_filter.first[size_t(x)])];
            const auto *weights = &m_weights[size_t(x) * size_t(pairs)];
            __m128i sum = half;
            for (int k = 0; k < pairs; ++k) {
                const __m128i two =
                    _mm_loadl_epi64(reinterpret_cast<const __m128i *>(taken + 2 * k));
                const __m128i pair = _mm_unpacklo_epi8(two, _mm_srli_si128(two, 4));
                const __m128i w =
                    _mm_loadu_si128(reinterpret_cast<const __m128i *>(weights[k].data()));
                sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi8(pair, zero), w));
            }
            return _mm_srai_epi32(sum, weightBits);
        };
        int x = 0;
        for (; x + 2 <= m_to; x += 2) {
            const __m128i a = level(x);
            const __m128i levels = _mm_packs_epi32(a, level(x + 1));
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 4 * x),
                             _mm_packus_epi16(levels, zero));
        }
        if (x < m_to) {
            const __m128i levels = _mm_packs_epi32(level(x), zero);
            const int packed = _mm_cvtsi128_si32(_mm_packus_epi16(levels, zero));
            std::memcpy(out + 4 * x, &packed, sizeof packed);
        }
    }

    AxisFilter m_filter;
    int m_from;
    int m_to;
    std::vector<QRgb> m_padded;
    std::vector<std::array<quint32, 4>> m_weights;
};
#else
class LineScaler {
public:
    LineScaler(int from, int to, ScaleQuality quality)
        : m_filter(planAxis(from, to, quality))
        , m_to(to)
    {
    }

    void scale(const uchar *in, uchar *out) const
    {
        const int *index = m_filter.index.data();
        const qint16 *weight = m_filter.weight.data();
        const int taps = m_filter.taps;
        for (int x = 0; x < m_to; ++x, index += taps, weight += taps, out += 4) {
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

private:
    AxisFilter m_filter;
    int m_to;
};
#endif

// Lines are reduced in number before the pass along them, and added after
// it, so that the costlier pass along them has the fewer lines. The lines
// [from, to) of the result are worked out line by line, with only the few
// lines in between at hand, so that it takes no memory the size of a
// picture besides the result.
void scaleSmooth(const QImage &source, const PictureLines &result, QSize size, int from, int to,
                 ScaleQuality quality)
{
    const int w = source.width();
    const int h = source.height();
    const int width = size.width();
    const AxisFilter down = planAxis(h, size.height(), quality);
    const int taps = down.taps;
    const bool widen = w != width;
    LineScaler across(w, width, quality);
    std::vector<const uchar *> rows(static_cast<size_t>(taps));
    const auto blendDown = [&](int y, const auto &lineAt, uchar *out, int bytes) {
        for (int k = 0; k < taps; ++k)
            rows[size_t(k)] = lineAt(down.index[size_t(y) * taps + k]);
        blendLines(rows.data(), &down.weight[size_t(y) * taps], taps, out, bytes);
    };
    if (h >= size.height()) {
        std::vector<uchar> tall(size_t(w) * 4);
        for (int y = from; y < to; ++y) {
            uchar *out = result[y];
            const uchar *line = source.constScanLine(y);
            if (h != size.height()) {
                uchar *tallLine = widen ? tall.data() : out;
                blendDown(
                    y, [&](int row) { return source.constScanLine(row); }, tallLine, w * 4);
                line = tallLine;
            }
            if (widen)
                across.scale(line, out);
        }
        return;
    }
    // The source lines brought to the new width, in a ring that holds all
    // that a line draws on.
    const int ring = taps + 1;
    std::vector<uchar> wide(size_t(width) * 4 * size_t(ring));
    const auto slot = [&](int y) { return &wide[size_t(y % ring) * size_t(width) * 4]; };
    int ready = from < to ? down.index[size_t(from) * taps] : 0;
    for (int y = from; y < to; ++y) {
        const int last = down.index[size_t(y) * taps + taps - 1];
        for (; widen && ready <= last; ++ready)
            across.scale(source.constScanLine(ready), slot(ready));
        blendDown(
            y, [&](int row) { return widen ? slot(row) : source.constScanLine(row); }, result[y],
            width * 4);
    }
}

void scaleNearest(const QImage &source, QImage &result)
{
    const QSize size = result.size();
    std::vector<int> columns(size_t(size.width()));
    for (int x = 0; x < size.width(); ++x)
        columns[x] = std::min(source.width() - 1, int((x + 0.5) * source.width() / size.width()));
    for (int y = 0; y < size.height(); ++y) {
        const int row =
            std::min(source.height() - 1, int((y + 0.5) * source.height() / size.height()));
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(row));
        auto *out = reinterpret_cast<QRgb *>(result.scanLine(y));
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
    if (quality == ScaleQuality::Fast) {
        scaleNearest(source, result);
        return result;
    }
    const PictureLines lines(result);
    inHalves(size.height(),
             [&](int from, int to) { scaleSmooth(source, lines, size, from, to, quality); });
    return result;
}

} // namespace device
