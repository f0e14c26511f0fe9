#pragma once

// Finds runs of equal bytes quickly, eight or sixteen bytes at a time, for
// the run-length encoders: on grainy pictures runs are rare, so most of the
// time goes into showing that there are none.

#include "device/VectorPaths.h"

#include <QtAlgorithms>
#include <QtEndian>

#include <algorithm>

namespace device::byteruns {

// Eight bytes from `p` as one word, the first in the lowest byte.
inline quint64 word(const quint8 *p)
{
    return qFromLittleEndian<quint64>(p);
}

// Nonzero if a byte of `x` is zero; then its lowest set bit is the top bit
// of the first such byte (borrows only mark bytes after it).
inline quint64 zeroBytes(quint64 x)
{
    constexpr quint64 ones = 0x0101010101010101ULL;
    constexpr quint64 tops = 0x8080808080808080ULL;
    return (x - ones) & ~x & tops;
}

// Where in [from, to) the first run of `length` (2 to 4) equal bytes of
// data[0, size) begins, or `to` if none does.
inline int firstRun(const quint8 *data, int from, int to, int size, int length)
{
    int i = from;
    while (i + 8 <= to && i + 8 + length - 1 <= size) {
        const quint64 x = word(data + i);
        quint64 differ = 0;
        for (int k = 1; k < length; ++k)
            differ |= x ^ word(data + i + k);
        if (const quint64 found = zeroBytes(differ))
            return i + qCountTrailingZeroBits(found) / 8;
        i += 8;
    }
    for (; i + length <= size && i < to; ++i) {
        int k = 1;
        while (k < length && data[i + k] == data[i])
            ++k;
        if (k == length)
            return i;
    }
    return to;
}

// How many bytes from data[from] on equal it, counting no further than
// data[end - 1]. On x86-64 it compares sixteen at a time and reads up to
// fifteen bytes past `end`, which the caller's buffer must hold.
inline int runLength(const quint8 *data, int from, int end)
{
#if LUMIVANE_X86_VECTORS
    const __m128i first = _mm_set1_epi8(char(data[from]));
    for (int i = from; i < end; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
        const unsigned same = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, first)));
        if (same != 0xffff)
            return std::min(end, i + int(qCountTrailingZeroBits(~same))) - from;
    }
    return end - from;
#else
    const quint64 repeated = data[from] * 0x0101010101010101ULL;
    int n = from + 1;
    while (n + 8 <= end) {
        if (const quint64 differ = word(data + n) ^ repeated)
            return n + int(qCountTrailingZeroBits(differ) / 8) - from;
        n += 8;
    }
    while (n < end && data[n] == data[from])
        ++n;
    return n - from;
#endif
}

} // namespace device::byteruns
