#pragma once

// The capture devices the program can run with: the cameras and capture
// cards GStreamer finds, GStreamer's test pattern, and the stand-in. Each is
// named on the command line by its choice: a device path such as
// /dev/video0, "test-pattern" or "stand-in". With no choice, the first
// camera found runs, and the stand-in when there is none.

#include "device/SnappyDevice.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace device {

class CaptureDevice;

struct DeviceEntry {
    QString choice;
    QString name;
};

class DeviceCatalog {
public:
    static inline const QString standIn = QStringLiteral("stand-in");
    static inline const QString testPattern = QStringLiteral("test-pattern");

    // Asks GStreamer for the video capture devices attached now.
    static DeviceCatalog attached();
    explicit DeviceCatalog(QList<DeviceEntry> cameras);

    // The cameras first, then the test pattern and the stand-in.
    QList<DeviceEntry> entries() const;
    // What runs for `choice`: an empty choice picks the default; a choice
    // that names no device gives an empty text.
    QString resolve(const QString &choice) const;
    static QString unknownChoice(const QString &choice);
    // One line per device, the one `choice` runs marked with "*".
    QString listing(const QString &choice) const;

    // The device for a choice that resolve() accepted; `settleMs`, where
    // given, is how long a camera's frames are left unused after it opens,
    // and `reserveMiB` the room its saving leaves free on the disk.
    std::unique_ptr<snappy::SnappyDevice> open(const QString &resolved,
                                               std::optional<int> settleMs = {},
                                               std::optional<int> reserveMiB = {}) const;

private:
    std::unique_ptr<CaptureDevice> openCamera(const QString &resolved,
                                              std::optional<int> settleMs) const;

    QList<DeviceEntry> m_cameras;
};

} // namespace device
