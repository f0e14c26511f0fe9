#pragma once

// One snap with a method, answering ProcessingData from inside the handler as
// the program does.

#include "device/SnappyDevice.h"

#include <QtTest>

#include <functional>

struct Snapped {
    // Null where the snap did not end in time.
    QImage picture;
    qsizetype ends = 0;
};

// `meanwhile` runs once the snap has been asked for; a second end, which
// would be a fault, is given the chance to arrive.
inline Snapped snapOnce(snappy::SnappyDevice &device, int method, int timeoutMs,
                        const std::function<void()> &meanwhile = {})
{
    QSignalSpy done(&device, &snappy::SnappyDevice::SnapDone);
    auto processing = QObject::connect(&device, &snappy::SnappyDevice::ProcessingData,
                                       [&device] { device.call(snappy::Method::ProcessData); });
    device.writeProperty(snappy::DispId::SnapMethod, qint16(method));
    device.call(snappy::Method::Snap);
    if (meanwhile)
        meanwhile();
    const bool ended = QTest::qWaitFor([&done] { return !done.isEmpty(); }, timeoutMs);
    QObject::disconnect(processing);
    QTest::qWait(0);
    return {ended ? device.picture() : QImage(), done.size()};
}
