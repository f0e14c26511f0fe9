#include "device/PaletteMapper.h"

#include "device/Halves.h"
#include "device/NearestColour.h"
#include "device/RgbPlanes.h"

#include <algorithm>
#include <array>
#include <vector>

namespace device {

namespace {

// The picture is dithered as this many bands of lines, one pixel of every
// band at a time: errors stay within their band, so the bands' pixels do
// not wait on each other and the processor works on all of them at once.
constexpr int bands = 8;
using Pixels = std::array<QRgb, bands>;

// One 16-bit number for each band.
#if LUMIVANE_X86_VECTORS
class Lanes {
public:
    Lanes()
        : m_v(_mm_setzero_si128())
    {
    }
    explicit Lanes(int all)
        : m_v(_mm_set1_epi16(qint16(all)))
    {
    }

    Lanes operator+(Lanes o) const { return Lanes(_mm_add_epi16(m_v, o.m_v)); }
    Lanes operator-(Lanes o) const { return Lanes(_mm_sub_epi16(m_v, o.m_v)); }
    Lanes operator&(Lanes o) const { return Lanes(_mm_and_si128(m_v, o.m_v)); }
    Lanes operator|(Lanes o) const { return Lanes(_mm_or_si128(m_v, o.m_v)); }
    Lanes operator<<(int bits) const { return Lanes(_mm_slli_epi16(m_v, bits)); }
    // Rounds down, as shifts of signed numbers do.
    Lanes operator>>(int bits) const { return Lanes(_mm_srai_epi16(m_v, bits)); }
    Lanes levels() const
    {
        return Lanes(_mm_min_epi16(_mm_max_epi16(m_v, _mm_setzero_si128()), _mm_set1_epi16(255)));
    }
    std::array<quint16, bands> values() const
    {
        std::array<quint16, bands> out;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out.data()), m_v);
        return out;
    }

    // The red, green and blue of the pixels.
    static std::array<Lanes, 3> split(const Pixels &p)
    {
        return split(sortByColour(_mm_set_epi32(int(p[3]), int(p[2]), int(p[1]), int(p[0])),
                                  _mm_set_epi32(int(p[7]), int(p[6]), int(p[5]), int(p[4]))));
    }

    // The entries of the cells in the lanes (see NearestColour): the red,
    // green and blue of their colours, and their palette indices one byte
    // each, the first band's lowest. False when a cell is not worked out
    // yet. The cells reach the lookups through two 64-bit moves, and the
    // entries come together in registers: a trip through memory would hold
    // back the next pixel of every band.
    static bool lookUp(Lanes cells, const NearestColour &nearest, std::array<Lanes, 3> &colours,
                       quint64 &indices)
    {
        const auto entry = [&](quint64 four, int i) {
            return _mm_cvtsi32_si128(int(nearest.knownEntry(int(quint16(four >> 16 * i)))));
        };
        const auto entries = [&](quint64 four) {
            return _mm_unpacklo_epi64(_mm_unpacklo_epi32(entry(four, 0), entry(four, 1)),
                                      _mm_unpacklo_epi32(entry(four, 2), entry(four, 3)));
        };
        const __m128i first = entries(quint64(_mm_cvtsi128_si64(cells.m_v)));
        const __m128i last =
            entries(quint64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(cells.m_v, cells.m_v))));
        const __m128i unknown = _mm_set1_epi32(int(nearest.unknownEntry()));
        if (_mm_movemask_epi8(
                _mm_or_si128(_mm_cmpeq_epi32(first, unknown), _mm_cmpeq_epi32(last, unknown))) != 0)
            return false;
        const ByColour sorted = sortByColour(first, last);
        colours = split(sorted);
        indices =
            quint64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sorted.redUnused, sorted.redUnused)));
        return true;
    }

