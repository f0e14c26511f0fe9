#include "device/PaletteMapper.h"

#include <algorithm>
#include <vector>

namespace device {

namespace {

// Finds the nearest palette colour, remembering the answer for each cell of
// 8 x 4 x 8 levels of red, green and blue (the eye sees green steps best),
// since a picture asks about the same colours many times. The table is kept
// small enough to stay in the processor's cache; the dithering makes up for
// the coarser cells.
class NearestColour {
public:
    explicit NearestColour(const QList<QRgb> &palette)
        : m_cache(size_t(1) << 16, -1)
    {
        for (int i = 0; i < palette.size(); ++i)
            m_byGreen.push_back({qGreen(palette[i]), qRed(palette[i]), qBlue(palette[i]), i});
        std::sort(m_byGreen.begin(), m_byGreen.end(),
                  [](const Entry &a, const Entry &b) { return a.g < b.g; });
    }

    int lookup(int r, int g, int b)
    {
        const size_t key = size_t((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
        if (m_cache[key] < 0)
            m_cache[key] = qint16(search((r & ~7) + 4, (g & ~3) + 2, (b & ~7) + 4));
        return m_cache[key];
    }

private:
    struct Entry {
        int g, r, b, index;
    };

    // Walks out from the palette colours of the same green in both
    // directions, stopping once green alone is further than the best match.
    int search(int r, int g, int b) const
    {
        const auto start = std::lower_bound(m_byGreen.begin(), m_byGreen.end(), g,
                                            [](const Entry &e, int v) { return e.g < v; });
        int best = 1 << 30;
        int bestIndex = 0;
        auto consider = [&](const Entry &e) {
            const int dr = e.r - r, dg = e.g - g, db = e.b - b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < best) {
                best = d;
                bestIndex = e.index;
            }
        };
        for (auto up = start; up != m_byGreen.end() && (up->g - g) * (up->g - g) < best; ++up)
            consider(*up);
        for (auto down = start; down != m_byGreen.begin();) {
            --down;
            if ((g - down->g) * (g - down->g) >= best)
                break;
            consider(*down);
        }
        return bestIndex;
    }

    std::vector<Entry> m_byGreen;
    std::vector<qint16> m_cache;
};

} // namespace

QImage PaletteMapper::map(const QImage &picture, const QList<QRgb> &palette)
{
    const int w = picture.width();
    const int h = picture.height();
    QImage result(picture.size(), QImage::Format_Indexed8);
    result.setColorTable(palette);
    NearestColour nearest(palette);
    // Errors in sixteenths, with a spare pixel at each end of the line.
    std::vector<int> current(size_t(w + 2) * 3, 0);
    std::vector<int> next(size_t(w + 2) * 3, 0);
    for (int y = 0; y < h; ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        uchar *out = result.scanLine(y);
        const int dir = (y & 1) ? -1 : 1;
        std::fill(next.begin(), next.end(), 0);
        for (int i = 0; i < w; ++i) {
            const int x = dir > 0 ? i : w - 1 - i;
            int *here = &current[size_t(x + 1) * 3];
            const int r = std::clamp(qRed(in[x]) + ((here[0] + 8) >> 4), 0, 255);
            const int g = std::clamp(qGreen(in[x]) + ((here[1] + 8) >> 4), 0, 255);
            const int b = std::clamp(qBlue(in[x]) + ((here[2] + 8) >> 4), 0, 255);
            const int index = nearest.lookup(r, g, b);
            out[x] = uchar(index);
            const QRgb chosen = palette[index];
            const int error[3] = {r - qRed(chosen), g - qGreen(chosen), b - qBlue(chosen)};
            int *ahead = here + dir * 3;
            int *belowBehind = &next[size_t(x + 1 - dir) * 3];
            int *below = &next[size_t(x + 1) * 3];
            int *belowAhead = &next[size_t(x + 1 + dir) * 3];
            for (int c = 0; c < 3; ++c) {
                ahead[c] += error[c] * 7;
                belowBehind[c] += error[c] * 3;
                below[c] += error[c] * 5;
                belowAhead[c] += error[c];
            }
        }
        current.swap(next);
    }
    return result;
}

} // namespace device
