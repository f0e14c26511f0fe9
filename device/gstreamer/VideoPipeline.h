#pragma once

// One GStreamer pipeline from a video source to the program: the source,
// held to the capture size, decoded and converted to 32-bit RGB, ending in
// a sink that keeps only the newest frame. Closing it releases the device
// for other programs.
//
// Opening, probing, closing and every state change happen on a thread of
// the pipeline's own, so a camera that is slow to open or hangs in the
// kernel never stalls the window: the calls below return at once and are
// answered by signals. Frames arrive on GStreamer's streaming thread and
// are handed over by queued call, like every answer from the pipeline's
// thread; each answer belongs to one opening, and answers of an opening
// that was closed since are dropped.

#include "device/gstreamer/V4l2Node.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QThread>

#include <atomic>
#include <memory>
#include <optional>

typedef struct _GstElement GstElement;
typedef struct _GstAppSink GstAppSink;
typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;

namespace device::gst {

// What frames come from.
struct VideoSource {
    // GStreamer's pipeline text for a source other than a kernel video
    // device, such as "videotestsrc is-live=true".
    QString pipelineText;
    // A kernel video device's node. When the device comes back from an
    // unplug under another node, it is found again by what it is.
    QString cameraPath;

    static VideoSource pipeline(const QString &text) { return {text, {}}; }
    static VideoSource camera(const QString &path) { return {{}, path}; }
};

struct PipelineFault {
    enum Kind { Unavailable, Busy, NoSignal, Stopped };
    Kind kind;
    QString reason;
};

class VideoPipeline : public QObject {
    Q_OBJECT
public:
    explicit VideoPipeline(VideoSource source);
    ~VideoPipeline() override;

    // Opens the source in the mode nearest to `size` (see CaptureMode) on
    // the given input, where the device has several, and starts it; when it
    // is open so already, checks that its input still has a signal. Each
    // call is answered once, by `ready` or by `broke`.
    void open(QSize size, int input);
    void close();

    // A camera's frames may be its driver's own buffers, when nothing had to
    // be converted: a picture kept from one keeps the device open until it
    // is gone, so what is kept must be a copy.
    bool framesMayHoldTheDevice() const { return m_camera; }

    // The least time between two frames handed over; 0 hands over all.
    void setFrameSpacing(int milliseconds) { m_spacingUs = qint64(milliseconds) * 1000; }

signals:
    // `opened` when the device was opened for this answer, so that its
    // picture may still be settling.
    void ready(bool opened);
    void frameArrived(const QImage &frame);
    // The source could not be opened, or failed or ended while open. The
    // pipeline is closed by then.
    void broke(const device::gst::PipelineFault &fault);

private:
    struct Streaming;

    static int onNewSample(GstAppSink *sink, void *streaming);
    static int onBusMessage(GstBus *bus, GstMessage *message, void *streaming);

    template <typename Work>
    void onPipelineThread(Work work);
    void answer(quint64 opening, std::optional<PipelineFault> fault, bool opened);
    void handOver(const QImage &frame, quint64 opening);

    // On the pipeline's thread only.
    void openNow(QSize size, int input, quint64 opening);
    std::optional<PipelineFault> start(QSize size, int input, quint64 opening);
    // The whole pipeline text around the source's.
    static QString description(const QString &source);
    std::optional<PipelineFault> checkInput();
    void closeNow();
    QString sourceText();
    GstElement *deviceSource() const;
    int deviceFd() const;
    void holdToMode(QSize size);
    PipelineFault firstError(PipelineFault::Kind kind, const QString &fallback) const;

    // The user-interface thread's view.
    bool m_open = false;
    QSize m_requestedSize;
    int m_requestedInput = -1;
    quint64 m_opening = 0;
    std::atomic<int> m_framesInFlight{0};
    std::atomic<qint64> m_spacingUs{0};

    const bool m_camera;

    // The pipeline's thread's own.
    VideoSource m_source;
    NodeIdentity m_identity;
    GstElement *m_pipeline = nullptr;
    std::unique_ptr<Streaming> m_streaming;

    QThread m_thread;
    QObject m_worker;
};

} // namespace device::gst
