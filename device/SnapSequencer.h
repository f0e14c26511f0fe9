#pragma once

// Takes snaps one after another, each in three steps driven by the event
// loop: acquiring (until the frame source hands over the raw picture), then
// waiting for the caller to ask for processing, then processing and handing
// over the finished picture. Snaps asked for while one is under way wait
// their turn, each with the settings it was asked with, and each ends
// exactly once: a snap whose source failed ends at once without a picture.

#include "device/CaptureSettings.h"
#include "device/FrameSource.h"

#include <QImage>
#include <QObject>
#include <QTimer>

#include <deque>

namespace device {

class SnapSequencer : public QObject {
    Q_OBJECT
public:
    explicit SnapSequencer(FrameSource &source);

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
    void acquired(const QImage &raw);
    void finish(const QImage &picture);
    void startNextOrIdle();

    FrameSource &m_source;
    std::deque<CaptureSettings> m_queue;
    Stage m_stage = Stage::Idle;
    QImage m_raw;
    QTimer m_step;
};

} // namespace device
