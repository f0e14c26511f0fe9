#include "device/Resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
    std::vector<double> raw(size_t(filter.taps));
    for (int i = 0; i < out; ++i) {
        const double centre = (i + 0.5) / scale - 0.5;
        const int first = int(std::floor(centre - support)) + 1;
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

// Both passes work on the four bytes of each pixel alike; the fourth, always
// 255, stays 255 since the weights sum to one. Taps come in pairs (planAxis
// gives an even count), so that one multiply-add of 16-bit lanes weighs two
// taps of all four channels at once, and saturating packs do the clamping.
#ifdef __SSE2__
void scaleLine(const uchar *in, uchar *out, int width, const AxisFilter &f)
{
    const int *index = f.index.data();
    const qint16 *weight = f.weight.data();
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(weightHalf);
    auto pixel = [in](int i) {
        int bytes;
        std::memcpy(&bytes, in + 4 * i, sizeof bytes);
        return _mm_cvtsi32_si128(bytes);
    };
    for (int x = 0; x < width; ++x, index += f.taps, weight += f.taps, out += 4) {
        __m128i sum = half;
        for (int k = 0; k < f.taps; k += 2) {
            const __m128i pair = _mm_unpacklo_epi8(pixel(index[k]), pixel(index[k + 1]));
            const __m128i weights = _mm_set1_epi32(int(quint16(weight[k])) |
                                                   int(quint32(quint16(weight[k + 1])) << 16));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi8(pair, zero), weights));
        }
        const __m128i levels = _mm_srai_epi32(sum, weightBits);
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(levels, levels), zero);
        const int packed = _mm_cvtsi128_si32(bytes);
        std::memcpy(out, &packed, sizeof packed);
    }
}
#else
void scaleLine(const uchar *in, uchar *out, int width, const AxisFilter &f)
{
    const int *index = f.index.data();
    const qint16 *weight = f.weight.data();
    for (int x = 0; x < width; ++x, index += f.taps, weight += f.taps, out += 4) {
        int sum[4] = {0, 0, 0, 0};
        for (int k = 0; k < f.taps; ++k) {
            const uchar *p = in + 4 * index[k];
            for (int c = 0; c < 4; ++c)
                sum[c] += int(weight[k]) * qint16(p[c]);
        }
        for (int c = 0; c < 4; ++c)
            out[c] = settle(sum[c]);
    }
}
#endif

QImage scaleWidth(const QImage &source, int width, ScaleQuality quality)
{
    const AxisFilter f = planAxis(source.width(), width, quality);
    QImage result(width, source.height(), QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        scaleLine(source.constScanLine(y), result.scanLine(y), width, f);
    return result;
}

// One output line of the pass across lines: every byte weighs the same byte
// of the input lines `rows`.
void blendLines(const uchar *const *rows, const qint16 *weight, int taps, uchar *out, int bytes)
{
    int i = 0;
#ifdef __SSE2__
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

QImage scaleHeight(const QImage &source, int height, ScaleQuality quality)
{
    const AxisFilter f = planAxis(source.height(), height, quality);
    QImage result(source.width(), height, QImage::Format_RGB32);
    std::vector<const uchar *> rows(size_t(f.taps));
    for (int y = 0; y < height; ++y) {
        for (int k = 0; k < f.taps; ++k)
            rows[size_t(k)] = source.constScanLine(f.index[size_t(y) * f.taps + k]);
        blendLines(rows.data(), &f.weight[size_t(y) * f.taps], f.taps, result.scanLine(y),
                   source.width() * 4);
    }
    return result;
}

QImage scaleNearest(const QImage &source, QSize size)
{
    std::vector<int> columns(size_t(size.width()));
    for (int x = 0; x < size.width(); ++x)
        columns[x] = std::min(source.width() - 1, int((x + 0.5) * source.width() / size.width()));
    QImage result(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const int row =
            std::min(source.height() - 1, int((y + 0.5) * source.height() / size.height()));
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(row));
        auto *out = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            out[x] = in[columns[x]];
    }
    return result;
}

} // namespace

QImage Resampler::scale(const QImage &source, QSize size, ScaleQuality quality)
{
    if (source.size() == size)
        return source;
    if (quality == ScaleQuality::Fast)
        return scaleNearest(source, size);
    // Reducing the height first leaves fewer lines for the costlier pass
    // along each line.
    const QImage tall =
        source.height() > size.height() ? scaleHeight(source, size.height(), quality) : source;
    const QImage wide =
        tall.width() == size.width() ? tall : scaleWidth(tall, size.width(), quality);
    return wide.height() == size.height() ? wide : scaleHeight(wide, size.height(), quality);
}

} // namespace device
