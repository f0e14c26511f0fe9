#pragma once

// Room a save leaves free on the file system it writes to. A time-lapse left
// running fills a disk snap by snap, and a full disk takes the whole desktop
// down with it: the series stops saving short of that, and saves again by
// itself once there is room.

#include "device/SnappyDevice.h"

#include <QString>

#include <functional>
#include <optional>

namespace device {

class DiskReserve {
public:
    static constexpr int defaultMiB = 64;

    // The bytes free to an unprivileged user on the file system holding the
    // folder; none where that cannot be told.
    using FreeSpace = std::function<std::optional<qint64>(const QString &folder)>;
    static std::optional<qint64> freeSpace(const QString &folder);

    // 0 MiB keeps no room at all.
    explicit DiskReserve(int mebibytes = defaultMiB, FreeSpace reading = freeSpace);

    // Why `bytes` more written into the folder would be too many, if they would.
    snappy::Failure refusal(const QString &folder, qint64 bytes) const;

private:
    qint64 m_bytes;
    FreeSpace m_reading;
};

} // namespace device
