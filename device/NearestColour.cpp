#include "device/NearestColour.h"

#include "device/WideVectors.h"

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

} // namespace

NearestColour::NearestColour(const QList<QRgb> &palette)
    : m_cells(size_t(1) << 16, unknown)
{
    for (int i = 0; i < palette.size(); ++i)
        m_entries[size_t(i)] = quint32(i) << 24 | (palette[i] & 0xffffff);
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

// Only colours no further from the region than the farthest point of the
// region is from some other colour can be the nearest to a point in it.
const std::vector<NearestColour::Candidate> &NearestColour::candidates(int region)
{
    std::vector<Candidate> &list = m_regions[size_t(region)];
    if (!list.empty())
        return list;
    const std::array<size_t, 3> span{size_t(region / (spans * spans)),
                                     size_t(region / spans % spans), size_t(region % spans)};
    const auto at = [&](Spans Reach::*part, size_t channel) {
        return (m_reach[channel].*part)[span[channel]].data();
    };
    const int *nearR = at(&Reach::nearest, 0), *nearG = at(&Reach::nearest, 1),
              *nearB = at(&Reach::nearest, 2);
    const int *farR = at(&Reach::farthest, 0), *farG = at(&Reach::farthest, 1),
              *farB = at(&Reach::farthest, 2);
    const int count = int(m_levels[0].size());
    std::array<int, 256> farthest, nearest;
    const int bound = addUp(farR, farG, farB, farthest.data(), count);
    addUp(nearR, nearG, nearB, nearest.data(), count);
    list.reserve(32);
    for (size_t i = 0; i < size_t(count); ++i) {
        if (nearest[i] <= bound)
            list.push_back(
                {m_levels[0][i], m_levels[1][i], m_levels[2][i], nearest[i], quint16(i)});
    }
    std::sort(list.begin(), list.end(),
              [](const Candidate &a, const Candidate &b) { return a.reach < b.reach; });
    return list;
}

quint16 NearestColour::index(int cell)
{
    quint16 &known = m_cells[size_t(cell)];
    if (known == unknown)
        known = search(cell);
    return known;
}

quint16 NearestColour::search(int cell)
{
    const int r = (cell >> 11) << 3 | 4;
    const int g = (cell >> 5 & 63) << 2 | 2;
    const int b = (cell & 31) << 3 | 4;
    int best = INT_MAX;
    quint16 found = 0;
    const int region = ((r / spanLevels) * spans + g / spanLevels) * spans + b / spanLevels;
    for (const Candidate &c : candidates(region)) {
        // The rest lie further from the whole region than the best so far.
        if (c.reach >= best)
            break;
        const int d = (c.r - r) * (c.r - r) + (c.g - g) * (c.g - g) + (c.b - b) * (c.b - b);
        if (d < best) {
            best = d;
            found = c.index;
        }
    }
    return found;
}

} // namespace device
