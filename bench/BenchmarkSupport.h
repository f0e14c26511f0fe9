#pragma once

// What the benchmarks share: the processor time spent so far.

#include <ctime>

// Of the whole process, or with CLOCK_THREAD_CPUTIME_ID of the calling thread.
inline double cpuSeconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
