#include <gst/gst.h>

#include "device/gstreamer/GStreamer.h"

namespace device::gst {

snappy::Failure initialise()
{
    static const snappy::Failure started = []() -> snappy::Failure {
        GError *error = nullptr;
        if (gst_init_check(nullptr, nullptr, &error))
            return std::nullopt;
        const QString reason = reasonOf(error);
        g_clear_error(&error);
        return QStringLiteral("GStreamer could not start: %1").arg(reason);
    }();
    return started;
}

QString reasonOf(const GError *error)
{
    return error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
}

QString reasonOf(GstMessage *message)
{
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS)
        return QStringLiteral("the video stream ended");
    GError *error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const QString reason = reasonOf(error);
    g_clear_error(&error);
    return reason;
}

void stopAndRelease(GstElement *pipeline)
{
    gst_element_set_state(pipeline, GST_STATE_NULL);
    GstBus *bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(pipeline);
}

} // namespace device::gst
