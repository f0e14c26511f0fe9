#pragma once

// Splits lines of true colour pixels into planes of red, green and blue
// bytes, for the encoders of types that store colours plane by plane.

#include <QRgb>

#ifdef __x86_64__
#include <emmintrin.h>
#endif

namespace device {

// Red, green and blue of w pixels into three planes `stride` apart, in one
// pass over the pixels. With SSE2, sixteen pixels at a time: the bytes of
// each four are sorted by colour with one shuffle, then the fours are
// interleaved. Built twice, since the shuffle is one instruction only from
// SSSE3 on; the processor picks the build when the program loads.
#ifdef __x86_64__
[[gnu::target_clones("default", "ssse3")]]
#endif
inline void
splitRgb(const QRgb *in, int w, quint8 *planes, int stride)
{
    quint8 *__restrict red = planes;
    quint8 *__restrict green = planes + stride;
    quint8 *__restrict blue = planes + 2 * stride;
    int x = 0;
#ifdef __x86_64__
    using Bytes16 = quint8 __attribute__((vector_size(16)));
    // Four pixels are stored blue, green, red, unused each; reds first.
    const Bytes16 byColour = {2, 6, 10, 14, 1, 5, 9, 13, 0, 4, 8, 12, 3, 7, 11, 15};
    for (; x + 16 <= w; x += 16) {
        __m128i fours[4];
        for (int k = 0; k < 4; ++k) {
            const auto *four = reinterpret_cast<const __m128i *>(in + x + 4 * k);
            fours[k] = __m128i(__builtin_shuffle(Bytes16(_mm_loadu_si128(four)), byColour));
        }
        const __m128i redGreenFirst = _mm_unpacklo_epi32(fours[0], fours[1]);
        const __m128i redGreenLast = _mm_unpacklo_epi32(fours[2], fours[3]);
        const __m128i blueFirst = _mm_unpackhi_epi32(fours[0], fours[1]);
        const __m128i blueLast = _mm_unpackhi_epi32(fours[2], fours[3]);
        const auto store = [](quint8 *to, __m128i v) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(to), v);
        };
        store(red + x, _mm_unpacklo_epi64(redGreenFirst, redGreenLast));
        store(green + x, _mm_unpackhi_epi64(redGreenFirst, redGreenLast));
        store(blue + x, _mm_unpacklo_epi64(blueFirst, blueLast));
    }
#endif
    for (; x < w; ++x) {
        red[x] = quint8(qRed(in[x]));
        green[x] = quint8(qGreen(in[x]));
        blue[x] = quint8(qBlue(in[x]));
    }
}

} // namespace device
