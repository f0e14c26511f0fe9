#pragma once

// Encodes pictures of one size into a video file through GStreamer: each
// pushed picture is a frame, timed by its place in the video and the frame
// rate, whatever the time it was pushed. Pushing waits while the encoder is
// a few frames behind, so a series of any length holds only those frames.
// A video not finished is incomplete: the file is for its owner to remove.

#include "device/SnappyDevice.h"
#include "timelapse/VideoFormat.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

typedef struct _GstElement GstElement;

namespace timelapse {

class VideoEncoder {
public:
    VideoEncoder(QSize size, double framesPerSecond);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder &) = delete;
    VideoEncoder &operator=(const VideoEncoder &) = delete;

    // GStreamer must be started.
    snappy::Failure open(const VideoFormat &format, const QString &path);
    // A picture of the video's size, in any format.
    snappy::Failure push(const QImage &picture);
    // Encodes what is still queued and completes the file, with its index.
    snappy::Failure finish();

    QSize size() const { return m_size; }
    qint64 frames() const { return m_frames; }

private:
    struct Streaming;

    void close();

    QSize m_size;
    int m_rateNumerator = 0;
    int m_rateDenominator = 1;
    qint64 m_frames = 0;
    GstElement *m_pipeline = nullptr;
    GstElement *m_source = nullptr;
    std::unique_ptr<Streaming> m_streaming;
};

} // namespace timelapse
