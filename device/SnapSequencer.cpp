#include "device/SnapSequencer.h"

#include "device/SnapProcessor.h"

namespace device {

SnapSequencer::SnapSequencer(FrameSource &source)
    : m_source(source)
{
    m_step.setSingleShot(true);
    m_step.setInterval(0);
    connect(&m_step, &QTimer::timeout, this, &SnapSequencer::advance);
    connect(&m_source, &FrameSource::exposed, this, &SnapSequencer::acquired);
}

void SnapSequencer::snap(const CaptureSettings &settings)
{
    m_queue.push_back(settings);
    if (m_stage == Stage::Idle)
        startNextOrIdle();
}

void SnapSequencer::processData()
{
    if (m_stage != Stage::AwaitingProcessing)
        return;
    m_stage = Stage::Processing;
    m_step.start();
}

void SnapSequencer::startNextOrIdle()
{
    m_stage = m_queue.empty() ? Stage::Idle : Stage::Starting;
    if (m_stage == Stage::Starting)
        m_step.start();
}

// Each step sets the next stage before it signals, so that whatever the
// receivers call back (another snap, processing) finds the state it expects.
void SnapSequencer::advance()
{
    switch (m_stage) {
    case Stage::Starting:
        m_stage = Stage::Acquiring;
        m_source.expose(m_queue.front());
        emit acquiring();
        break;
    case Stage::Processing: {
        const QImage picture = SnapProcessor::process(m_raw, m_queue.front());
        m_raw = QImage();
        finish(picture);
        break;
    }
    case Stage::Idle:
    case Stage::Acquiring:
    case Stage::AwaitingProcessing: break;
    }
}

void SnapSequencer::acquired(const QImage &raw)
{
    if (m_stage != Stage::Acquiring)
        return;
    if (raw.isNull()) {
        finish(QImage());
        return;
    }
    m_raw = raw;
    m_stage = Stage::AwaitingProcessing;
    emit awaitingProcessing();
}

void SnapSequencer::finish(const QImage &picture)
{
    m_queue.pop_front();
    startNextOrIdle();
    emit finished(picture);
}

} // namespace device
