#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include "device/gstreamer/VideoPipeline.h"

#include "device/gstreamer/CaptureMode.h"
#include "device/gstreamer/GStreamer.h"

#include <QMetaObject>

#include <linux/videodev2.h>
#include <sys/ioctl.h>

namespace device::gst {

namespace {

// Frames waiting for the user-interface thread beyond this are dropped, so
// a busy window never makes frames pile up in memory.
constexpr int maxFramesInFlight = 2;

// A frame as it came from the sink, mapped for reading until the picture
// that wraps it is gone: the program reads frames in place, uncopied.
struct MappedFrame {
    GstSample *sample;
    GstVideoFrame frame;
};

void releaseFrame(void *data)
{
    auto *mapped = static_cast<MappedFrame *>(data);
    gst_video_frame_unmap(&mapped->frame);
    gst_sample_unref(mapped->sample);
    delete mapped;
}

// BGRA with opaque alpha is the memory layout of a 32-bit RGB picture.
QImage wrapFrame(GstSample *sample)
{
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)))
        return {};
    auto *mapped = new MappedFrame{gst_sample_ref(sample), {}};
    if (!gst_video_frame_map(&mapped->frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
        gst_sample_unref(sample);
        delete mapped;
        return {};
    }
    return QImage(static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&mapped->frame, 0)),
                  GST_VIDEO_FRAME_WIDTH(&mapped->frame), GST_VIDEO_FRAME_HEIGHT(&mapped->frame),
                  GST_VIDEO_FRAME_PLANE_STRIDE(&mapped->frame, 0), QImage::Format_RGB32,
                  releaseFrame, mapped);
}

} // namespace

VideoPipeline::VideoPipeline(QString source)
    : m_source(std::move(source))
{
}

VideoPipeline::~VideoPipeline()
{
    close();
}

QString VideoPipeline::description(const QString &source)
{
    return source + QStringLiteral(" ! capsfilter name=mode ! decodebin ! videoconvert"
                                   " ! video/x-raw,format=BGRA"
                                   " ! appsink name=sink max-buffers=1 drop=true sync=false");
}

snappy::Failure VideoPipeline::open(QSize size, int input)
{
    close();
    if (const snappy::Failure failure = initialise())
        return failure;
    m_requestedSize = size;
    m_requestedInput = input;
    const snappy::Failure failure = start(size, input);
    if (failure)
        close();
    return failure;
}

snappy::Failure VideoPipeline::start(QSize size, int input)
{
    GError *error = nullptr;
    m_pipeline = gst_parse_launch(description(m_source).toUtf8().constData(), &error);
    if (error) {
        const QString reason = reasonOf(error);
        g_clear_error(&error);
        if (m_pipeline)
            gst_object_unref(m_pipeline);
        m_pipeline = nullptr;
        return reason;
    }
    GstBus *bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(
        bus,
        [](GstBus *b, GstMessage *m, gpointer self) {
            return GstBusSyncReply(onBusMessage(b, m, self));
        },
        this, nullptr);
    gst_object_unref(bus);

    if (gst_element_set_state(m_pipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE)
        return errorOnBus(QStringLiteral("the video source could not be opened"));
    chooseInput(input);
    holdToMode(size);

    GstElement *sink = gst_bin_get_by_name(GST_BIN(m_pipeline), "sink");
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink *s, gpointer self) {
        return GstFlowReturn(onNewSample(s, self));
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    gst_object_unref(sink);

    if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return errorOnBus(QStringLiteral("the video source could not be started"));
    return std::nullopt;
}

void VideoPipeline::close()
{
    if (!m_pipeline)
        return;
    // Stopping joins the streaming threads, so no frame of this session can
    // arrive once the session number has moved on.
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    ++m_session;
    gst_object_unref(m_pipeline);
    m_pipeline = nullptr;
}

snappy::Failure VideoPipeline::errorOnBus(const QString &fallback)
{
    GstBus *bus = gst_element_get_bus(m_pipeline);
    GstMessage *message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    gst_object_unref(bus);
    if (!message)
        return fallback;
    const QString reason = reasonOf(message);
    gst_message_unref(message);
    return reason;
}

// Capture cards take their picture from one of several inputs; a camera has
// only one, which then serves every input asked for.
void VideoPipeline::chooseInput(int input)
{
    GstIterator *sources = gst_bin_iterate_sources(GST_BIN(m_pipeline));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(sources, &item) == GST_ITERATOR_OK) {
        GstElement *element = GST_ELEMENT(g_value_get_object(&item));
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "device-fd")) {
            int fd = -1;
            g_object_get(element, "device-fd", &fd, nullptr);
            v4l2_input second{};
            second.index = 1;
            const bool several = fd >= 0 && ::ioctl(fd, VIDIOC_ENUMINPUT, &second) == 0;
            int chosen = several ? input : 0;
            if (fd >= 0)
                ::ioctl(fd, VIDIOC_S_INPUT, &chosen);
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(sources);
}

