#pragma once

// What the benchmarks share: prompts that answer nothing, for those that run
// the whole window, and the processor time spent so far.

#include "output/Prompts.h"

#include <ctime>

class SilentPrompts : public Prompts {
public:
    void message(const QString &) override {}
    QString input(const QString &, const QString &, const QString &) override { return {}; }
};

// Of the whole process, or with CLOCK_THREAD_CPUTIME_ID of the calling thread.
inline double cpuSeconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
