#include "device/Resampler.h"

#include <algorithm>
#include <cmath>
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
    filter.taps = int(std::ceil(2.0 * support));
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
// 255, stays 255 since the weights sum to one. The common tap counts get
// their own copies of the loop, which the compiler can unroll.
template <int FixedTaps>
void scaleLine(const uchar *in, uchar *out, int width, const AxisFilter &f)
{
    const int taps = FixedTaps > 0 ? FixedTaps : f.taps;
    const int *index = f.index.data();
    const qint16 *weight = f.weight.data();
    for (int x = 0; x < width; ++x, index += taps, weight += taps, out += 4) {
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

QImage scaleWidth(const QImage &source, int width, ScaleQuality quality)
{
    const AxisFilter f = planAxis(source.width(), width, quality);
    const auto line = f.taps == 2 ? scaleLine<2> : f.taps == 4 ? scaleLine<4> : scaleLine<0>;
    QImage result(width, source.height(), QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        line(source.constScanLine(y), result.scanLine(y), width, f);
    return result;
}

QImage scaleHeight(const QImage &source, int height, ScaleQuality quality)
{
    const AxisFilter f = planAxis(source.height(), height, quality);
    const int bytes = source.width() * 4;
    QImage result(source.width(), height, QImage::Format_RGB32);
    std::vector<int> sums(static_cast<size_t>(bytes));
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int k = 0; k < f.taps; ++k) {
            const qint16 weight = f.weight[size_t(y) * f.taps + k];
            if (weight == 0)
                continue;
            const uchar *in = source.constScanLine(f.index[size_t(y) * f.taps + k]);
            int *sum = sums.data();
            for (int i = 0; i < bytes; ++i)
                sum[i] += int(weight) * qint16(in[i]);
        }
        uchar *out = result.scanLine(y);
        for (int i = 0; i < bytes; ++i)
            out[i] = settle(sums[size_t(i)]);
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
