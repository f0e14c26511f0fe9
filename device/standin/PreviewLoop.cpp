#include "device/standin/PreviewLoop.h"

#include <QDateTime>

namespace device {

PreviewLoop::PreviewLoop(Camera &camera)
    : m_camera(camera)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(frameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &PreviewLoop::showFrame);
}

void PreviewLoop::start(const PreviewSettings &settings)
{
    m_settings = settings;
    if (!m_timer.isActive())
        m_timer.start();
}

void PreviewLoop::stop()
{
    m_timer.stop();
}

void PreviewLoop::showFrame()
{
    emit frameReady(m_camera.previewFrame(m_settings, QDateTime::currentDateTime()));
}

} // namespace device
