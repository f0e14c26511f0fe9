#pragma once

// One GStreamer pipeline from a video source to the program: the source,
// held to the capture size, decoded and converted to 32-bit RGB, ending in
// a sink that keeps only the newest frame. Frames arrive on GStreamer's
// streaming thread and are handed to this object's thread by queued call;
// nothing else crosses threads. Closing it releases the device for other
// programs.

#include "capture/SnappyDevice.h"

#include <QImage>
#include <QObject>
#include <QSize>

#include <atomic>

typedef struct _GstElement GstElement;
typedef struct _GstAppSink GstAppSink;
typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;

namespace device::gst {

class VideoPipeline : public QObject {
    Q_OBJECT
public:
    // `source` is the pipeline text of what the frames come from, such as
    // "v4l2src device=/dev/video0" or "videotestsrc is-live=true".
    explicit VideoPipeline(QString source);
    ~VideoPipeline() override;

    // The whole pipeline text around the source's.
    static QString description(const QString &source);

    // Opens the source in the mode nearest to `size` (see CaptureMode) on
    // the given input, where the device has several, and starts it.
    snappy::Failure open(QSize size, int input);
    void close();
    bool isOpen() const { return m_pipeline != nullptr; }
    QSize requestedSize() const { return m_requestedSize; }
    int requestedInput() const { return m_requestedInput; }

    // The least time between two frames handed over; 0 hands over all.
    void setFrameSpacing(int milliseconds) { m_spacingUs = qint64(milliseconds) * 1000; }

signals:
    void frameArrived(const QImage &frame);
    // The source failed or ended while open.
    void broke(const QString &reason);

private:
    static int onNewSample(GstAppSink *sink, void *self);
    static int onBusMessage(GstBus *bus, GstMessage *message, void *self);

    snappy::Failure start(QSize size, int input);
    snappy::Failure errorOnBus(const QString &fallback);
    void chooseInput(int input);
    void holdToMode(QSize size);
    void readBus();
    void handOver(const QImage &frame, quint64 session);

    QString m_source;
    GstElement *m_pipeline = nullptr;
    QSize m_requestedSize;
    int m_requestedInput = -1;
    std::atomic<quint64> m_session{0};
    std::atomic<int> m_framesInFlight{0};
    std::atomic<qint64> m_spacingUs{0};
    qint64 m_lastFrameUs = 0;
};

} // namespace device::gst