void VideoPipeline::holdToMode(QSize size)
{
    GstElement *mode = gst_bin_get_by_name(GST_BIN(m_pipeline), "mode");
    GstPad *pad = gst_element_get_static_pad(mode, "sink");
    GstCaps *offered = gst_pad_peer_query_caps(pad, nullptr);
    const QSize capture = chooseCaptureSize(offeredSizes(offered, size), size);
    gst_caps_unref(offered);
    gst_object_unref(pad);
    GstCaps *held = gst_caps_new_empty();
    for (const char *type : {"video/x-raw", "image/jpeg"})
        gst_caps_append_structure(held, gst_structure_new(type, "width", G_TYPE_INT,
                                                          capture.width(), "height", G_TYPE_INT,
                                                          capture.height(), nullptr));
    g_object_set(mode, "caps", held, nullptr);
    gst_caps_unref(held);
    gst_object_unref(mode);
}

int VideoPipeline::onNewSample(GstAppSink *sink, void *data)
{
    auto *self = static_cast<VideoPipeline *>(data);
    GstSample *sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    const qint64 now = g_get_monotonic_time();
    const bool due = now - self->m_lastFrameUs >= self->m_spacingUs;
    if (due && self->m_framesInFlight < maxFramesInFlight) {
        self->m_lastFrameUs = now;
        const QImage frame = wrapFrame(sample);
        if (!frame.isNull()) {
            ++self->m_framesInFlight;
            const quint64 session = self->m_session;
            QMetaObject::invokeMethod(
                self, [self, frame, session] { self->handOver(frame, session); },
                Qt::QueuedConnection);
        }
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

// Only failures and the end of the stream stay on the bus for the
// user-interface thread to read; everything else is dropped at once, so a
// preview left running for days does not collect messages.
int VideoPipeline::onBusMessage(GstBus *, GstMessage *message, void *data)
{
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type != GST_MESSAGE_ERROR && type != GST_MESSAGE_EOS)
        return GST_BUS_DROP;
    auto *self = static_cast<VideoPipeline *>(data);
    const quint64 session = self->m_session;
    QMetaObject::invokeMethod(
        self,
        [self, session] {
            if (session == self->m_session)
                self->readBus();
        },
        Qt::QueuedConnection);
    return GST_BUS_PASS;
}

void VideoPipeline::readBus()
{
    if (!m_pipeline)
        return;
    GstBus *bus = gst_element_get_bus(m_pipeline);
    GstMessage *message =
        gst_bus_pop_filtered(bus, GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
    gst_object_unref(bus);
    if (!message)
        return;
    const QString reason = reasonOf(message);
    gst_message_unref(message);
    emit broke(reason);
}

void VideoPipeline::handOver(const QImage &frame, quint64 session)
{
    --m_framesInFlight;
    if (session == m_session)
        emit frameArrived(frame);
}

} // namespace device::gst
