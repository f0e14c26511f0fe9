#pragma once

// The camera: the scene as its sensor reads it, at the sensor's own size.
// Snaps read the scene over several frames, as their method asks; previews
// are single reads of the scene drawn at the preview size, which costs a
// fraction of reading it whole and scaling it down.

#include "device/CaptureSettings.h"
#include "device/FrameSource.h"
#include "device/standin/Scene.h"
#include "device/standin/Sensor.h"

#include <QDateTime>
#include <QImage>

namespace device {

class Camera {
public:
    static constexpr QSize previewSize = FrameSource::previewSize;

    explicit Camera(quint32 seed = QRandomGenerator::global()->generate());

    // The raw picture of a snap taken with these settings, ending at `moment`.
    QImage expose(const CaptureSettings &settings, const QDateTime &moment);
    QImage previewFrame(const PreviewSettings &settings, const QDateTime &moment);

private:
    QImage read(SourceKind source, bool colour, int reads, const QDateTime &moment, QSize size);

    Scene m_scene;
    Sensor m_sensor;
};

} // namespace device
