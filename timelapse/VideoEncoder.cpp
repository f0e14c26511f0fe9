#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include "timelapse/VideoEncoder.h"

#include "device/gstreamer/GStreamer.h"

#include <QFile>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

namespace timelapse {

namespace {

// Enough to keep the encoder busy while the next picture is read.
constexpr guint64 queuedFrames = 3;

// 32-bit RGB as QImage keeps it in memory, the fourth byte unused.
constexpr const char *rawFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "BGRx" : "xRGB";

} // namespace

// What GStreamer's threads tell the pushing one: whether the queue is full,
// the end of the stream and the first error.
struct VideoEncoder::Streaming {
    std::mutex lock;
    std::condition_variable changed;
    bool full = false;
    bool ended = false;
    std::optional<QString> error;

    void update(const std::function<void()> &change)
    {
        {
            const std::lock_guard held(lock);
            change();
        }
        changed.notify_all();
    }
    snappy::Failure failure()
    {
        const std::lock_guard held(lock);
        return error;
    }
    // Waits until `done` holds or the stream failed; returns the failure.
    snappy::Failure waitFor(const std::function<bool()> &done)
    {
        std::unique_lock held(lock);
        changed.wait(held, [&] { return error || done(); });
        return error;
    }
};

VideoEncoder::VideoEncoder(QSize size, double framesPerSecond)
    : m_size(size)
{
    gst_util_double_to_fraction(framesPerSecond, &m_rateNumerator, &m_rateDenominator);
}

VideoEncoder::~VideoEncoder()
{
    close();
}

snappy::Failure VideoEncoder::open(const VideoFormat &format, const QString &path)
{
    GError *error = nullptr;
    m_pipeline = gst_parse_launch((QStringLiteral("appsrc name=frames ! ") + format.elements +
                                   QStringLiteral(" ! filesink name=file"))
                                      .toUtf8()
                                      .constData(),
                                  &error);
    if (error) {
        const QString reason = device::gst::reasonOf(error);
        g_clear_error(&error);
        close();
        return QStringLiteral("The video encoder could not be made: %1").arg(reason);
    }
    m_streaming = std::make_unique<Streaming>();
    GstBus *bus = gst_element_get_bus(m_pipeline);
    // Every message is answered here, so none piles up on the bus.
    gst_bus_set_sync_handler(
        bus,
        [](GstBus *, GstMessage *message, gpointer data) {
            auto *streaming = static_cast<Streaming *>(data);
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
                const QString reason = device::gst::reasonOf(message);
                streaming->update([&] {
                    if (!streaming->error)
                        streaming->error = reason;
                });
            } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
                streaming->update([&] { streaming->ended = true; });
            }
            return GST_BUS_DROP;
        },
        m_streaming.get(), nullptr);
    gst_object_unref(bus);

    GstElement *file = gst_bin_get_by_name(GST_BIN(m_pipeline), "file");
    g_object_set(file, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(file);

    m_source = gst_bin_get_by_name(GST_BIN(m_pipeline), "frames");
    GstCaps *caps = gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, rawFormat, "width", G_TYPE_INT, m_size.width(),
        "height", G_TYPE_INT, m_size.height(), "framerate", GST_TYPE_FRACTION, m_rateNumerator,
        m_rateDenominator, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(m_source, "caps", caps, "format", GST_FORMAT_TIME, "max-buffers", queuedFrames,
                 "max-bytes", guint64(0), "block", FALSE, nullptr);
    gst_caps_unref(caps);
    // The queue is full from the moment it holds more than queuedFrames, and
    // has room again once the encoder took everything.
    GstAppSrcCallbacks callbacks{};
    callbacks.need_data = [](GstAppSrc *, guint, gpointer data) {
        auto *streaming = static_cast<Streaming *>(data);
        streaming->update([&] { streaming->full = false; });
    };
    callbacks.enough_data = [](GstAppSrc *, gpointer data) {
        auto *streaming = static_cast<Streaming *>(data);
        streaming->update([&] { streaming->full = true; });
    };
    gst_app_src_set_callbacks(GST_APP_SRC(m_source), &callbacks, m_streaming.get(), nullptr);

    if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        const QString reason =
            m_streaming->failure().value_or(QStringLiteral("the video pipeline could not start"));
        close();
        return QStringLiteral("Could not write %1: %2").arg(path, reason);
    }
    return std::nullopt;
}

snappy::Failure VideoEncoder::push(const QImage &picture)
{
    // Both keep 32-bit RGB with a fourth byte the frame leaves unused.
    auto *held = new QImage(picture.format() == QImage::Format_RGB32 ||
                                    picture.format() == QImage::Format_ARGB32
                                ? picture
                                : picture.convertToFormat(QImage::Format_RGB32));
    GstBuffer *buffer = gst_buffer_new_wrapped_full(
        GST_MEMORY_FLAG_READONLY, const_cast<uchar *>(held->constBits()),
        gsize(held->sizeInBytes()), 0, gsize(held->sizeInBytes()), held,
        [](gpointer image) { delete static_cast<QImage *>(image); });
    const auto timeOf = [this](qint64 frame) {
        return gst_util_uint64_scale(guint64(frame), GST_SECOND * guint64(m_rateDenominator),
                                     guint64(m_rateNumerator));
    };
    GST_BUFFER_PTS(buffer) = timeOf(m_frames);
    GST_BUFFER_DURATION(buffer) = timeOf(m_frames + 1) - timeOf(m_frames);

    if (const snappy::Failure failure =
            m_streaming->waitFor([this] { return !m_streaming->full; })) {
        gst_buffer_unref(buffer);
        return failure;
    }
    if (gst_app_src_push_buffer(GST_APP_SRC(m_source), buffer) != GST_FLOW_OK)
        return m_streaming->failure().value_or(QStringLiteral("the video encoder stopped"));
    ++m_frames;
    return std::nullopt;
}

snappy::Failure VideoEncoder::finish()
{
    gst_app_src_end_of_stream(GST_APP_SRC(m_source));
    const snappy::Failure failure = m_streaming->waitFor([this] { return m_streaming->ended; });
    close();
    return failure;
}

void VideoEncoder::close()
{
    if (!m_pipeline)
        return;
    device::gst::stopAndRelease(std::exchange(m_pipeline, nullptr));
    if (m_source)
        gst_object_unref(std::exchange(m_source, nullptr));
    m_streaming.reset();
}

} // namespace timelapse
