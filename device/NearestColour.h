#pragma once

// Finds the palette colour nearest to a colour, remembering the answer for
// each cell of 8 x 4 x 8 levels of red, green and blue (the eye sees green
// steps best), since a picture asks about the same colours many times.
// Any number of threads may ask at once.

#include <QList>
#include <QRgb>

#include <array>
#include <atomic>
#include <vector>

namespace device {

class NearestColour {
public:
    // `palette` has 1 to 256 entries.
    explicit NearestColour(const QList<QRgb> &palette);

    // The cell of a colour whose levels are 0 to 255.
    static constexpr int cell(int r, int g, int b)
    {
        return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    }

    // The palette colour nearest to the middle of `cell` with its palette
    // index in place of its alpha, worked out the first time it is asked
    // for.
    quint32 entry(int cell)
    {
        if (knownEntry(cell) == m_unknownEntry)
            fill(cell);
        return knownEntry(cell);
    }
    // The same when it has been worked out before, and unknownEntry() when
    // not: the quick look that callers with many cells at hand try first.
    quint32 knownEntry(int cell) const { return slot(cell).load(std::memory_order_relaxed); }
    // Palette index 0 with a colour other than the first palette colour's.
    quint32 unknownEntry() const { return m_unknownEntry; }

    // The index alone.
    quint16 index(int cell) { return quint16(entry(cell) >> 24); }
    static constexpr quint16 unknown = 0xffff;
    quint16 knownIndex(int cell) const
    {
        const quint32 entry = knownEntry(cell);
        return entry == m_unknownEntry ? unknown : quint16(entry >> 24);
    }
    // A palette colour.
    QRgb colour(quint16 index) const { return m_colours[index]; }

private:
    // The cells are worked out a cube of this many levels a side at a time,
    // the first time one of them is asked for.
    static constexpr int spanLevels = 32;
    static constexpr int spans = 256 / spanLevels;

    // For each span of one channel's levels, the squared distances of the
    // palette colours' levels to the nearest and to the farthest of its
    // cells' middles.
    using Spans = std::array<std::array<int, 256>, spans>;
    struct Reach {
        Spans nearest, farthest;
    };

    void fill(int cell);
    std::atomic_ref<quint32> slot(int cell) const
    {
        return std::atomic_ref<quint32>(m_cells[size_t(cell)]);
    }

    int m_count;
    // Red, green and blue levels of the palette colours.
    std::array<std::array<int, 256>, 3> m_levels;
    std::array<Reach, 3> m_reach;
    std::array<QRgb, 256> m_colours{};
    // Each palette colour with its index in place of its alpha.
    std::array<quint32, 256> m_entries{};
    quint32 m_unknownEntry;
    // The cells' entries, which give a pixel its palette index and the
    // colour whose error it passes on in one look. Halves of a picture ask
    // side by side and may work out the same cells at the same time, which
    // is harmless, as both find the same answers: the cells are only
    // reached through atomic references once the constructor is done.
    mutable std::vector<quint32> m_cells;
};

} // namespace device