private:
    explicit Lanes(__m128i v)
        : m_v(v)
    {
    }
    static std::array<Lanes, 3> split(const ByColour &sorted)
    {
        const __m128i zero = _mm_setzero_si128();
        return {Lanes(_mm_unpacklo_epi8(sorted.redUnused, zero)),
                Lanes(_mm_unpackhi_epi8(sorted.blueGreen, zero)),
                Lanes(_mm_unpacklo_epi8(sorted.blueGreen, zero))};
    }
    __m128i m_v;
};
#else
class Lanes {
public:
    Lanes() = default;
    explicit Lanes(int all) { m_v.fill(qint16(all)); }

    Lanes operator+(Lanes o) const
    {
        return each([&](int i) { return m_v[i] + o.m_v[i]; });
    }
    Lanes operator-(Lanes o) const
    {
        return each([&](int i) { return m_v[i] - o.m_v[i]; });
    }
    Lanes operator&(Lanes o) const
    {
        return each([&](int i) { return m_v[i] & o.m_v[i]; });
    }
    Lanes operator|(Lanes o) const
    {
        return each([&](int i) { return m_v[i] | o.m_v[i]; });
    }
    Lanes operator<<(int bits) const
    {
        return each([&](int i) { return m_v[i] * (1 << bits); });
    }
    Lanes operator>>(int bits) const
    {
        return each([&](int i) { return m_v[i] >> bits; });
    }
    Lanes levels() const
    {
        return each([&](int i) { return std::clamp(int(m_v[i]), 0, 255); });
    }
    std::array<quint16, bands> values() const
    {
        std::array<quint16, bands> out;
        std::copy(m_v.begin(), m_v.end(), out.begin());
        return out;
    }

    static std::array<Lanes, 3> split(const Pixels &p)
    {
        const auto channel = [&](int shift) {
            return each([&](int i) { return int(p[size_t(i)] >> shift & 0xff); });
        };
        return {channel(16), channel(8), channel(0)};
    }

    static bool lookUp(Lanes cells, const NearestColour &nearest, std::array<Lanes, 3> &colours,
                       quint64 &indices)
    {
        Pixels entries;
        indices = 0;
        for (size_t i = 0; i < bands; ++i) {
            entries[i] = nearest.knownEntry(quint16(cells.m_v[i]));
            if (entries[i] == nearest.unknownEntry())
                return false;
            indices |= quint64(entries[i] >> 24) << 8 * i;
        }
        colours = split(entries);
        return true;
    }

private:
    template <class F>
    static Lanes each(F f)
    {
        Lanes out;
        for (int i = 0; i < bands; ++i)
            out.m_v[size_t(i)] = qint16(f(i));
        return out;
    }
    std::array<qint16, bands> m_v{};
};
#endif

// Red, green and blue, one lane for each band.
struct Colours {
    Lanes r, g, b;

    static Colours of(const Pixels &p)
    {
        const auto [r, g, b] = Lanes::split(p);
        return {r, g, b};
    }
    template <class F>
    Colours each(F f) const
    {
        return {f(r), f(g), f(b)};
    }
    template <class F>
    Colours with(const Colours &o, F f) const
    {
        return {f(r, o.r), f(g, o.g), f(b, o.b)};
    }
};

