#pragma once

// What a process holds, counted: what is done once per snap or per device
// opening must leave these flat however often it is repeated. The sanitizers
// miss what stays reachable, so tests count.

#include <QDir>

#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
#define LUMIVANE_COUNTS_ASAN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMIVANE_COUNTS_ASAN_HEAP 1
#endif
#endif
#ifdef LUMIVANE_COUNTS_ASAN_HEAP
// The sanitizer's own runtime has it; GCC ships no header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

inline int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

inline int runningThreads()
{
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

// Bytes allocated and not yet freed. Under AddressSanitizer its own count,
// which leaves out freed blocks it keeps in quarantine.
inline qint64 liveHeapBytes()
{
#ifdef LUMIVANE_COUNTS_ASAN_HEAP
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return qint64(mallinfo2().uordblks);
#endif
}
