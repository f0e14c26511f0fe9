#include "device/NearestColour.h"

#include "device/VectorPaths.h"

#include <algorithm>
#include <climits>

namespace device {

namespace {

// The sums of three distances for each palette colour, and the least of
// them.
LUMIVANE_WIDE_VECTORS
int addUp(const int *r, const int *g, const int *b, int *sums, int count)
{
    int least = INT_MAX;
    for (int i = 0; i < count; ++i) {
        sums[i] = r[i] + g[i] + b[i];
        least = std::min(least, sums[i]);
    }
    return least;
}

// Where the colour (r, g, b) lies nearer than the best so far to one of the
// colours given by `red`, `green` and `blue`, it becomes the best, with its
// palette index.
LUMIVANE_WIDE_VECTORS
void keepNearer(const int *red, const int *green, const int *blue, int count, int r, int g, int b,
                int index, int *best, int *found)
{
    for (int i = 0; i < count; ++i) {
        const int d = (red[i] - r) * (red[i] - r) + (green[i] - g) * (green[i] - g) +
                      (blue[i] - b) * (blue[i] - b);
        found[i] = d < best[i] ? index : found[i];
        best[i] = std::min(d, best[i]);
    }
}

} // namespace

NearestColour::NearestColour(const QList<QRgb> &palette)
    : m_cells(std::make_unique<std::atomic<quint16>[]>(size_t(1) << 16))
{
    for (size_t cell = 0; cell < size_t(1) << 16; ++cell)
        m_cells[cell].store(unknown, std::memory_order_relaxed);
    std::copy(palette.begin(), palette.end(), m_colours.begin());
    for (QRgb colour : palette) {
        m_levels[0].push_back(qRed(colour));
        m_levels[1].push_back(qGreen(colour));
        m_levels[2].push_back(qBlue(colour));
    }
    for (int channel = 0; channel < 3; ++channel) {
        for (int span = 0; span < spans; ++span) {
            const int low = span * spanLevels;
            const int high = low + spanLevels - 1;
            for (int level : m_levels[size_t(channel)]) {
                const int inside = std::clamp(level, low, high);
                const int far = std::max(level - low, high - level);
                m_reach[size_t(channel)].nearest[size_t(span)].push_back((level - inside) *
                                                                         (level - inside));
                m_reach[size_t(channel)].farthest[size_t(span)].push_back(far * far);
            }
        }
    }
}

quint16 NearestColour::index(int cell)
{
    if (knownIndex(cell) == unknown)
        fill(cell);
    return knownIndex(cell);
}

// Only colours no further from the region than the farthest point of the
// region is from some other colour can be the nearest to a point in it.
// They are measured against the middles of all the region's cells side by
// side, which costs less than looking for the cells one by one.
void NearestColour::fill(int cell)
{
    const std::array<int, 3> span{(cell >> 11) * 8 / spanLevels, (cell >> 5 & 63) * 4 / spanLevels,
                                  (cell & 31) * 8 / spanLevels};
    const auto at = [&](Spans Reach::*part, size_t channel) {
        return (m_reach[channel].*part)[size_t(span[channel])].data();
    };
    const int count = int(m_levels[0].size());
    std::array<int, 256> farthest, nearest;
    const int bound = addUp(at(&Reach::farthest, 0), at(&Reach::farthest, 1),
                            at(&Reach::farthest, 2), farthest.data(), count);
    addUp(at(&Reach::nearest, 0), at(&Reach::nearest, 1), at(&Reach::nearest, 2), nearest.data(),
          count);

    // The middles of the region's cells: red and blue in steps of 8, green
    // in steps of 4.
    constexpr int reds = spanLevels / 8, greens = spanLevels / 4, blues = spanLevels / 8;
    constexpr int cells = reds * greens * blues;
    std::array<int, cells> red, green, blue, best, found;
    for (int i = 0; i < cells; ++i) {
        red[size_t(i)] = span[0] * spanLevels + i / (greens * blues) * 8 + 4;
        green[size_t(i)] = span[1] * spanLevels + i / blues % greens * 4 + 2;
        blue[size_t(i)] = span[2] * spanLevels + i % blues * 8 + 4;
    }
    best.fill(INT_MAX);
    found.fill(0);
    for (int k = 0; k < count; ++k) {
        if (nearest[size_t(k)] <= bound)
            keepNearer(red.data(), green.data(), blue.data(), cells, m_levels[0][size_t(k)],
                       m_levels[1][size_t(k)], m_levels[2][size_t(k)], k, best.data(),
                       found.data());
    }
    for (int i = 0; i < cells; ++i)
        m_cells[size_t(NearestColour::cell(red[size_t(i)], green[size_t(i)], blue[size_t(i)]))]
            .store(quint16(found[size_t(i)]), std::memory_order_relaxed);
}

} // namespace device
