#include "device/standin/SimulatedSource.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <cmath>

namespace device {

int SimulatedSource::acquisitionMs(int method)
{
    static constexpr std::array durations{200, 500, 1000, 2000};
    return durations.at(std::clamp(method, 0, int(durations.size()) - 1));
}

SimulatedSource::SimulatedSource()
{
    m_acquisition.setSingleShot(true);
    m_acquisition.setTimerType(Qt::PreciseTimer);
    connect(&m_acquisition, &QTimer::timeout, this, &SimulatedSource::exposeNow);
    connect(&m_preview, &PreviewLoop::frameReady, this, &SimulatedSource::previewFrame);
}

QString SimulatedSource::displayName()
{
    return tr("Stand-in camera (simulated test scene)");
}

QString SimulatedSource::name() const
{
    return displayName();
}

void SimulatedSource::startPreview(const PreviewSettings &settings)
{
    m_preview.start(settings);
}

void SimulatedSource::stopPreview()
{
    m_preview.stop();
}

void SimulatedSource::expose(const CaptureSettings &settings)
{
    m_exposing = settings;
    m_acquisition.start(int(std::lround(acquisitionMs(settings.method) * m_timeScale)));
}

void SimulatedSource::setTimeScale(double factor)
{
    m_timeScale = std::max(0.0, factor);
}

void SimulatedSource::exposeNow()
{
    emit exposed(m_camera.expose(m_exposing, QDateTime::currentDateTime()));
}

} // namespace device
