#include "window/SnapModeController.h"

using snappy::DispId;
using snappy::Method;

namespace {
constexpr qint16 BlackAndWhite = 0;
constexpr qint16 Color = 1;

SnapMode selectedMode(const DropDownList *list)
{
    return static_cast<SnapMode>(list->currentIndex());
}
} // namespace

SnapModeController::SnapModeController(CaptureControls &controls, CaptureState &state,
                                       snappy::SnappyDevice &device, AcquisitionProgress &progress,
                                       SnapStarter &starter, DelayedSnapSchedule &schedule)
    : m_controls(controls)
    , m_state(state)
    , m_device(device)
    , m_progress(progress)
    , m_starter(starter)
    , m_schedule(schedule)
{
}

void SnapModeController::cmbSnapMode_Click()
{
    switch (selectedMode(m_controls.cmbSnapMode)) {
    case SnapMode::Off:
        stopCountdown();
        m_device.call(Method::StopPreview);
        break;
    case SnapMode::BlackAndWhitePreview: startPreview(BlackAndWhite); break;
    case SnapMode::ColorPreview: startPreview(Color); break;
    case SnapMode::SingleSnap:
        m_state.bRapidSnap = FlagFalse;
        m_controls.tmrDelaySnap->stop();
        m_device.call(Method::StopPreview);
        startSnapping();
        break;
    case SnapMode::RapidSnap:
        m_state.bRapidSnap = FlagTrue;
        startSnapping();
        break;
    case SnapMode::DelayedSnap:
        m_state.bRapidSnap = FlagFalse;
        m_controls.Frame12->setEnabled(true);
        m_controls.CmbSnapTime->setEnabled(true);
        m_schedule.CmbSnapTime_Click();
        m_controls.tmrDelaySnap->start();
        m_controls.lblNextSnap->show();
        break;
    }

    if (selectedMode(m_controls.cmbSnapMode) != SnapMode::DelayedSnap) {
        m_controls.Frame12->setEnabled(false);
        m_controls.CmbSnapTime->setEnabled(false);
        m_controls.tmrDelaySnap->stop();
        m_controls.lblNextSnap->hide();
    }
}

void SnapModeController::stopCountdown()
{
    m_state.bRapidSnap = FlagFalse;
    m_controls.tmrDelaySnap->stop();
    m_controls.lblNextSnap->hide();
}

void SnapModeController::startPreview(qint16 previewColor)
{
    stopCountdown();
    m_device.call(Method::StopPreview);
    m_device.writeProperty(DispId::PreviewColor, previewColor);
    m_device.call(Method::StartPreview);
}

void SnapModeController::startSnapping()
{
    m_progress.startAcquisition();
    m_starter.SnapSettings();
}
