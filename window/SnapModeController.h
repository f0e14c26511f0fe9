#pragma once

// What the device is doing, as chosen in the snap mode list: nothing, a
// preview, one snap, back-to-back snaps or snaps on an interval.

#include "core/CaptureState.h"
#include "device/SnappyDevice.h"
#include "window/AcquisitionProgress.h"
#include "window/CaptureControls.h"
#include "window/DelayedSnapSchedule.h"
#include "window/SnapSettings.h"

enum class SnapMode : int {
    Off = 0,
    BlackAndWhitePreview = 1,
    ColorPreview = 2,
    SingleSnap = 3,
    RapidSnap = 4,
    DelayedSnap = 5,
};

class SnapModeController {
public:
    SnapModeController(CaptureControls &controls, CaptureState &state, snappy::SnappyDevice &device,
                       AcquisitionProgress &progress, SnapStarter &starter,
                       DelayedSnapSchedule &schedule);

    void cmbSnapMode_Click();

private:
    void stopCountdown();
    void startPreview(qint16 previewColor);
    void startSnapping();

    CaptureControls &m_controls;
    CaptureState &m_state;
    snappy::SnappyDevice &m_device;
    AcquisitionProgress &m_progress;
    SnapStarter &m_starter;
    DelayedSnapSchedule &m_schedule;
};
