#include "device/SnapSequencer.h"

#include "device/SnapProcessor.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <cmath>

namespace device {

int SnapSequencer::acquisitionMs(int method)
{
    static constexpr std::array durations{200, 500, 1000, 2000};
    return durations.at(std::clamp(method, 0, int(durations.size()) - 1));
}

SnapSequencer::SnapSequencer(Camera &camera)
    : m_camera(camera)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SnapSequencer::advance);
}

void SnapSequencer::setTimeScale(double factor)
{
    m_timeScale = std::max(0.0, factor);
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
    m_timer.start(0);
}

void SnapSequencer::startNextOrIdle()
{
    m_stage = m_queue.empty() ? Stage::Idle : Stage::Starting;
    if (m_stage == Stage::Starting)
        m_timer.start(0);
}

// Each step sets the next stage before it signals, so that whatever the
// receivers call back (another snap, processing) finds the state it expects.
void SnapSequencer::advance()
{
    switch (m_stage) {
    case Stage::Starting:
        m_stage = Stage::Acquiring;
        m_timer.start(int(std::lround(acquisitionMs(m_queue.front().method) * m_timeScale)));
        emit acquiring();
        break;
    case Stage::Acquiring:
        m_raw = m_camera.expose(m_queue.front(), QDateTime::currentDateTime());
        m_stage = Stage::AwaitingProcessing;
        emit awaitingProcessing();
        break;
    case Stage::Processing: {
        const QImage picture = SnapProcessor::process(m_raw, m_queue.front());
        m_raw = QImage();
        m_queue.pop_front();
        startNextOrIdle();
        emit finished(picture);
        break;
    }
    case Stage::Idle:
    case Stage::AwaitingProcessing: break;
    }
}

} // namespace device
