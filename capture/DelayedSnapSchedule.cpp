#include "capture/DelayedSnapSchedule.h"

#include <array>

namespace {
constexpr std::array<qint32, 12> IntervalSeconds{60,   120,  300,   600,   900,   1800,
                                                 3600, 7200, 10800, 21600, 43200, 86400};
constexpr qint32 SecondsPerHour = 3600;
constexpr qint32 SecondsPerMinute = 60;
} // namespace

QString countdownText(qint32 secondsLeft)
{
    const qint32 hours = secondsLeft / SecondsPerHour;
    const qint32 minutes = secondsLeft % SecondsPerHour / SecondsPerMinute;
    const qint32 seconds = secondsLeft % SecondsPerMinute;
    return QStringLiteral("Next Snap in %1 Hrs %2 minutes %3 Seconds")
        .arg(hours)
        .arg(minutes)
        .arg(seconds);
}

DelayedSnapSchedule::DelayedSnapSchedule(CaptureControls &controls, CaptureState &state,
                                         SnapStarter &starter)
    : m_controls(controls)
    , m_state(state)
    , m_starter(starter)
{
}

void DelayedSnapSchedule::CmbSnapTime_Click()
{
    const int index = m_controls.CmbSnapTime->currentIndex();
    if (index >= 0 && index < static_cast<int>(IntervalSeconds.size()))
        m_state.iSnapTime = IntervalSeconds[index];
    m_state.iCountDown = m_state.iSnapTime;
    m_controls.lblNextSnap->clear();
}

void DelayedSnapSchedule::tmrDelaySnap_Timer()
{
    --m_state.iCountDown;
    if (m_state.iCountDown == 0) {
        m_starter.SnapSettings();
        m_state.iCountDown = m_state.iSnapTime;
    }
    m_controls.lblNextSnap->setText(countdownText(m_state.iCountDown));
    m_controls.lblNextSnap->adjustSize();
}
