#pragma once

// What happens to a finished snap: it is shown, saved by the chosen save
// method, and then the next rapid snap starts or the mode returns to "Off".
// Also shows the pictures a running preview delivers.

#include "core/CaptureState.h"
#include "device/SnappyDevice.h"
#include "window/AcquisitionProgress.h"
#include "window/CaptureControls.h"
#include "window/SaveFailureNotice.h"
#include "window/SnapSettings.h"

class SnapCompletion {
public:
    SnapCompletion(CaptureControls &controls, CaptureState &state, snappy::SnappyDevice &device,
                   AcquisitionProgress &progress, SnapStarter &starter, SaveFailureNotice &notice);

    void Snappy1_SnapDone();
    void Snappy1_PictureUpdated();

private:
    void saveSnap();
    bool nameTaken();
    bool skipToFreeNumber(bool currentTaken);
    void advanceImageNumber();
    QString stopIncrementalSaving();

    CaptureControls &m_controls;
    CaptureState &m_state;
    snappy::SnappyDevice &m_device;
    AcquisitionProgress &m_progress;
    SnapStarter &m_starter;
    SaveFailureNotice &m_notice;
};
