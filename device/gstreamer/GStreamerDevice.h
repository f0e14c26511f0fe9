#pragma once

// A capture device on a real camera or capture card, or on GStreamer's own
// moving test pattern, through GStreamer. It behaves as every capture device
// does; only its frames come from the hardware.

#include "device/CaptureDevice.h"

namespace device::gst {

class GStreamerSource;

class GStreamerDevice : public CaptureDevice {
    Q_OBJECT
public:
    // `pipelineSource` is GStreamer's pipeline text for the source alone.
    GStreamerDevice(const QString &pipelineSource, const QString &name, QObject *parent = nullptr);

    static std::unique_ptr<GStreamerDevice> camera(const QString &path, const QString &name);
    static std::unique_ptr<GStreamerDevice> testPattern();
    static QString testPatternName();

    void setFrameTimeout(int milliseconds);
};

} // namespace device::gst
