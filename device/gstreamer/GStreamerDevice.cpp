#include "device/gstreamer/GStreamerDevice.h"

#include "device/gstreamer/GStreamerSource.h"

namespace device::gst {

GStreamerDevice::GStreamerDevice(VideoSource source, const QString &name, QObject *parent)
    : CaptureDevice(std::make_unique<GStreamerSource>(std::move(source), name), parent)
{
}

std::unique_ptr<GStreamerDevice> GStreamerDevice::camera(const QString &path, const QString &name)
{
    return std::make_unique<GStreamerDevice>(VideoSource::camera(path),
                                             QStringLiteral("%1 (%2)").arg(name, path));
}

std::unique_ptr<GStreamerDevice> GStreamerDevice::testPattern()
{
    return std::make_unique<GStreamerDevice>(
        VideoSource::pipeline(
            QStringLiteral("videotestsrc is-live=true pattern=smpte horizontal-speed=4")),
        testPatternName());
}

QString GStreamerDevice::testPatternName()
{
    return tr("GStreamer test pattern");
}

void GStreamerDevice::setFrameTimeout(int milliseconds)
{
    static_cast<GStreamerSource &>(source()).setFrameTimeout(milliseconds);
}

void GStreamerDevice::setSettleTime(int milliseconds)
{
    static_cast<GStreamerSource &>(source()).setSettleTime(milliseconds);
}

} // namespace device::gst
