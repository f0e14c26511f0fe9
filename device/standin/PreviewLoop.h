#pragma once

// The live preview: while it runs, a new frame from the camera thirty times a
// second, delivered from the event loop.

#include "device/standin/Camera.h"
#include "device/CaptureSettings.h"

#include <QObject>
#include <QTimer>

namespace device {

class PreviewLoop : public QObject {
    Q_OBJECT
public:
    static constexpr int frameIntervalMs = 33;

    explicit PreviewLoop(Camera &camera);

    // Starting a running preview only changes what it shows, not its rate.
    void start(const PreviewSettings &settings);
    void stop();
    bool isRunning() const { return m_timer.isActive(); }

signals:
    void frameReady(const QImage &frame);

private:
    void showFrame();

    Camera &m_camera;
    PreviewSettings m_settings;
    QTimer m_timer;
};

} // namespace device
