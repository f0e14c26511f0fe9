#pragma once

// Which paths the device's work on pictures takes. On x86-64 it has paths of
// its own written with SSE2, which every such processor has, some of them
// written once more with AVX2 for the processors that have it, and functions
// built a second time for those processors. Elsewhere, or where the build
// defines LUMIVANE_PORTABLE_VECTORS, it takes its portable paths: plain
// loops the compiler turns into vector instructions as it can. The tests
// build the portable paths on x86-64 too, and the SSE2 paths alone where the
// build defines LUMIVANE_NARROW_VECTORS, so that all are known to write the
// same bytes.

#if defined(__x86_64__) && !defined(LUMIVANE_PORTABLE_VECTORS)
#define LUMIVANE_X86_VECTORS 1
#include <immintrin.h>
#else
#define LUMIVANE_X86_VECTORS 0
#endif

#if LUMIVANE_X86_VECTORS && !defined(LUMIVANE_NARROW_VECTORS)
// Marks a function of plain loops to be built a second time for processors
// with AVX2, which do twice as much at once; the processor picks the build
// when the program loads.
#define LUMIVANE_WIDE_VECTORS [[gnu::target_clones("default", "avx2")]]

namespace device {
// Whether the processor runs the paths written with AVX2.
inline bool haveWideVectors()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
} // namespace device
#else
#define LUMIVANE_WIDE_VECTORS

namespace device {
inline bool haveWideVectors()
{
    return false;
}
} // namespace device
#endif
