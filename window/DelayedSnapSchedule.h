#pragma once

// Time-lapse snapping: the delay list sets the interval, and a one-second
// countdown starts a snap each time one falls due and shows the time left.
// Snaps fall due on a steady clock, at whole intervals after the series
// started, so a stalled event loop or a slow save never shifts later snaps.

#include "core/CaptureState.h"
#include "window/CaptureControls.h"
#include "window/SnapSettings.h"

#include <chrono>
#include <functional>

// Where delayed snaps read the time. The program reads the monotonic clock;
// a test passes one it moves itself, so a long series runs in a moment.
using SnapClock = std::function<std::chrono::steady_clock::time_point()>;
SnapClock steadyClock();

class DelayedSnapSchedule {
public:
    DelayedSnapSchedule(CaptureControls &controls, CaptureState &state, SnapStarter &starter,
                        SnapClock clock);

    void CmbSnapTime_Click();
    void tmrDelaySnap_Timer();

private:
    CaptureControls &m_controls;
    CaptureState &m_state;
    SnapStarter &m_starter;
    SnapClock m_clock;
    std::chrono::steady_clock::time_point m_seriesStart;
    // Seconds after the series started at which the next snap falls due.
    qint64 m_nextSnapAt = 0;
};

// "Next Snap in H Hrs M minutes S Seconds" for the seconds left.
QString countdownText(qint32 secondsLeft);