// Dithers the lines [from, to) of `picture` into `result`.
void mapLines(const QImage &picture, const PictureLines &result, int from, int to,
              NearestColour &nearest)
{
    const int w = picture.width();
    const int h = to - from;

    const int bandLines = (h + bands - 1) / bands;
    // Lines past the half's end, for the last bands when the lines do
    // not share out evenly.
    const std::vector<QRgb> idleLine(size_t(w), 0);
    std::vector<uchar> idleOut(size_t(w), 0);

    // Errors in sixteenths that the line above left for each pixel of the
    // line, and half a level to round the pixel's share, with a spare pixel
    // at each end.
    const Colours half{Lanes(8), Lanes(8), Lanes(8)};
    std::vector<Colours> current(size_t(w) + 2, half);
    std::vector<Colours> next(size_t(w) + 2, half);
    // The line's pixels of all the bands, sorted into colours before the
    // pixels are drawn, and the palette indices drawn, a byte for each band.
    // So the drawing, which waits on each pixel before the next, takes
    // nothing else on.
    std::vector<Colours> pixels(static_cast<size_t>(w));
    std::vector<quint64> drawn(static_cast<size_t>(w));
    for (int line = 0; line < bandLines; ++line) {
        std::array<const QRgb *, bands> in{};
        std::array<uchar *, bands> out{};
        for (int band = 0; band < bands; ++band) {
            const int y = band * bandLines + line;
            in[size_t(band)] = y < h
                                   ? reinterpret_cast<const QRgb *>(picture.constScanLine(from + y))
                                   : idleLine.data();
            out[size_t(band)] = y < h ? result[from + y] : idleOut.data();
        }
        for (int x = 0; x < w; ++x) {
            Pixels column;
            for (size_t band = 0; band < bands; ++band)
                column[band] = in[band][x];
            pixels[size_t(x)] = Colours::of(column);
        }
        const int dir = (line & 1) ? -1 : 1;
        // The error of the pixel before, and the shares of the line's errors
        // added to the line below as they come, so that only the one error
        // is carried from pixel to pixel: the pixel below the first has no
        // share from a pixel before it.
        Colours last;
        next[size_t((dir > 0 ? 0 : w - 1) + 1)] = half;
        for (int i = 0; i < w; ++i) {
            const int x = dir > 0 ? i : w - 1 - i;
            // Each pixel with 7/16 of the error of the one before and what
            // the line above left.
            const Colours level = pixels[size_t(x)].with(
                current[size_t(x + 1)].with(
                    last, [](Lanes above, Lanes e) { return above - e + (e << 3); }),
                [](Lanes v, Lanes error) { return (v + (error >> 4)).levels(); });
            const Lanes cells =
                (level.r & Lanes(0xf8)) << 8 | (level.g & Lanes(0xfc)) << 3 | level.b >> 3;
            // The search for new cells is kept out of the way of the common
            // case, so that the numbers at hand need not be put aside for it.
            std::array<Lanes, 3> chosen;
            if (!Lanes::lookUp(cells, nearest, chosen, drawn[size_t(x)])) [[unlikely]] {
                for (quint16 cell : cells.values())
                    nearest.entry(cell);
                Lanes::lookUp(cells, nearest, chosen, drawn[size_t(x)]);
            }
            const Colours error =
                level.with({chosen[0], chosen[1], chosen[2]}, std::minus<Lanes>());
            // 3/16 to the pixel below the one before, 5/16 to the one below
            // this and 1/16, the first share it gets, to the one below the
            // next.
            Colours &before = next[size_t(x + 1 - dir)];
            Colours &below = next[size_t(x + 1)];
            before = before.with(error, [](Lanes sum, Lanes e) { return sum + (e << 1) + e; });
            below = below.with(error, [](Lanes sum, Lanes e) { return sum + (e << 2) + e; });
            next[size_t(x + 1 + dir)] = half.with(error, std::plus<Lanes>());
            last = error;
        }
        for (int x = 0; x < w; ++x)
            for (size_t band = 0; band < bands; ++band)
                out[band][x] = uchar(drawn[size_t(x)] >> 8 * band);
        current.swap(next);
    }
}

} // namespace

QImage PaletteMapper::map(const QImage &picture, const QList<QRgb> &palette)
{
    QImage result(picture.size(), QImage::Format_Indexed8);
    result.setColorTable(palette);
    if (result.isNull())
        return result;
    NearestColour nearest(palette);
    const PictureLines lines(result);
    inHalves(picture.height(),
             [&](int from, int to) { mapLines(picture, lines, from, to, nearest); });
    return result;
}

} // namespace device
