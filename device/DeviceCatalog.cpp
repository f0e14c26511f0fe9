#include <gst/gst.h>

#include "device/DeviceCatalog.h"

#include "device/gstreamer/GStreamer.h"
#include "device/gstreamer/GStreamerDevice.h"
#include "device/standin/StandInDevice.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <filesystem>

namespace device {

namespace {

QString text(const GstStructure *properties, const char *field)
{
    const char *value = properties ? gst_structure_get_string(properties, field) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

// Other providers list the same cameras again under their own names; the
// kernel's video devices are the ones a v4l2src can open.
std::optional<DeviceEntry> videoDevice(GstDevice *device)
{
    GstStructure *properties = gst_device_get_properties(device);
    const QString api = text(properties, "device.api");
    const QString path = text(properties, "device.path");
    if (properties)
        gst_structure_free(properties);
    if (api != QLatin1String("v4l2") || path.isEmpty())
        return std::nullopt;
    gchar *name = gst_device_get_display_name(device);
    DeviceEntry entry{path, QString::fromUtf8(name)};
    g_free(name);
    return entry;
}

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
    if (!kernelHasVideoDevices() || gst::initialise())
        return DeviceCatalog(cameras);
    GstDeviceMonitor *monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    if (gst_device_monitor_start(monitor)) {
        GList *devices = gst_device_monitor_get_devices(monitor);
        for (GList *item = devices; item; item = item->next) {
            const auto entry = videoDevice(GST_DEVICE(item->data));
            const bool listed = entry && std::any_of(cameras.cbegin(), cameras.cend(),
                                                     [&](const DeviceEntry &camera) {
                                                         return camera.choice == entry->choice;
                                                     });
            if (entry && !listed)
                cameras << *entry;
        }
        g_list_free_full(devices, gst_object_unref);
        gst_device_monitor_stop(monitor);
    }
    gst_object_unref(monitor);
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

std::unique_ptr<snappy::SnappyDevice> DeviceCatalog::open(const QString &resolved) const
{
    if (resolved == standIn)
        return std::make_unique<StandInDevice>();
    if (resolved == testPattern)
        return gst::GStreamerDevice::testPattern();
    QString name = QFileInfo(resolved).fileName();
    for (const DeviceEntry &camera : m_cameras)
        if (camera.choice == resolved)
            name = camera.name;
    return gst::GStreamerDevice::camera(resolved, name);
}

} // namespace device
