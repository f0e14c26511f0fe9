#pragma once

#include "device/SnappyDevice.h"
#include "window/CaptureControls.h"

// The status text and progress bar that follow an acquisition. The bar is
// driven by its own timer, not by the device; the device's progress events
// only change the text, and processing is requested when the device asks.
class AcquisitionProgress {
public:
    AcquisitionProgress(CaptureControls &controls, snappy::SnappyDevice &device);

    void startAcquisition();
    void completeAcquisition();

    void tmrprogressbaraquire_Timer();
    void Snappy1_AcquiringData();
    void Snappy1_ProcessingData();

private:
    void ProcessSnap();

    CaptureControls &m_controls;
    snappy::SnappyDevice &m_device;
};

namespace status {
inline const QString Waiting = QStringLiteral("Waiting");
inline const QString AcquiringData = QStringLiteral("Aquiring Data");
inline const QString ProcessingData = QStringLiteral("Processing Data");
} // namespace status
