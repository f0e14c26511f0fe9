#pragma once

// A capture device on a real camera or capture card, or on GStreamer's own
// moving test pattern, through GStreamer. It behaves as every capture device
// does; only its frames come from the hardware.

#include "device/CaptureDevice.h"
#include "device/gstreamer/VideoPipeline.h"

namespace device::gst {

class GStreamerDevice : public CaptureDevice {
    Q_OBJECT
public:
    GStreamerDevice(VideoSource source, const QString &name, QObject *parent = nullptr);

    static std::unique_ptr<GStreamerDevice> camera(const QString &path, const QString &name);
    static std::unique_ptr<GStreamerDevice> testPattern();
    static QString testPatternName();

    void setFrameTimeout(int milliseconds);
    // How long after opening the device its frames are left unused.
    void setSettleTime(int milliseconds);
};

} // namespace device::gst
