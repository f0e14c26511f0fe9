#include <gst/gst.h>

#include "device/gstreamer/VideoDevices.h"

#include "device/gstreamer/GStreamer.h"

#include <QDir>

#include <algorithm>

namespace device::gst {

namespace {

QString text(const GstStructure *properties, const char *field)
{
    const char *value = properties ? gst_structure_get_string(properties, field) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

// Other providers list the same cameras again under their own names; the
// kernel's video devices are the ones a v4l2src can open.
std::optional<VideoDevice> videoDevice(GstDevice *device)
{
    GstStructure *properties = gst_device_get_properties(device);
    const QString api = text(properties, "device.api");
    const QString path = text(properties, "device.path");
    const QString card = text(properties, "v4l2.device.card");
    const QString busInfo = text(properties, "v4l2.device.bus_info");
    if (properties)
        gst_structure_free(properties);
    if (api != QLatin1String("v4l2") || path.isEmpty())
        return std::nullopt;
    gchar *name = gst_device_get_display_name(device);
    VideoDevice entry{path, QString::fromUtf8(name), card, busInfo};
    g_free(name);
    return entry;
}

} // namespace

QList<VideoDevice> attachedVideoDevices()
{
    QList<VideoDevice> found;
    if (initialise())
        return found;
    GstDeviceMonitor *monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    if (gst_device_monitor_start(monitor)) {
        GList *devices = gst_device_monitor_get_devices(monitor);
        for (GList *item = devices; item; item = item->next) {
            const auto entry = videoDevice(GST_DEVICE(item->data));
            const bool listed =
                entry && std::any_of(found.cbegin(), found.cend(), [&](const VideoDevice &known) {
                    return known.path == entry->path;
                });
            if (entry && !listed)
                found << *entry;
        }
        g_list_free_full(devices, gst_object_unref);
        gst_device_monitor_stop(monitor);
    }
    gst_object_unref(monitor);
    return found;
}

// The monitor knows a device only once udev has made its entry, a moment
// after the node appears; the nodes themselves can always be asked.
std::optional<QString> pathOf(const NodeIdentity &identity)
{
    for (const VideoDevice &device : attachedVideoDevices())
        if (device.identity() == identity)
            return device.path;
    const QDir nodes(QStringLiteral("/dev"), QStringLiteral("video*"), QDir::Name, QDir::System);
    for (const QString &node : nodes.entryList())
        if (identityAt(nodes.filePath(node)) == identity)
            return nodes.filePath(node);
    return std::nullopt;
}

} // namespace device::gst
