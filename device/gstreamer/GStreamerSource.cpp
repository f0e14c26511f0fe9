#include "device/gstreamer/GStreamerSource.h"

#include "device/gstreamer/CaptureMode.h"

namespace device::gst {

namespace {

QImage grey(const QImage &picture)
{
    return picture.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
}

int inputFor(SourceKind source)
{
    return source == SourceKind::Tape ? 1 : 0;
}

} // namespace

GStreamerSource::GStreamerSource(VideoSource source, const QString &name)
    : m_name(name)
    , m_pipeline(std::move(source))
{
    connect(&m_watchdog, &FrameWatchdog::expired, this, [this] {
        fault(tr("%1 sent no picture for %2 seconds.")
                  .arg(m_name, QString::number(m_frameTimeoutMs / 1000.0)));
    });
    m_keepOpen.setSingleShot(true);
    m_keepOpen.setInterval(keepOpenMs);
    connect(&m_keepOpen, &QTimer::timeout, this, &GStreamerSource::releaseWhenIdle);
    connect(&m_pipeline, &VideoPipeline::ready, this, &GStreamerSource::opened);
    connect(&m_pipeline, &VideoPipeline::frameArrived, this, &GStreamerSource::frameArrived);
    connect(&m_pipeline, &VideoPipeline::broke, this, &GStreamerSource::brokeDown);
}

void GStreamerSource::startPreview(const PreviewSettings &settings)
{
    m_preview = settings;
    QMetaObject::invokeMethod(this, &GStreamerSource::showPreview, Qt::QueuedConnection);
}

void GStreamerSource::stopPreview()
{
    m_preview.reset();
    releaseWhenIdle();
}

void GStreamerSource::expose(const CaptureSettings &settings)
{
    m_exposure = settings;
    m_acquiring = false;
    m_framesWanted = framesAveraged(settings.method);
    m_framesTaken = 0;
    m_keepOpen.stop();
    QMetaObject::invokeMethod(this, &GStreamerSource::beginExposure, Qt::QueuedConnection);
}

// A snap has the device to itself; the preview comes back when it is done.
// The watchdog runs from the request on, so a device that never finishes
// opening counts as lost too.
void GStreamerSource::showPreview()
{
    if (!m_preview || m_exposure)
        return;
    // A little under the frame interval, so that a source's own 30 frames a
    // second all pass despite jitter, while faster sources are thinned out.
    m_pipeline.setFrameSpacing(1000 / previewRate - 3);
    m_pipeline.open(previewSize, inputFor(m_preview->source));
    m_watchdog.start(m_frameTimeoutMs);
}

void GStreamerSource::beginExposure()
{
    if (!m_exposure)
        return;
    m_pipeline.setFrameSpacing(0);
    m_pipeline.open(m_exposure->size(), inputFor(m_exposure->source));
    m_watchdog.start(m_frameTimeoutMs);
}

void GStreamerSource::opened(bool afresh)
{
    if (afresh)
        m_settled.setRemainingTime(m_settleMs);
    if (m_exposure && !m_acquiring) {
        m_acquiring = true;
        m_watchdog.start(m_frameTimeoutMs + int(m_settled.remainingTime()));
    }
}

// Only frames put to use feed the watchdog: a stream of frames a snap
// cannot use is as good as none.
void GStreamerSource::frameArrived(const QImage &frame)
{
    if (m_acquiring) {
        if (m_settled.hasExpired() && addToExposure(frame))
            m_watchdog.feed(m_frameTimeoutMs);
        return;
    }
    if (!m_preview || m_exposure)
        return;
    m_watchdog.feed(m_frameTimeoutMs);
    QImage shown = cropToFourByThree(frame);
    if (shown.size() != previewSize)
        shown = shown.scaled(previewSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!m_preview->colour)
        shown = grey(shown);
    else if (shown.constBits() == frame.constBits() && m_pipeline.framesMayHoldTheDevice())
        shown = shown.copy();
    m_faultReported = false;
    emit previewFrame(shown);
}

bool GStreamerSource::addToExposure(const QImage &frame)
{
    if (m_framesTaken == 0) {
        m_exposureFrameSize = frame.size();
        m_sums.assign(size_t(frame.width()) * size_t(frame.height()) * 4, 0);
    }
    if (frame.size() != m_exposureFrameSize)
        return false;
    const size_t lineBytes = size_t(frame.width()) * 4;
    for (int y = 0; y < frame.height(); ++y) {
        const uchar *pixels = frame.constScanLine(y);
        quint16 *sums = m_sums.data() + size_t(y) * lineBytes;
        for (size_t i = 0; i < lineBytes; ++i)
            sums[i] += pixels[i];
    }
    if (++m_framesTaken == m_framesWanted)
        finishExposure();
    return true;
}

void GStreamerSource::finishExposure()
{
    QImage raw(m_exposureFrameSize, QImage::Format_RGB32);
    uchar *pixels = raw.bits();
    const int frames = m_framesTaken;
    for (size_t i = 0; i < m_sums.size(); ++i)
        pixels[i] = uchar((m_sums[i] + frames / 2) / frames);
    if (!m_exposure->colour)
        raw = grey(raw);
    raw = cropToFourByThree(raw);

    m_exposure.reset();
    m_acquiring = false;
    m_faultReported = false;
    m_watchdog.stop();
    if (m_preview)
        QMetaObject::invokeMethod(this, &GStreamerSource::showPreview, Qt::QueuedConnection);
    else
        m_keepOpen.start();
    emit exposed(raw);
}

void GStreamerSource::brokeDown(const PipelineFault &fault)
{
    switch (fault.kind) {
    case PipelineFault::Unavailable:
        this->fault(tr("%1 could not be opened: %2").arg(m_name, fault.reason));
        return;
    case PipelineFault::Busy:
        this->fault(tr("%1 is in use by another program.").arg(m_name));
        return;
    case PipelineFault::NoSignal:
        this->fault(tr("%1: the input has no signal.").arg(m_name));
        return;
    case PipelineFault::Stopped: this->fault(tr("%1 stopped: %2").arg(m_name, fault.reason));
    }
}

// A fault closes the device, so that the next snap or preview opens it
// afresh: that is how a time-lapse carries on once a camera is back.
void GStreamerSource::fault(const QString &reason)
{
    m_pipeline.close();
    m_watchdog.stop();
    m_keepOpen.stop();
    const bool spoiltSnap = m_exposure.has_value();
    m_exposure.reset();
    m_acquiring = false;
    if (!m_faultReported) {
        m_faultReported = true;
        emit failed(reason);
    }
    if (spoiltSnap)
        emit exposed(QImage());
}

void GStreamerSource::releaseWhenIdle()
{
    if (m_exposure || m_preview)
        return;
    m_pipeline.close();
    m_watchdog.stop();
}

} // namespace device::gst
