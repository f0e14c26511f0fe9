#pragma once

// Starting a snap: the window's settings controls translated into device
// properties, in a fixed order, read at the moment of each write.

#include "device/SnappyDevice.h"
#include "window/AcquisitionProgress.h"
#include "window/CaptureControls.h"

class SnapStarter {
public:
    SnapStarter(CaptureControls &controls, snappy::SnappyDevice &device,
                AcquisitionProgress &progress);

    // Sends every setting, restarts the progress display and calls Snap.
    void SnapSettings();

private:
    CaptureControls &m_controls;
    snappy::SnappyDevice &m_device;
    AcquisitionProgress &m_progress;
};
