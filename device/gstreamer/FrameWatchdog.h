#pragma once

// Tells when an open device has gone too long without a frame put to use.
// A frame only moves the deadline on; the timer is set again only when it
// fires early, not thirty times a second.

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

namespace device::gst {

class FrameWatchdog : public QObject {
    Q_OBJECT
public:
    FrameWatchdog();

    // Expires `milliseconds` from now unless fed before.
    void start(int milliseconds);
    // A frame came: expires `milliseconds` from now, or when an earlier
    // start said, if that is later.
    void feed(int milliseconds);
    void stop() { m_timer.stop(); }

signals:
    void expired();

private:
    void check();

    QTimer m_timer;
    QDeadlineTimer m_deadline;
};

} // namespace device::gst
