#include "device/NearestColour.h"

#include "device/VectorPaths.h"

#include <algorithm>
#include <climits>
#include <span>

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

// The cells of a cube of `Levels` levels a side, numbered from its first
// corner: the levels of their middles, red and blue in steps of 8 and green
// in steps of 4, and their cell numbers.
template <int Levels>
struct Region {
    static constexpr int cells = Levels / 8 * (Levels / 4) * (Levels / 8);
    std::array<int, cells> red{}, green{}, blue{}, cell{};

    constexpr Region()
    {
        constexpr int greens = Levels / 4, blues = Levels / 8;
        for (size_t i = 0; i < cells; ++i) {
            red[i] = int(i) / (greens * blues) * 8 + 4;
            green[i] = int(i) / blues % greens * 4 + 2;
            blue[i] = int(i) % blues * 8 + 4;
            cell[i] = NearestColour::cell(red[i], green[i], blue[i]);
        }
    }
};

// Where the colour (r, g, b) lies nearer than the best so far to one of
// `cells` middles, it becomes the best, with its index `k`.
LUMIVANE_WIDE_VECTORS
void keepNearer(const int *red, const int *green, const int *blue, int cells, int r, int g, int b,
                int k, int *best, int *found)
{
    for (int i = 0; i < cells; ++i) {
        const int d = (red[i] - r) * (red[i] - r) + (green[i] - g) * (green[i] - g) +
                      (blue[i] - b) * (blue[i] - b);
        found[i] = d < best[i] ? k : found[i];
        best[i] = std::min(d, best[i]);
    }
}

} // namespace

NearestColour::NearestColour(const QList<QRgb> &palette)
    : m_count(int(palette.size()))
    , m_unknownEntry(~palette.front() & 0xffffff)
    , m_cells(size_t(1) << 16, m_unknownEntry)
{
    std::copy(palette.begin(), palette.end(), m_colours.begin());
    for (int k = 0; k < m_count; ++k) {
        const QRgb colour = m_colours[size_t(k)];
        m_levels[0][size_t(k)] = qRed(colour);
        m_levels[1][size_t(k)] = qGreen(colour);
        m_levels[2][size_t(k)] = qBlue(colour);
        m_entries[size_t(k)] = quint32(k) << 24 | (colour & 0xffffff);
    }
    for (size_t channel = 0; channel < 3; ++channel) {
        // Only the cells' middles are looked for: 4 levels in from the
        // span's ends in red and blue, 2 in green.
        const int margin = channel == 1 ? 2 : 4;
        for (size_t span = 0; span < spans; ++span) {
            const int low = int(span) * spanLevels + margin;
            const int high = int(span + 1) * spanLevels - margin;
            for (size_t k = 0; k < size_t(m_count); ++k) {
                const int level = m_levels[channel][k];
                const int inside = std::clamp(level, low, high);
                const int far = std::max(level - low, high - level);
                m_reach[channel].nearest[span][k] = (level - inside) * (level - inside);
                m_reach[channel].farthest[span][k] = far * far;
            }
        }
    }
}

// Only colours no further from the region than the farthest point of the
// region is from some other colour can be the nearest to a point in it; the
// region here is the box around the middles of its cells.
// They are measured against the middles of all the region's cells side by
// side, which costs less than looking for the cells one by one.
void NearestColour::fill(int cell)
{
    const std::array<int, 3> span{(cell >> 11) * 8 / spanLevels, (cell >> 5 & 63) * 4 / spanLevels,
                                  (cell & 31) * 8 / spanLevels};
    const auto at = [&](Spans Reach::*part, size_t channel) {
        return (m_reach[channel].*part)[size_t(span[channel])].data();
    };
    std::array<int, 256> farthest, nearest;
    const int bound = addUp(at(&Reach::farthest, 0), at(&Reach::farthest, 1),
                            at(&Reach::farthest, 2), farthest.data(), m_count);
    addUp(at(&Reach::nearest, 0), at(&Reach::nearest, 1), at(&Reach::nearest, 2), nearest.data(),
          m_count);

    // Only the candidates are measured, against the middles from the
    // region's first corner.
    std::array<int, 256> candidates;
    int n = 0;
    for (int k = 0; k < m_count; ++k) {
        candidates[size_t(n)] = k;
        n += nearest[size_t(k)] <= bound;
    }
    static constexpr Region<spanLevels> region;
    std::array<int, region.cells> best, found;
    best.fill(INT_MAX);
    found.fill(0);
    for (const int k : std::span(candidates.data(), size_t(n)))
        keepNearer(region.red.data(), region.green.data(), region.blue.data(), region.cells,
                   m_levels[0][size_t(k)] - span[0] * spanLevels,
                   m_levels[1][size_t(k)] - span[1] * spanLevels,
                   m_levels[2][size_t(k)] - span[2] * spanLevels, k, best.data(), found.data());
    const int corner =
        NearestColour::cell(span[0] * spanLevels, span[1] * spanLevels, span[2] * spanLevels);
    for (size_t i = 0; i < region.cells; ++i)
        slot(corner + region.cell[i]).store(m_entries[size_t(found[i])], std::memory_order_relaxed);
}

} // namespace device
