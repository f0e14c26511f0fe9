#include "window/DelayedSnapSchedule.h"

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

SnapClock steadyClock()
{
    return [] { return std::chrono::steady_clock::now(); };
}

DelayedSnapSchedule::DelayedSnapSchedule(CaptureControls &controls, CaptureState &state,
                                         SnapStarter &starter, SnapClock clock)
    : m_controls(controls)
    , m_state(state)
    , m_starter(starter)
    , m_clock(std::move(clock))
{
}

void DelayedSnapSchedule::CmbSnapTime_Click()
{
    const int index = m_controls.CmbSnapTime->currentIndex();
    if (index >= 0 && index < static_cast<int>(IntervalSeconds.size()))
        m_state.iSnapTime = IntervalSeconds[index];
    m_state.iCountDown = m_state.iSnapTime;
    m_seriesStart = m_clock();
    m_nextSnapAt = m_state.iSnapTime;
    // The ticks of a running countdown start over with the series, so each
    // one lands on a whole second of it and the shown count turns over on
    // time.
    if (m_controls.tmrDelaySnap->isActive())
        m_controls.tmrDelaySnap->start();
    m_controls.lblNextSnap->clear();
}

void DelayedSnapSchedule::tmrDelaySnap_Timer()
{
    // A tick that comes a little late or early still counts for the second
    // it was meant for.
    const qint64 elapsed =
        std::chrono::round<std::chrono::seconds>(m_clock() - m_seriesStart).count();
    if (elapsed >= m_nextSnapAt) {
        // After a stall, the snaps missed are not made up in a burst: one
        // snap now, and the series goes on at its own due times.
        m_starter.SnapSettings();
        m_nextSnapAt = (elapsed / m_state.iSnapTime + 1) * m_state.iSnapTime;
    }
    m_state.iCountDown = static_cast<qint32>(m_nextSnapAt - elapsed);
    m_controls.lblNextSnap->setText(countdownText(m_state.iCountDown));
    m_controls.lblNextSnap->adjustSize();
}
