#pragma once

// What a process holds, counted: what is done once per snap or per device
// opening must leave these flat however often it is repeated. The sanitizers
// miss what stays reachable, so tests count.

#include <QDir>
#include <QString>
#include <QTest>

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

// What a process holds at one moment. An opening may still be closing on
// its device's own thread, and the picture last shown is still kept, when
// this is read: a comparison allows one opening's worth, while a leak of
// even one descriptor an opening shows as hundreds over hundreds of them.
struct Holdings {
    int descriptors = openDescriptors();
    int threads = runningThreads();
    qint64 heapBytes = liveHeapBytes();

    bool coversLater(const Holdings &later) const
    {
        return later.descriptors <= descriptors + 4 && later.threads <= threads + 2 &&
               later.heapBytes <= heapBytes + 2 * 1024 * 1024;
    }
    QString comparedTo(const Holdings &later) const
    {
        return QStringLiteral("descriptors %1 -> %2, threads %3 -> %4, heap %5 -> %6 bytes")
            .arg(descriptors)
            .arg(later.descriptors)
            .arg(threads)
            .arg(later.threads)
            .arg(heapBytes)
            .arg(later.heapBytes);
    }
};

// Empty once the process holds no more than `before` allows, within the
// time; otherwise what it held at the last look.
inline QString heldBeyond(const Holdings &before, int timeoutMs)
{
    Holdings now;
    if (QTest::qWaitFor(
            [&] {
                now = {};
                return before.coversLater(now);
            },
            timeoutMs))
        return {};
    return before.comparedTo(now);
}
