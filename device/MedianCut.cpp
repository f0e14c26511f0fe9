#include "device/MedianCut.h"

#include "device/Halves.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace device {

namespace {

// The picture's colours are counted in cells of 8 x 8 x 8 levels; each cell
// keeps the sums of its colours, so the palette's means are those of the
// colours themselves.
constexpr int cellBits = 5;

// One cell that holds colours: its own mean level in each channel, and its
// count and sums.
struct Colour {
    std::array<quint8, 3> level;
    quint32 count;
    std::array<quint32, 3> sum;
};

// What a group of cells adds up to: enough to give its mean colour and how
// far its levels scatter, and to give those of one half from the other's.
struct Totals {
    qint64 population = 0;
    std::array<qint64, 3> sum{}, levels{}, squares{};

    Totals operator-(const Totals &o) const
    {
        Totals t{population - o.population};
        for (size_t c = 0; c < 3; ++c) {
            t.sum[c] = sum[c] - o.sum[c];
            t.levels[c] = levels[c] - o.levels[c];
            t.squares[c] = squares[c] - o.squares[c];
        }
        return t;
    }
};

// A group of cells: the span [begin, end) of the cell list.
struct Box {
    size_t begin = 0;
    size_t end = 0;
    Totals totals;
    int widest = 0;
    // How much the levels scatter along the widest channel, weighted by
    // population: the box that scatters most is split next.
    double scatter = 0;
};

Totals add(const std::vector<Colour> &colours, size_t begin, size_t end)
{
    Totals t;
    for (size_t i = begin; i < end; ++i) {
        const Colour &colour = colours[i];
        t.population += colour.count;
        for (size_t c = 0; c < 3; ++c) {
            const qint64 v = colour.level[c];
            t.sum[c] += colour.sum[c];
            t.levels[c] += v * colour.count;
            t.squares[c] += v * v * colour.count;
        }
    }
    return t;
}

Box boxOf(size_t begin, size_t end, const Totals &t)
{
    Box box{begin, end, t};
    for (int c = 0; c < 3; ++c) {
        // The population squared times the variance, exactly: nought when
        // all the levels are the same.
        const qint64 spread =
            t.population * t.squares[size_t(c)] - t.levels[size_t(c)] * t.levels[size_t(c)];
        const double scatter = double(spread) / double(t.population);
        if (spread > 0 && scatter > box.scatter) {
            box.scatter = scatter;
            box.widest = c;
        }
    }
    return box;
}

// The count of each cell's colours and their sums.
using CellCounts = std::array<quint32, 4>;
// The cells a half of the picture filled, in the order of their numbers.
using FilledCells = std::vector<std::pair<quint32, CellCounts>>;

// Each channel's cell number spread over every third bit, so that cells of
// similar colours lie close together in memory.
constexpr std::array<quint32, 256> spreadLevels()
{
    std::array<quint32, 256> spread{};
    for (int level = 0; level < 256; ++level)
        for (int bit = 0; bit < cellBits; ++bit)
            spread[size_t(level)] |= quint32((level >> (8 - cellBits + bit)) & 1) << (3 * bit);
    return spread;
}

// Counts the colours of the lines [from, to). Large pictures are sampled on
// every other line, at every fourth pixel, two pixels on from one sampled
// line to the next, which leaves the palette the same to the eye at an
// eighth of the cost. The half then picks out the cells it filled, and
// empties them again, so that only those are put together afterwards.
FilledCells countCells(const QImage &picture, int from, int to)
{
    static constexpr std::array<quint32, 256> spread = spreadLevels();
    const int w = picture.width();
    const bool sampled = w * picture.height() > 100'000;
    const int lineStep = sampled ? 2 : 1;
    const int pixelStep = sampled ? 4 : 1;
    // Each thread counts in cells of its own, kept empty between pictures:
    // the cells take more work to empty, or to find fresh memory for, than
    // counting a picture's colours in them.
    thread_local std::vector<CellCounts> counts(size_t(1) << (3 * cellBits));
    for (int y = from + (sampled ? from % 2 : 0); y < to; y += lineStep) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = sampled ? y % 4 : 0; x < w; x += pixelStep) {
            const quint32 r = quint32(qRed(line[x])), g = quint32(qGreen(line[x])),
                          b = quint32(qBlue(line[x]));
            auto &cell = counts[spread[r] << 2 | spread[g] << 1 | spread[b]];
            cell[0] += 1;
            cell[1] += r;
            cell[2] += g;
            cell[3] += b;
        }
    }
    FilledCells filled;
    for (quint32 i = 0; i < counts.size(); ++i) {
        if (counts[i][0] != 0) {
            filled.push_back({i, counts[i]});
            counts[i] = {};
        }
    }
    return filled;
}

