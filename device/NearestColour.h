#pragma once

// Finds the palette colour nearest to a colour, remembering the answer for
// each cell of 8 x 4 x 8 levels of red, green and blue (the eye sees green
// steps best), since a picture asks about the same colours many times.
// Any number of threads may ask at once.

#include <QList>
#include <QRgb>

#include <array>
#include <atomic>
#include <memory>
#include <vector>

namespace device {

class NearestColour {
public:
    // `palette` has 1 to 256 entries.
    explicit NearestColour(const QList<QRgb> &palette);

    // The cell of a colour whose levels are 0 to 255.
    static int cell(int r, int g, int b) { return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3); }

    // The index of the palette colour nearest to the middle of `cell`,
    // worked out the first time it is asked for.
    quint16 index(int cell);
    // The same when it has been worked out before, and `unknown` when not:
    // the quick look that callers with many cells at hand try first.
    static constexpr quint16 unknown = 0xffff;
    quint16 knownIndex(int cell) const
    {
        return m_cells[size_t(cell)].load(std::memory_order_relaxed);
    }
    // A palette colour.
    QRgb colour(quint16 index) const { return m_colours[index]; }

private:
    // The cells are worked out a cube of this many levels a side at a time,
    // the first time one of them is asked for.
    static constexpr int spanLevels = 32;
    static constexpr int spans = 256 / spanLevels;

    // For each span of one channel's levels, the squared distances of the
    // palette colours' levels to its nearest and to its farthest level.
    using Spans = std::array<std::vector<int>, spans>;
    struct Reach {
        Spans nearest, farthest;
    };

    void fill(int cell);

    // Red, green and blue levels of the palette colours.
    std::array<std::vector<int>, 3> m_levels;
    std::array<Reach, 3> m_reach;
    std::array<QRgb, 256> m_colours{};
    // Palette indices, kept small to stay in the processor's cache. Halves
    // of a picture ask side by side and may work out the same cells at the
    // same time, which is harmless, as both find the same answers.
    std::unique_ptr<std::atomic<quint16>[]> m_cells;
};

} // namespace device
