#pragma once

// Time-lapse snapping: the delay list sets the interval, and a one-second
// countdown starts a snap each time it runs out and shows the time left.

#include "app/CaptureControls.h"
#include "app/CaptureState.h"
#include "settings/SnapSettings.h"

class DelayedSnapSchedule {
public:
    DelayedSnapSchedule(CaptureControls &controls, CaptureState &state, SnapStarter &starter);

    void CmbSnapTime_Click();
    void tmrDelaySnap_Timer();

private:
    CaptureControls &m_controls;
    CaptureState &m_state;
    SnapStarter &m_starter;
};

// "Next Snap in H Hrs M minutes S Seconds" for the seconds left.
QString countdownText(qint32 secondsLeft);
