#include "device/standin/Camera.h"

namespace device {

Camera::Camera(quint32 seed)
    : m_sensor(seed)
{
}

QImage Camera::expose(const CaptureSettings &settings, const QDateTime &moment)
{
    return read(settings.source, settings.colour, framesAveraged(settings.method), moment,
                TestCard::size);
}

QImage Camera::previewFrame(const PreviewSettings &settings, const QDateTime &moment)
{
    return read(settings.source, settings.colour, 1, moment, previewSize);
}

QImage Camera::read(SourceKind source, bool colour, int reads, const QDateTime &moment, QSize size)
{
    // One read per video frame, the last one at `moment`.
    std::vector<QImage> views;
    views.reserve(size_t(reads));
    for (int i = reads - 1; i >= 0; --i)
        views.push_back(m_scene.render(source, moment.addMSecs(-qint64(i) * Scene::frameMs), size));
    return m_sensor.read(std::move(views), colour);
}

} // namespace device
