#pragma once

// The stand-in's frames: its camera watching the moving test scene. A snap
// acquires for as long as its method would take on a real camera.

#include "device/FrameSource.h"
#include "device/standin/Camera.h"
#include "device/standin/PreviewLoop.h"

#include <QTimer>

namespace device {

class SimulatedSource : public FrameSource {
    Q_OBJECT
public:
    // How long each snap method, 0 to 3, acquires at time scale 1.
    static int acquisitionMs(int method);

    static QString displayName();

    SimulatedSource();

    QString name() const override;
    void startPreview(const PreviewSettings &settings) override;
    void stopPreview() override;
    void expose(const CaptureSettings &settings) override;

    // 1 for real time, 0 for every exposure at the next turn of the event loop.
    void setTimeScale(double factor);

private:
    void exposeNow();

    Camera m_camera;
    PreviewLoop m_preview{m_camera};
    CaptureSettings m_exposing;
    double m_timeScale = 1.0;
    QTimer m_acquisition;
};

} // namespace device
