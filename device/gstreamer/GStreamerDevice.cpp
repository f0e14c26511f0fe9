#include "device/gstreamer/GStreamerDevice.h"

#include "device/gstreamer/GStreamerSource.h"

namespace device::gst {

GStreamerDevice::GStreamerDevice(const QString &pipelineSource, const QString &name,
                                 QObject *parent)
    : CaptureDevice(std::make_unique<GStreamerSource>(pipelineSource, name), parent)
{
}

std::unique_ptr<GStreamerDevice> GStreamerDevice::camera(const QString &path, const QString &name)
{
    QString quoted = path;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""));
    return std::make_unique<GStreamerDevice>(QStringLiteral("v4l2src device=\"%1\"").arg(quoted),
                                             QStringLiteral("%1 (%2)").arg(name, path));
}

std::unique_ptr<GStreamerDevice> GStreamerDevice::testPattern()
{
    return std::make_unique<GStreamerDevice>(
        QStringLiteral("videotestsrc is-live=true pattern=smpte horizontal-speed=4"),
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

} // namespace device::gst
