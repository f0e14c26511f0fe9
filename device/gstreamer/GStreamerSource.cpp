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

GStreamerSource::GStreamerSource(const QString &pipelineSource, const QString &name)
    : m_name(name)
    , m_pipeline(pipelineSource)
{
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(defaultFrameTimeoutMs);
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        fault(tr("%1 sent no picture for %2 seconds.")
                  .arg(m_name, QString::number(m_watchdog.interval() / 1000.0)));
    });
    m_keepOpen.setSingleShot(true);
    m_keepOpen.setInterval(keepOpenMs);
    connect(&m_keepOpen, &QTimer::timeout, this, &GStreamerSource::releaseWhenIdle);
    connect(&m_pipeline, &VideoPipeline::frameArrived, this, &GStreamerSource::frameArrived);
    connect(&m_pipeline, &VideoPipeline::broke, this,
            [this](const QString &reason) { fault(tr("%1 stopped: %2").arg(m_name, reason)); });
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
void GStreamerSource::showPreview()
{
    if (!m_preview || m_exposure || !openFor(previewSize, m_preview->source))
        return;
    // A little under the frame interval, so that a source's own 30 frames a
    // second all pass despite jitter, while faster sources are thinned out.
    m_pipeline.setFrameSpacing(1000 / previewRate - 3);
    m_watchdog.start();
}

void GStreamerSource::beginExposure()
{
    if (!m_exposure || !openFor(m_exposure->size(), m_exposure->source))
        return;
    m_pipeline.setFrameSpacing(0);
    m_acquiring = true;
    m_watchdog.start();
}

bool GStreamerSource::openFor(QSize size, SourceKind source)
{
    const int input = inputFor(source);
    if (m_pipeline.isOpen() && m_pipeline.requestedSize() == size &&
        m_pipeline.requestedInput() == input)
        return true;
    if (const snappy::Failure failure = m_pipeline.open(size, input)) {
        fault(tr("%1 could not be opened: %2").arg(m_name, *failure));
        return false;
    }
    return true;
}

void GStreamerSource::frameArrived(const QImage &frame)
{
    const bool previewing = m_preview && !m_exposure;
    if (!m_acquiring && !previewing)
        return;
    m_watchdog.start();
    if (m_acquiring) {
        addToExposure(frame);
        return;
    }
    // The frame lives in the device's own buffer: what is shown must be a
    // copy, or the device could not be closed while the picture is kept.
    QImage shown = cropToFourByThree(frame);
    if (shown.size() != previewSize)
        shown = shown.scaled(previewSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!m_preview->colour)
        shown = grey(shown);
    else if (shown.constBits() == frame.constBits())
        shown = shown.copy();
    m_faultReported = false;
    emit previewFrame(shown);
}

void GStreamerSource::addToExposure(const QImage &frame)
{
    if (m_framesTaken == 0) {
        m_exposureFrameSize = frame.size();
        m_sums.assign(size_t(frame.width()) * size_t(frame.height()) * 4, 0);
    }
    if (frame.size() != m_exposureFrameSize)
        return;
    const size_t lineBytes = size_t(frame.width()) * 4;
    for (int y = 0; y < frame.height(); ++y) {
        const uchar *pixels = frame.constScanLine(y);
        quint16 *sums = m_sums.data() + size_t(y) * lineBytes;
        for (size_t i = 0; i < lineBytes; ++i)
            sums[i] += pixels[i];
    }
    if (++m_framesTaken == m_framesWanted)
        finishExposure();
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
