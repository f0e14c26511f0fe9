#pragma once

// What a process holds, counted: what is done once per snap or per device
// opening must leave these flat however often it is repeated. The sanitizers
// miss what stays reachable, so tests count.

#include <QtTest>

#include <malloc.h>

// AddressSanitizer's runtime has it where the sanitizer is built in; GCC
// ships no header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

// What a process holds at one moment: descriptors, threads and the bytes
// allocated and not yet freed (under AddressSanitizer its own count, which
// leaves out freed blocks it keeps in quarantine).
struct Holdings {
    qsizetype descriptors = QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size();
    qsizetype threads = QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
    qint64 heapBytes = &__sanitizer_get_current_allocated_bytes
                           ? qint64(__sanitizer_get_current_allocated_bytes())
                           : qint64(mallinfo2().uordblks);
};

// Empty once the process holds no more than `before` allows, within the
// time; otherwise what it held at the last look. An opening may still be
// closing on its device's own thread, and the picture last shown is still
// kept, when this is read: the comparison allows one opening's worth, while
// a leak of even one descriptor an opening shows as hundreds over hundreds
// of them.
inline QString heldBeyond(const Holdings &before, int timeoutMs)
{
    Holdings now;
    if (QTest::qWaitFor(
            [&] {
                now = {};
                return now.descriptors <= before.descriptors + 4 &&
                       now.threads <= before.threads + 2 &&
                       now.heapBytes <= before.heapBytes + 2 * 1024 * 1024;
            },
            timeoutMs))
        return {};
    return QString::asprintf("descriptors %lld -> %lld, threads %lld -> %lld, heap %lld -> %lld",
                             qint64(before.descriptors), qint64(now.descriptors),
                             qint64(before.threads), qint64(now.threads), before.heapBytes,
                             now.heapBytes);
}
