#pragma once

// Splits lines of true colour pixels into planes of red, green and blue
// bytes, for the encoders of types that store colours plane by plane.

#include "device/VectorPaths.h"

#include <QRgb>

namespace device {

#if LUMIVANE_X86_VECTORS
// The bytes of eight pixels, stored blue, green, red, unused each, sorted by
// colour: the blues of all eight, then their greens; their reds, then the
// unused bytes. Three rounds of interleaving the bytes of the first four
// pixels with those of the last four bring each colour's together, in the
// pixels' order.
struct ByColour {
    __m128i blueGreen;
    __m128i redUnused;
};

inline ByColour sortByColour(__m128i firstFour, __m128i lastFour)
{
    const __m128i a = _mm_unpacklo_epi8(firstFour, lastFour);
    const __m128i b = _mm_unpackhi_epi8(firstFour, lastFour);
    const __m128i c = _mm_unpacklo_epi8(a, b);
    const __m128i d = _mm_unpackhi_epi8(a, b);
    return {_mm_unpacklo_epi8(c, d), _mm_unpackhi_epi8(c, d)};
}
#endif

// Red, green and blue of w pixels into three planes `stride` apart, in one
// pass over the pixels; on x86-64 sixteen pixels at a time.
inline void splitRgb(const QRgb *in, int w, quint8 *planes, int stride)
{
    quint8 *__restrict red = planes;
    quint8 *__restrict green = planes + stride;
    quint8 *__restrict blue = planes + 2 * stride;
    int x = 0;
#if LUMIVANE_X86_VECTORS
    const auto four = [&](int at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + at));
    };
    const auto store = [](quint8 *to, __m128i v) {
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to), v);
    };
    for (; x + 16 <= w; x += 16) {
        const ByColour first = sortByColour(four(x), four(x + 4));
        const ByColour last = sortByColour(four(x + 8), four(x + 12));
        store(red + x, _mm_unpacklo_epi64(first.redUnused, last.redUnused));
        store(green + x, _mm_unpackhi_epi64(first.blueGreen, last.blueGreen));
        store(blue + x, _mm_unpacklo_epi64(first.blueGreen, last.blueGreen));
    }
#endif
    for (; x < w; ++x) {
        red[x] = quint8(qRed(in[x]));
        green[x] = quint8(qGreen(in[x]));
        blue[x] = quint8(qBlue(in[x]));
    }
}

} // namespace device
