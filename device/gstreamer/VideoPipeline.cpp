#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include "device/gstreamer/VideoPipeline.h"

#include "device/gstreamer/CaptureMode.h"
#include "device/gstreamer/GStreamer.h"
#include "device/gstreamer/StrayPoolRelease.h"
#include "device/gstreamer/VideoDevices.h"

#include <QMetaObject>

#include <mutex>
#include <utility>

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
QImage wrapFrame(GstSample *sample, const GstVideoInfo &info)
{
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

PipelineFault faultOf(GstMessage *message)
{
    GError *error = nullptr;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
        gst_message_parse_error(message, &error, nullptr);
    const bool busy = g_error_matches(error, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_BUSY);
    g_clear_error(&error);
    return {busy ? PipelineFault::Busy : PipelineFault::Stopped, reasonOf(message)};
}

QString quoted(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

// What GStreamer's threads of one opening reach: the pipeline object, to
// hand over to, and the first failure, for the opening to give as its reason.
struct VideoPipeline::Streaming {
    Streaming(VideoPipeline *owner, quint64 opening)
        : owner(owner)
        , opening(opening)
    {
    }
    ~Streaming() { gst_caps_replace(&frameCaps, nullptr); }

    // Frames keep the caps they were negotiated with, so their layout is
    // read once for each negotiation rather than for every frame.
    const GstVideoInfo *layoutOf(GstCaps *caps)
    {
        if (caps != frameCaps) {
            gst_caps_replace(&frameCaps, caps);
            layoutKnown = caps && gst_video_info_from_caps(&layout, caps);
        }
        return layoutKnown ? &layout : nullptr;
    }

    VideoPipeline *owner;
    quint64 opening;
    GstCaps *frameCaps = nullptr;
    GstVideoInfo layout{};
    bool layoutKnown = false;
    qint64 lastFrameUs = 0;
    mutable std::mutex errorLock;
    std::optional<PipelineFault> firstError;
    bool started = false;
    StrayPoolRelease devicePool;
};

VideoPipeline::VideoPipeline(VideoSource source)
    : m_camera(!source.cameraPath.isEmpty())
    , m_source(std::move(source))
{
    m_thread.setObjectName(QStringLiteral("video device"));
    m_worker.moveToThread(&m_thread);
    m_thread.start();
}

VideoPipeline::~VideoPipeline()
{
    m_thread.quit();
    m_thread.wait();
    closeNow();
}

QString VideoPipeline::description(const QString &source)
{
    return source + QStringLiteral(" ! capsfilter name=mode ! decodebin ! videoconvert"
                                   " ! video/x-raw,format=BGRA"
                                   " ! appsink name=sink max-buffers=1 drop=true sync=false");
}

void VideoPipeline::open(QSize size, int input)
{
    const bool openSo = m_open && size == m_requestedSize && input == m_requestedInput;
    if (!openSo) {
        m_open = true;
        m_requestedSize = size;
        m_requestedInput = input;
        ++m_opening;
    }
    const quint64 opening = m_opening;
    onPipelineThread([this, size, input, opening, openSo] {
        if (openSo)
            answer(opening, checkInput(), false);
        else
            openNow(size, input, opening);
    });
}

void VideoPipeline::close()
{
    if (!m_open)
        return;
    m_open = false;
    ++m_opening;
    onPipelineThread([this] { closeNow(); });
}

template <typename Work>
void VideoPipeline::onPipelineThread(Work work)
{
    QMetaObject::invokeMethod(&m_worker, std::move(work), Qt::QueuedConnection);
}

// From the pipeline's or a streaming thread to the user-interface thread.
void VideoPipeline::answer(quint64 opening, std::optional<PipelineFault> fault, bool opened)
{
    QMetaObject::invokeMethod(
        this,
        [this, opening, fault, opened] {
            if (opening != m_opening)
                return;
            if (!fault) {
                emit ready(opened);
                return;
            }
            close();
            emit broke(*fault);
        },
        Qt::QueuedConnection);
}

void VideoPipeline::handOver(const QImage &frame, quint64 opening)
{
    --m_framesInFlight;
    if (opening == m_opening)
        emit frameArrived(frame);
}

void VideoPipeline::openNow(QSize size, int input, quint64 opening)
{
    closeNow();
    std::optional<PipelineFault> fault;
    if (const snappy::Failure failure = initialise())
        fault = PipelineFault{PipelineFault::Unavailable, *failure};
    else
        fault = start(size, input, opening);
    // From here on the streaming threads report failures themselves; one
    // that came before is the opening's.
    if (!fault && m_streaming) {
        bool failedAlready;
        {
            const std::lock_guard lock(m_streaming->errorLock);
            m_streaming->started = true;
            failedAlready = m_streaming->firstError.has_value();
        }
        if (failedAlready)
            fault = firstError(PipelineFault::Unavailable, {});
    }
    if (fault)
        closeNow();
    answer(opening, fault, true);
}

std::optional<PipelineFault> VideoPipeline::start(QSize size, int input, quint64 opening)
{
    GError *error = nullptr;
    m_pipeline = gst_parse_launch(description(sourceText()).toUtf8().constData(), &error);
    if (error) {
        const QString reason = reasonOf(error);
        g_clear_error(&error);
        return PipelineFault{PipelineFault::Unavailable, reason};
    }
    m_streaming = std::make_unique<Streaming>(this, opening);
    GstBus *bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(
        bus,
        [](GstBus *b, GstMessage *m, gpointer streaming) {
            return GstBusSyncReply(onBusMessage(b, m, streaming));
        },
        m_streaming.get(), nullptr);
    gst_object_unref(bus);

    if (gst_element_set_state(m_pipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE)
        return firstError(PipelineFault::Unavailable,
                          QStringLiteral("the video source could not be opened"));
    if (GstElement *source = deviceSource()) {
        m_streaming->devicePool.watch(source);
        gst_object_unref(source);
    }
    if (const int fd = deviceFd(); fd >= 0) {
        m_identity = identityOf(fd);
        if (selectInput(fd, input) == InputSelection::Busy)
            return PipelineFault{PipelineFault::Busy, QStringLiteral("the input cannot change")};
    }
    if (std::optional<PipelineFault> noSignal = checkInput())
        return noSignal;
    holdToMode(size);

    GstElement *sink = gst_bin_get_by_name(GST_BIN(m_pipeline), "sink");
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink *s, gpointer streaming) {
        return GstFlowReturn(onNewSample(s, streaming));
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, m_streaming.get(), nullptr);
    gst_object_unref(sink);

    if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return firstError(PipelineFault::Unavailable,
                          QStringLiteral("the video source could not be started"));
    return std::nullopt;
}

std::optional<PipelineFault> VideoPipeline::checkInput()
{
    if (!m_pipeline)
        return PipelineFault{PipelineFault::Unavailable, QStringLiteral("it is closed")};
    const int fd = deviceFd();
    if (fd >= 0 && !inputHasSignal(fd))
        return PipelineFault{PipelineFault::NoSignal, {}};
    return std::nullopt;
}

void VideoPipeline::closeNow()
{
    if (!m_pipeline)
        return;
    gst::stopAndRelease(std::exchange(m_pipeline, nullptr));
    m_streaming->devicePool.releaseAfterStop();
    m_streaming.reset();
}

// A camera whose node now holds nothing, or another device, has been
// unplugged; plugged in again, it may sit at another node.
QString VideoPipeline::sourceText()
{
    if (m_source.cameraPath.isEmpty())
        return m_source.pipelineText;
    if (m_identity.isKnown() && identityAt(m_source.cameraPath) != m_identity)
        if (const std::optional<QString> moved = pathOf(m_identity))
            m_source.cameraPath = *moved;
    return QStringLiteral("v4l2src device=") + quoted(m_source.cameraPath);
}

// The element that reads a kernel video device, where the source is one.
GstElement *VideoPipeline::deviceSource() const
{
    GstElement *found = nullptr;
    GstIterator *sources = gst_bin_iterate_sources(GST_BIN(m_pipeline));
    GValue item = G_VALUE_INIT;
    while (!found && gst_iterator_next(sources, &item) == GST_ITERATOR_OK) {
        auto *element = GST_ELEMENT(g_value_get_object(&item));
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "device-fd"))
            found = GST_ELEMENT(gst_object_ref(element));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(sources);
    return found;
}

int VideoPipeline::deviceFd() const
{
    int fd = -1;
    if (GstElement *source = deviceSource()) {
        g_object_get(source, "device-fd", &fd, nullptr);
        gst_object_unref(source);
    }
    return fd;
}

void VideoPipeline::holdToMode(QSize size)
{
    GstElement *mode = gst_bin_get_by_name(GST_BIN(m_pipeline), "mode");
    GstPad *pad = gst_element_get_static_pad(mode, "sink");
    GstCaps *offered = gst_pad_peer_query_caps(pad, nullptr);
    const QSize capture = chooseCaptureSize(offeredSizes(offered, size), size);
    gst_caps_unref(offered);
    gst_object_unref(pad);
    // The program's own pixel layout comes first, so that a source able to
    // give it does and nothing is converted; decodebin would otherwise leave
    // the choice to the source, which may well take its widest layout. Not
    // so a camera: frames in its own layout would be its driver's buffers,
    // and any kept downstream would keep the device open.
    const QByteArray dimensions =
        QStringLiteral("width=%1,height=%2").arg(capture.width()).arg(capture.height()).toLatin1();
    const QByteArray ownLayout =
        m_camera ? QByteArray() : "video/x-raw,format=BGRA," + dimensions + ";";
    GstCaps *held =
        gst_caps_from_string(ownLayout + "video/x-raw," + dimensions + ";image/jpeg," + dimensions);
    g_object_set(mode, "caps", held, nullptr);
    gst_caps_unref(held);
    gst_object_unref(mode);
}

PipelineFault VideoPipeline::firstError(PipelineFault::Kind kind, const QString &fallback) const
{
    const std::lock_guard lock(m_streaming->errorLock);
    if (!m_streaming->firstError)
        return {kind, fallback};
    PipelineFault fault = *m_streaming->firstError;
    if (fault.kind == PipelineFault::Stopped)
        fault.kind = kind;
    return fault;
}

int VideoPipeline::onNewSample(GstAppSink *sink, void *data)
{
    auto *streaming = static_cast<Streaming *>(data);
    VideoPipeline *self = streaming->owner;
    GstSample *sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    const qint64 now = g_get_monotonic_time();
    const bool due = now - streaming->lastFrameUs >= self->m_spacingUs;
    if (due && self->m_framesInFlight < maxFramesInFlight) {
        streaming->lastFrameUs = now;
        const GstVideoInfo *layout = streaming->layoutOf(gst_sample_get_caps(sample));
        const QImage frame = layout ? wrapFrame(sample, *layout) : QImage();
        if (!frame.isNull()) {
            ++self->m_framesInFlight;
            const quint64 opening = streaming->opening;
            QMetaObject::invokeMethod(
                self, [self, frame, opening] { self->handOver(frame, opening); },
                Qt::QueuedConnection);
        }
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

// Only failures and the end of the stream matter; every message is used up
// here, so none collects on the bus nor keeps the pipeline alive.
int VideoPipeline::onBusMessage(GstBus *, GstMessage *message, void *data)
{
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS) {
        auto *streaming = static_cast<Streaming *>(data);
        const PipelineFault fault = faultOf(message);
        bool tell = false;
        {
            const std::lock_guard lock(streaming->errorLock);
            if (!streaming->firstError) {
                streaming->firstError = fault;
                tell = streaming->started;
            }
        }
        if (tell)
            streaming->owner->answer(streaming->opening, fault, false);
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

} // namespace device::gst
