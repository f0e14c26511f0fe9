#include "device/DeviceCatalog.h"

#include "device/gstreamer/GStreamerDevice.h"
#include "device/gstreamer/VideoDevices.h"
#include "device/standin/StandInDevice.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <filesystem>

namespace device {

namespace {

// The cameras GStreamer lists are the kernel's video devices, so where the
// kernel has none the program starts without waking GStreamer at all.
bool kernelHasVideoDevices()
{
    // By name alone and up to the first node: a sorted or pattern-matched
    // listing of /dev would cost a noticeable part of the start.
    std::error_code error;
    for (std::filesystem::directory_iterator node("/dev", error), end; !error && node != end;
         node.increment(error))
        if (node->path().filename().native().starts_with("video"))
            return true;
    return false;
}

} // namespace

DeviceCatalog DeviceCatalog::attached()
{
    QList<DeviceEntry> cameras;
    if (kernelHasVideoDevices())
        for (const gst::VideoDevice &device : gst::attachedVideoDevices())
            cameras << DeviceEntry{device.path, device.name};
    return DeviceCatalog(cameras);
}

DeviceCatalog::DeviceCatalog(QList<DeviceEntry> cameras)
    : m_cameras(std::move(cameras))
{
}

QList<DeviceEntry> DeviceCatalog::entries() const
{
    return m_cameras + QList<DeviceEntry>{{testPattern, gst::GStreamerDevice::testPatternName()},
                                          {standIn, SimulatedSource::displayName()}};
}

QString DeviceCatalog::resolve(const QString &choice) const
{
    if (choice.isEmpty())
        return m_cameras.isEmpty() ? standIn : m_cameras.front().choice;
    for (const DeviceEntry &entry : entries())
        if (entry.choice == choice)
            return choice;
    // A device node the monitor did not list may still be a camera.
    return choice.startsWith(QLatin1Char('/')) && QFileInfo::exists(choice) ? choice : QString();
}

QString DeviceCatalog::listing(const QString &choice) const
{
    const QString running = resolve(choice);
    QString lines;
    for (const DeviceEntry &entry : entries())
        lines += QStringLiteral("%1 %2  %3\n")
                     .arg(entry.choice == running ? QStringLiteral("*") : QStringLiteral(" "),
                          entry.choice.leftJustified(14), entry.name);
    return lines;
}

QString DeviceCatalog::unknownChoice(const QString &choice)
{
    return QCoreApplication::translate(
               "device::DeviceCatalog",
               "There is no capture device \"%1\". Name a device path such as /dev/video0, "
               "\"%2\" or \"%3\"; --list-devices shows the devices attached.")
        .arg(choice, testPattern, standIn);
}

std::unique_ptr<snappy::SnappyDevice> DeviceCatalog::open(const QString &resolved,
                                                          std::optional<int> settleMs,
                                                          std::optional<int> reserveMiB) const
{
    std::unique_ptr<CaptureDevice> device =
        resolved == standIn ? std::make_unique<StandInDevice>() : openCamera(resolved, settleMs);
    if (reserveMiB)
        device->setDiskReserve(DiskReserve(*reserveMiB));
    return device;
}

std::unique_ptr<CaptureDevice> DeviceCatalog::openCamera(const QString &resolved,
                                                         std::optional<int> settleMs) const
{
    std::unique_ptr<gst::GStreamerDevice> device;
    if (resolved == testPattern) {
        device = gst::GStreamerDevice::testPattern();
    } else {
        QString name = QFileInfo(resolved).fileName();
        for (const DeviceEntry &camera : m_cameras)
            if (camera.choice == resolved)
                name = camera.name;
        device = gst::GStreamerDevice::camera(resolved, name);
    }
    if (settleMs)
        device->setSettleTime(*settleMs);
    return device;
}

} // namespace device