// The cells of the picture's colours, each half of its lines counted on its
// own. The upper half has no lines in a picture of one line.
std::vector<Colour> distinctColours(const QImage &picture)
{
    const int h = picture.height();
    std::array<FilledCells, 2> halves;
    inHalves(h, [&](int from, int to) { halves[to == h] = countCells(picture, from, to); });
    const auto &[upper, lower] = halves;
    std::vector<Colour> colours;
    colours.reserve(std::max(upper.size(), lower.size()));
    for (size_t i = 0, j = 0; i < upper.size() || j < lower.size();) {
        const quint32 none = quint32(1) << (3 * cellBits);
        const quint32 upperCell = i < upper.size() ? upper[i].first : none;
        const quint32 lowerCell = j < lower.size() ? lower[j].first : none;
        CellCounts cell{};
        const auto take = [&](const CellCounts &counts) {
            for (size_t k = 0; k < 4; ++k)
                cell[k] += counts[k];
        };
        if (upperCell <= lowerCell)
            take(upper[i++].second);
        if (lowerCell <= upperCell)
            take(lower[j++].second);
        const quint32 count = cell[0];
        const auto level = [count](quint32 sum) { return quint8((sum + count / 2) / count); };
        colours.push_back(
            {{level(cell[1]), level(cell[2]), level(cell[3])}, count, {cell[1], cell[2], cell[3]}});
    }
    return colours;
}

// Splits at the population median of the widest channel, so that both
// halves hold colours.
size_t splitPoint(std::vector<Colour> &colours, const Box &box)
{
    const size_t c = size_t(box.widest);
    std::array<qint64, 256> counts{};
    int low = 255, high = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
        const int v = colours[i].level[c];
        counts[size_t(v)] += colours[i].count;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    int median = low;
    qint64 below = counts[size_t(low)];
    while (median < high - 1 && 2 * below < box.totals.population) {
        ++median;
        below += counts[size_t(median)];
    }
    const auto middle =
        std::partition(colours.begin() + long(box.begin), colours.begin() + long(box.end),
                       [&](const Colour &colour) { return colour.level[c] <= median; });
    return size_t(middle - colours.begin());
}

} // namespace

QList<QRgb> MedianCut::palette(const QImage &picture, int count)
{
    std::vector<Colour> colours = distinctColours(picture);
    if (colours.empty())
        return {};
    std::vector<Box> boxes{boxOf(0, colours.size(), add(colours, 0, colours.size()))};
    while (int(boxes.size()) < count) {
        const auto next =
            std::max_element(boxes.begin(), boxes.end(),
                             [](const Box &a, const Box &b) { return a.scatter < b.scatter; });
        if (next->scatter <= 0)
            break;
        const Box box = *next;
        const size_t middle = splitPoint(colours, box);
        // Only the smaller half is added up; the other is what is left.
        const bool lowerSmaller = middle - box.begin <= box.end - middle;
        const Totals part =
            lowerSmaller ? add(colours, box.begin, middle) : add(colours, middle, box.end);
        const Totals rest = box.totals - part;
        *next = boxOf(box.begin, middle, lowerSmaller ? part : rest);
        boxes.push_back(boxOf(middle, box.end, lowerSmaller ? rest : part));
    }
    QList<QRgb> palette;
    palette.reserve(qsizetype(boxes.size()));
    for (const Box &box : boxes) {
        auto mean = [&](size_t c) {
            return int(std::lround(double(box.totals.sum[c]) / double(box.totals.population)));
        };
        palette.append(qRgb(mean(0), mean(1), mean(2)));
    }
    return palette;
}

} // namespace device
