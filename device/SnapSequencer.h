#pragma once

// Takes snaps one after another, each in three steps driven by the event
// loop: acquiring (for as long as the snap method takes), then waiting for
// the caller to ask for processing, then processing and handing over the
// finished picture. Snaps asked for while one is under way wait their turn,
// each with the settings it was asked with, and each ends exactly once.

#include "device/standin/Camera.h"
#include "device/CaptureSettings.h"

#include <QImage>
#include <QObject>
#include <QTimer>

#include <deque>

namespace device {

class SnapSequencer : public QObject {
    Q_OBJECT
public:
    // How long each snap method, 0 to 3, acquires at time scale 1.
    static int acquisitionMs(int method);

    explicit SnapSequencer(Camera &camera);

    // 1 for real time, 0 for every step at the next turn of the event loop.
    void setTimeScale(double factor);

    void snap(const CaptureSettings &settings);
    // Ignored unless a snap is waiting for it.
    void processData();

signals:
    void acquiring();
    void awaitingProcessing();
    void finished(const QImage &picture);

private:
    enum class Stage { Idle, Starting, Acquiring, AwaitingProcessing, Processing };

    void advance();
    void startNextOrIdle();

    Camera &m_camera;
    std::deque<CaptureSettings> m_queue;
    Stage m_stage = Stage::Idle;
    QImage m_raw;
    double m_timeScale = 1.0;
    QTimer m_timer;
};

} // namespace device
