#pragma once

// Marks a function of plain loops, which the compiler turns into vector
// instructions, to be built a second time for processors with AVX2, which
// do twice as much at once; the processor picks the build when the program
// loads.

#ifdef __x86_64__
#define LUMIVANE_WIDE_VECTORS [[gnu::target_clones("default", "avx2")]]
#else
#define LUMIVANE_WIDE_VECTORS
#endif
