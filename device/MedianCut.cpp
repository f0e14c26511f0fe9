#include "device/MedianCut.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace device {

namespace {

struct Colour {
    QRgb rgb;
    quint32 count;
};

inline int channelOf(QRgb c, int channel)
{
    return int((c >> (16 - 8 * channel)) & 0xff);
}

// A group of distinct colours: the span [begin, end) of the colour list.
struct Box {
    size_t begin = 0;
    size_t end = 0;
    double population = 0;
    std::array<double, 3> sum{};
    int widest = 0;
    // How much the colours scatter along the widest channel, weighted by
    // population: the box that scatters most is split next.
    double scatter = 0;
};

Box measure(const std::vector<Colour> &colours, size_t begin, size_t end)
{
    Box box{begin, end};
    std::array<double, 3> squares{};
    std::array<int, 3> low{255, 255, 255};
    std::array<int, 3> high{0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
        for (int c = 0; c < 3; ++c) {
            const int v = channelOf(colours[i].rgb, c);
            box.sum[c] += double(v) * colours[i].count;
            squares[c] += double(v) * v * colours[i].count;
            low[c] = std::min(low[c], v);
            high[c] = std::max(high[c], v);
        }
        box.population += colours[i].count;
    }
    for (int c = 0; c < 3; ++c) {
        if (low[c] == high[c])
            continue;
        const double scatter = std::max(squares[c] - box.sum[c] * box.sum[c] / box.population, 1.0);
        if (scatter > box.scatter) {
            box.scatter = scatter;
            box.widest = c;
        }
    }
    return box;
}

// The distinct colours of the picture with their counts. Large pictures are
// sampled on every other line and column, which leaves the palette the same
// to the eye at a quarter of the cost.
std::vector<Colour> distinctColours(const QImage &picture)
{
    const int step = picture.width() * picture.height() > 100'000 ? 2 : 1;
    std::vector<quint32> keys;
    keys.reserve(size_t(picture.width() / step + 1) * size_t(picture.height() / step + 1));
    for (int y = 0; y < picture.height(); y += step) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); x += step)
            keys.push_back(line[x] & 0xffffff);
    }
    // Radix sort on the three bytes brings equal colours together.
    std::vector<quint32> sorted(keys.size());
    for (int shift = 0; shift < 24; shift += 8) {
        std::array<size_t, 257> offsets{};
        for (quint32 k : keys)
            ++offsets[((k >> shift) & 0xff) + 1];
        for (int i = 0; i < 256; ++i)
            offsets[i + 1] += offsets[i];
        for (quint32 k : keys)
            sorted[offsets[(k >> shift) & 0xff]++] = k;
        keys.swap(sorted);
    }
    std::vector<Colour> colours;
    for (size_t i = 0; i < keys.size();) {
        size_t j = i;
        while (j < keys.size() && keys[j] == keys[i])
            ++j;
        colours.push_back({keys[i], quint32(j - i)});
        i = j;
    }
    return colours;
}

// Splits at the population median of the widest channel, so that both
// halves hold colours.
size_t splitPoint(std::vector<Colour> &colours, const Box &box)
{
    std::array<double, 256> counts{};
    int low = 255, high = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
        const int v = channelOf(colours[i].rgb, box.widest);
        counts[v] += colours[i].count;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    int median = low;
    double below = counts[low];
    while (median < high - 1 && below < box.population / 2) {
        ++median;
        below += counts[median];
    }
    const auto middle =
        std::partition(colours.begin() + long(box.begin), colours.begin() + long(box.end),
                       [&](const Colour &c) { return channelOf(c.rgb, box.widest) <= median; });
    return size_t(middle - colours.begin());
}

} // namespace

QList<QRgb> MedianCut::palette(const QImage &picture, int count)
{
    std::vector<Colour> colours = distinctColours(picture);
    if (colours.empty())
        return {};
    std::vector<Box> boxes{measure(colours, 0, colours.size())};
    while (int(boxes.size()) < count) {
        const auto next =
            std::max_element(boxes.begin(), boxes.end(),
                             [](const Box &a, const Box &b) { return a.scatter < b.scatter; });
        if (next->scatter <= 0)
            break;
        const Box box = *next;
        const size_t middle = splitPoint(colours, box);
        *next = measure(colours, box.begin, middle);
        boxes.push_back(measure(colours, middle, box.end));
    }
    QList<QRgb> palette;
    palette.reserve(qsizetype(boxes.size()));
    for (const Box &box : boxes) {
        auto mean = [&](int c) { return int(std::lround(box.sum[c] / box.population)); };
        palette.append(qRgb(mean(0), mean(1), mean(2)));
    }
    return palette;
}

} // namespace device
