#include "device/gstreamer/FrameWatchdog.h"

namespace device::gst {

FrameWatchdog::FrameWatchdog()
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &FrameWatchdog::check);
}

void FrameWatchdog::start(int milliseconds)
{
    m_deadline.setRemainingTime(milliseconds);
    m_timer.start(milliseconds);
}

void FrameWatchdog::feed(int milliseconds)
{
    m_deadline.setRemainingTime(milliseconds);
    if (!m_timer.isActive())
        m_timer.start(milliseconds);
}

void FrameWatchdog::check()
{
    if (m_deadline.hasExpired())
        emit expired();
    else
        m_timer.start(int(m_deadline.remainingTime()));
}

} // namespace device::gst
