#pragma once

// The kernel's video capture devices attached now, as GStreamer's device
// monitor lists them: what the user picks from, and where a camera that was
// unplugged and plugged in again is looked for by what it is.

#include "device/gstreamer/V4l2Node.h"

#include <QList>
#include <QString>

#include <optional>

namespace device::gst {

struct VideoDevice {
    QString path;
    QString name;
    // As the driver reports them, which the name need not be.
    QString card;
    QString busInfo;

    NodeIdentity identity() const { return {card, busInfo}; }
};

// Each device once, in the monitor's order. Slow: the monitor probes every
// device, so it is no work for the user-interface thread once it runs.
QList<VideoDevice> attachedVideoDevices();

std::optional<QString> pathOf(const NodeIdentity &identity);

} // namespace device::gst
